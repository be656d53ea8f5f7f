// The single-step trap on Windows: a vectored exception handler sees it as
// EXCEPTION_SINGLE_STEP, with the stopped thread's registers in the exception's CONTEXT.
// What the handler writes there (Eip or Rip, the trap flag in EFlags) is what the thread
// resumes with.
#include "platform/step_trap.hpp"

#include <windows.h>

#include <cstdint>

namespace {

// The caller's, from install_step_handler.
TrapDecision decide = nullptr;
const void* landing = nullptr;

PVOID handler_handle = nullptr;

// The instruction pointer of a stopped thread's context.
#if defined(_WIN64)
DWORD64& instruction_pointer(CONTEXT& context) { return context.Rip; }
#else
DWORD& instruction_pointer(CONTEXT& context) { return context.Eip; }
#endif

LONG CALLBACK on_exception(PEXCEPTION_POINTERS exception) {
    if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_SINGLE_STEP)
        return EXCEPTION_CONTINUE_SEARCH;
    CONTEXT& context = *exception->ContextRecord;
    const auto address = static_cast<std::uintptr_t>(instruction_pointer(context));
    const auto eflags = static_cast<std::uint32_t>(context.EFlags);
    if (decide(address, eflags) == TrapAction::step_on) {
        context.EFlags = eflags | TRAP_FLAG;
    } else {
        context.EFlags = eflags & ~TRAP_FLAG;
        instruction_pointer(context) = reinterpret_cast<std::uintptr_t>(landing);
    }
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

bool install_step_handler(TrapDecision decision, const void* landing_address) {
    decide = decision;
    landing = landing_address;
    // First in the chain, so that no other handler sees the traps.
    handler_handle = AddVectoredExceptionHandler(1, on_exception);
    return handler_handle != nullptr;
}

void remove_step_handler() {
    if (handler_handle != nullptr) RemoveVectoredExceptionHandler(handler_handle);
    handler_handle = nullptr;
}
