// The single-step trap on Linux: the kernel delivers it as SIGTRAP, with the stopped
// thread's registers in the handler's ucontext. What the handler writes there (EIP or RIP,
// the trap flag in EFLAGS) is what the thread resumes with.
#include "platform/step_trap.hpp"

#include <signal.h>
#include <ucontext.h>

#include <cstdint>

namespace {

// The caller's, from install_step_handler.
TrapDecision decide = nullptr;
const void* landing = nullptr;

// The instruction pointer's slot in the saved registers.
#if defined(__x86_64__)
constexpr int INSTRUCTION_POINTER = REG_RIP;
#else
constexpr int INSTRUCTION_POINTER = REG_EIP;
#endif

struct sigaction previous_action;

void on_sigtrap(int, siginfo_t*, void* raw_context) {
    mcontext_t& machine = static_cast<ucontext_t*>(raw_context)->uc_mcontext;
    const auto address = static_cast<std::uintptr_t>(machine.gregs[INSTRUCTION_POINTER]);
    const auto eflags = static_cast<std::uint32_t>(machine.gregs[REG_EFL]);
    if (decide(address, eflags) == TrapAction::step_on) {
        machine.gregs[REG_EFL] = static_cast<greg_t>(eflags | TRAP_FLAG);
    } else {
        machine.gregs[REG_EFL] = static_cast<greg_t>(eflags & ~TRAP_FLAG);
        machine.gregs[INSTRUCTION_POINTER] =
            static_cast<greg_t>(reinterpret_cast<std::uintptr_t>(landing));
    }
}

}  // namespace

bool install_step_handler(TrapDecision decision, const void* landing_address) {
    decide = decision;
    landing = landing_address;
    struct sigaction action {};
    action.sa_sigaction = on_sigtrap;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGTRAP, &action, &previous_action) == 0;
}

void remove_step_handler() { sigaction(SIGTRAP, &previous_action, nullptr); }
