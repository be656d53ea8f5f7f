// Runs machine code of this program one instruction at a time under the processor's
// single-step trap (the trap flag, bit 8 of EFLAGS), and shows each instruction to a
// visitor before it runs.
//
// The code is entered by a jump with the caller's registers as the trampoline leaves them
// (EBX, ESI, EDI and EBP are saved and restored around it, EAX holds the entry address),
// so it must be code that sets up what it needs itself and keeps the stack pointer where
// it found it: a kernel copy, which starts with mov esi, sample and uses no stack. Stepping
// ends before the instruction at `stop` runs, or before any instruction the visitor
// refuses; the trampoline then returns to the caller.
//
// One stepping at a time: the trap handler and its state are the process's.
#pragma once

#include <cstdint>

// Called before each stepped instruction runs, with its address and the flags it will
// see (a conditional branch's outcome can be read from them). Returns false to stop
// stepping before that instruction runs.
using StepVisitor = bool (*)(void* context, std::uintptr_t address, std::uint32_t eflags);

enum class StepOutcome {
    reached_stop,    // every instruction from the entry up to `stop` was shown
    visitor_stopped, // the visitor refused an instruction, which did not run
    unavailable,     // the trap handler could not be installed
};

StepOutcome step_through(const unsigned char* entry, const unsigned char* stop,
                         StepVisitor visit, void* context);

// ESI (its low 32 bits) as the stepped code left it when the last stepping ended: after a
// kernel copy's exit step, its scan length.
std::uint32_t stepped_esi();
