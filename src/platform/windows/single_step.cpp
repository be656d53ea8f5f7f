// The single-step trap on Windows: a vectored exception handler sees it as
// EXCEPTION_SINGLE_STEP, with the stopped thread's registers in the exception's CONTEXT.
// What the handler writes there (Eip, the trap flag in EFlags) is what the thread resumes
// with. Part of the profile tool, not of the benchmark's platform library.
#include <windows.h>

#include <cstdint>

#include "profile/step_trap.hpp"

namespace {

PVOID handler_handle = nullptr;

LONG CALLBACK on_exception(PEXCEPTION_POINTERS exception) {
    if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_SINGLE_STEP)
        return EXCEPTION_CONTINUE_SEARCH;
    CONTEXT& context = *exception->ContextRecord;
    const auto address = static_cast<std::uintptr_t>(context.Eip);
    const auto eflags = static_cast<std::uint32_t>(context.EFlags);
    if (on_step_trap(address, eflags) == TrapAction::step_on) {
        context.EFlags = eflags | TRAP_FLAG;
    } else {
        context.EFlags = eflags & ~TRAP_FLAG;
        context.Eip = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(step_landing));
    }
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

bool install_step_handler() {
    // First in the chain, so that no other handler sees the traps.
    handler_handle = AddVectoredExceptionHandler(1, on_exception);
    return handler_handle != nullptr;
}

void remove_step_handler() {
    if (handler_handle != nullptr) RemoveVectoredExceptionHandler(handler_handle);
    handler_handle = nullptr;
}
