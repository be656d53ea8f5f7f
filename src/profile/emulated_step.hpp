// Stepping under an x86 emulator (single_step.hpp's StepEngine::emulator): the code runs in
// the emulator over this process's own memory, mapped at its own addresses, so that it
// reads the same bytes and data a run on the processor would; each instruction is shown to
// the visitor before it runs, with the flags it will see. One implementation linked per
// build: emulated_step.cpp where the emulator library was found, else emulator_absent.cpp,
// whose emulate_through gives StepOutcome::unavailable (single_step.hpp's emulator_built
// says which).
#pragma once

#include <cstdint>
#include <string>

#include "profile/single_step.hpp"

// Runs from `entry` until the instruction at `stop` or one the visitor refuses, neither of
// which runs. `esi` receives ESI at the end; `fault` says, on StepOutcome::faulted, what
// the emulator could not do and at which instruction.
StepOutcome emulate_through(const unsigned char* entry, const unsigned char* stop,
                            StepVisitor visit, void* context, std::uint32_t& esi,
                            std::string& fault);

// The emulator library and its version, for the tools' notes: "Unicorn 2.0"; "not in this
// build" without one.
std::string emulator_name();
