// Whether this machine runs 32-bit x86 code on the processor itself, asked of the operating
// system. Declared here, one implementation per target beside it (linux/, windows/); the
// processor's context (processor/processor.hpp) reports the answer.
//
// A processor that runs 64-bit code runs 32-bit code too; whether a 32-bit program gets to
// use that is the system's choice (a Linux kernel booted with ia32_emulation=off, a Windows
// on another processor that emulates x86). Where it does not, 32-bit programs may still
// start under an emulator, and every tick figure they give is the emulator's.
#pragma once

#include <string>

struct Native32bit {
    enum Answer { YES, NO, UNKNOWN } answer;
    std::string how;  // what the answer rests on, in a few words
};

// `this_process_emulated`: the caller found (with CPUID) that this very process runs under
// an emulator; a 32-bit process that does is the answer "no" by itself.
Native32bit runs_32bit_natively(bool this_process_emulated);
