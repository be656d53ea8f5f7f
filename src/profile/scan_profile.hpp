// What one scan of a kernel copy executes, counted instruction by instruction under the
// single-step trap (single_step.hpp). The counts are exact: the kernels are
// deterministic, and nothing is sampled or measured in time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "meter/bench_case.hpp"

// sub esi, imm32 at a copy's exit label: stepped with the copy; the instruction after it
// (the meter's loop control) is where stepping stops.
inline constexpr std::uint32_t EXIT_STEP_SIZE = 6;

struct ScanCounts {
    std::uint64_t instructions = 0;
    std::uint64_t conditional_branches = 0;  // executed, taken or not
    std::uint64_t conditional_taken = 0;
    std::uint64_t unconditional_jumps = 0;   // always taken
    std::uint64_t indirect_jumps = 0;        // jmp through a register: taken, a kind of its own
    // Where the front end fetches from, at the copy's own address: instructions whose
    // first byte lies in another 64-byte line (line_changes) or 32-byte window
    // (window_changes) than the first byte of the instruction run before them; and jumps,
    // of any kind, taken or not, whose bytes cross a 32-byte boundary or whose last byte is
    // the last of a 32-byte window.
    std::uint64_t line_changes = 0;
    std::uint64_t window_changes = 0;
    std::uint64_t boundary_jumps = 0;
};

inline std::uint64_t taken_branches(const ScanCounts& counts) {
    return counts.conditional_taken + counts.unconditional_jumps + counts.indirect_jumps;
}
inline std::uint64_t not_taken_branches(const ScanCounts& counts) {
    return counts.conditional_branches - counts.conditional_taken;
}

struct ScanProfile {
    ScanCounts counts;
    // Indexed by the offset from the entry: how often the instruction starting there ran,
    // and how often the branch starting there jumped.
    std::vector<std::uint32_t> runs;
    std::vector<std::uint32_t> taken;
    // Empty when the code was stepped from the entry to the stop address. Otherwise what
    // went wrong, naming the address; the counts are then incomplete and must not be used.
    std::string error;
};

// Steps the code from `entry` until the instruction at `stop` is reached. Every
// instruction met must be one of the forms the kernels use; any other stops the stepping
// before it runs and is reported by its address.
ScanProfile profile_code(const unsigned char* entry, const unsigned char* stop);

// True for the branch forms that are counted: jcc rel8 (70..7F), jmp rel8 (EB) and the
// indirect jmp eax (FF E0).
bool is_branch_form(const unsigned char* code);

// One scan of the case's kernel copy over its sample: from the entry through the exit step.
ScanProfile profile_case(const BenchCase& bench_case);
