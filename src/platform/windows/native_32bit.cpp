// Windows: IsWow64Process2 names the machine's own processor. An x86 or x64 Windows runs
// 32-bit x86 code on the processor (x64 Windows through WOW64, which only translates the
// system calls); Windows on Arm emulates it. Looked up at run time: Windows before 10
// (1511), and older Wine, lack it. Those run only on x86 processors, so without it the
// answer is yes.
#include "platform/native_32bit.hpp"

#include "platform/winapi.hpp"

namespace {

using IsWow64Process2Call = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

}  // namespace

Native32bit runs_32bit_natively(bool this_process_emulated) {
    if (this_process_emulated)
        return {Native32bit::NO, "this process itself runs under an emulator"};
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    const auto call = kernel32 == nullptr ? nullptr
                                          : reinterpret_cast<IsWow64Process2Call>(reinterpret_cast<void*>(
                                                GetProcAddress(kernel32, "IsWow64Process2")));
    if (call == nullptr)
        return {Native32bit::YES, "a Windows without IsWow64Process2 runs on x86 processors only"};
    USHORT process_machine = 0, native_machine = 0;
    if (!call(GetCurrentProcess(), &process_machine, &native_machine))
        return {Native32bit::UNKNOWN, "IsWow64Process2 failed"};
    if (native_machine == IMAGE_FILE_MACHINE_I386 || native_machine == IMAGE_FILE_MACHINE_AMD64)
        return {Native32bit::YES, native_machine == IMAGE_FILE_MACHINE_AMD64
                                      ? "an x64 Windows (IsWow64Process2): 32-bit code through WOW64"
                                      : "an x86 Windows (IsWow64Process2)"};
    return {Native32bit::NO, "Windows on another processor (IsWow64Process2): x86 code is emulated"};
}
