// One x86 instruction as the profile needs it: its length and, for a branch, its class and
// where it goes, in this build's mode (32-bit code in the i386 and i686 builds, 64-bit code
// in the x86-64 ones). Two implementations, one linked per build: Capstone's decoder
// (x86_decoder_capstone.cpp), and where the build has no Capstone (a Windows cross-build
// whose set-up could not make it), the scan kernels' own forms (x86_decoder_forms.cpp),
// which say which forms they know when they meet another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class BranchKind : std::uint8_t {
    none,           // not a branch: execution goes on after it
    conditional,    // jcc, loop, jecxz: taken or not
    unconditional,  // jmp to a displacement: always taken
    indirect,       // jmp through a register or memory: always taken, target unknown
    call,           // any call: always taken (direct or through a register or memory)
    ret,            // any near return: always taken, target on the stack
    leaves,         // int, syscall, iret, hlt, ud2, far jumps: would leave this code or fault
};

struct Instruction {
    std::uint8_t length = 0;
    BranchKind kind = BranchKind::none;
    // A branch by a displacement (jcc, jmp, call, loop): its target minus its address.
    bool has_target = false;
    std::int64_t target_offset = 0;
    // jcc: its condition code (the low four bits of 70..7F and 0F 80..8F), which the
    // flags decide; -1 for every other conditional branch (loop, jecxz), which ECX decides
    // and only the next address shows.
    int condition = -1;
    std::string text;  // "cmp al, 0x51", for messages
};

// Decodes the instruction at `code`, which runs at `address`, reading no more than
// `available` bytes. False with a one-line reason in `error` (which names the bytes) when
// the bytes are no instruction this decoder knows, or one longer than `available`.
bool decode_instruction(const unsigned char* code, std::size_t available, std::uintptr_t address,
                        Instruction& instruction, std::string& error);

// The decoder this build links, for the tools' notes: "Capstone 4.0".
std::string decoder_name();
