// The way into and out of single-stepped code (step_trampoline.S), for single_step.cpp.
#pragma once

extern "C" {
// Saves EBX, ESI, EDI and EBP and the stack pointer, sets the trap flag and jumps to
// `entry`. Returns when a trap handler resumes at step_landing.
void step_from(const unsigned char* entry);
// Where a handler resumes when stepping ends: restores the stack pointer and the saved
// registers and returns from step_from.
extern const unsigned char step_landing[];
// The trampoline's instructions that may still be trapped before the entry is reached.
extern const unsigned char step_from_jump[];
}
