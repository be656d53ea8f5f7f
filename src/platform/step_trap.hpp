// The processor's single-step trap (the trap flag, bit 8 of EFLAGS), as each target
// delivers it: a signal on Linux, an exception on Windows (step_trap.cpp in the target's
// folder). The handler only reads and writes the stopped thread's registers; what to do at
// each trap is the caller's decision, and where stepping ends is the caller's code.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t TRAP_FLAG = 0x100;

// What the handler does after a trap.
enum class TrapAction {
    step_on,  // keep the trap flag set and resume where the trap stopped
    land,     // clear the trap flag and resume at the landing
};

// The decision for a trap that stopped before the instruction at `address`, with the flags
// that instruction will see. Runs inside the handler, in the trapped thread.
using TrapDecision = TrapAction (*)(std::uintptr_t address, std::uint32_t eflags);

// Installs the handler before stepping: at each trap it asks `decide`, and on
// TrapAction::land resumes the thread at `landing`. False when the system refused it.
// One handler at a time: remove it after stepping.
bool install_step_handler(TrapDecision decide, const void* landing);
void remove_step_handler();
