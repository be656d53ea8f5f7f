// Between the portable stepping code (single_step.cpp), its trampoline (step_trampoline.S)
// and each target's trap handler (src/platform/<target>/single_step.cpp).
#pragma once

#include <cstdint>

inline constexpr std::uint32_t TRAP_FLAG = 0x100;

// What a trap handler does after a trap.
enum class TrapAction {
    step_on,  // keep the trap flag set and resume where the trap stopped
    land,     // clear the trap flag and resume at step_landing
};

// The decision for a trap that stopped before the instruction at `address`.
TrapAction on_step_trap(std::uintptr_t address, std::uint32_t eflags);

// The target's handler for the single-step trap: installed before stepping, removed
// after. install_step_handler returns false when the system refused it.
bool install_step_handler();
void remove_step_handler();

extern "C" {
// Saves EBX, ESI, EDI and EBP and the stack pointer, sets the trap flag and jumps to
// `entry`. Returns when a handler resumes at step_landing.
void step_from(const unsigned char* entry);
// Where a handler resumes when stepping ends: restores the stack pointer and the saved
// registers and returns from step_from.
extern const unsigned char step_landing[];
// The trampoline's instructions that may still be trapped before the entry is reached.
extern const unsigned char step_from_jump[];
}
