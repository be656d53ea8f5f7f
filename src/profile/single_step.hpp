// Runs machine code of this program one instruction at a time and shows each instruction
// to a visitor before it runs, in one of two ways that show the same instructions with the
// same flags:
// - under an x86 emulator (emulated_step.hpp), over this process's own memory at its own
//   addresses: a hundred times and more faster, where the build has the emulator;
// - on the processor, under its single-step trap (the trap flag, bit 8 of EFLAGS): one
//   trap per instruction, the processor's own word on what runs.
//
// The code is entered by a jump with EAX holding the entry address (on the processor, with
// the caller's other registers as the trampoline leaves them: EBX, ESI, EDI and EBP are
// saved and restored around it), so it must be code that sets up what it needs itself and
// keeps the stack pointer where it found it: a kernel copy, which starts with mov esi,
// sample and uses no stack. Stepping ends before the instruction at `stop` runs, or before
// any instruction the visitor refuses.
//
// One stepping at a time: the trap handler and the last stepping's ESI are the process's.
#pragma once

#include <cstdint>
#include <string>

// Called before each stepped instruction runs, with its address and the flags it will
// see (a conditional branch's outcome can be read from them). Returns false to stop
// stepping before that instruction runs.
using StepVisitor = bool (*)(void* context, std::uintptr_t address, std::uint32_t eflags);

enum class StepEngine {
    emulator,  // the emulator, where the build has it
    trap,      // the processor's single-step trap
};

// Whether this build has the emulator; the engine the tools use unless told otherwise: the
// emulator where built, else the trap.
bool emulator_built();
StepEngine default_step_engine();
// "emulator" or "trap", as the tools' options name them; and how the notes say it: "in an
// x86 emulator (Unicorn 2.0)", "under the processor's single-step trap".
const char* step_engine_name(StepEngine engine);
std::string step_engine_text(StepEngine engine);

enum class StepOutcome {
    reached_stop,    // every instruction from the entry up to `stop` was shown
    visitor_stopped, // the visitor refused an instruction, which did not run
    faulted,         // the emulator could not run an instruction (step_fault() says which)
    unavailable,     // the engine could not be set up: no trap handler, or no emulator built
};

StepOutcome step_through(const unsigned char* entry, const unsigned char* stop,
                         StepVisitor visit, void* context,
                         StepEngine engine = default_step_engine());

// ESI (its low 32 bits) as the stepped code left it when the last stepping ended: after a
// kernel copy's exit step, its scan length.
std::uint32_t stepped_esi();
// After StepOutcome::faulted: what could not run, naming its address; else "".
const std::string& step_fault();

// An address as the stepping's messages name it: "0x0804a1b0".
std::string address_text(std::uintptr_t address);
