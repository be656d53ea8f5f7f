// What one scan of a kernel copy executes, counted instruction by instruction as it is
// stepped (single_step.hpp: in the emulator or under the processor's single-step trap),
// each instruction decoded by a real x86 decoder (x86_decoder.hpp). The counts are exact: the kernels are deterministic, and nothing is
// sampled or measured in time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "meter/bench_case.hpp"
#include "profile/single_step.hpp"

// sub esi, imm32 at a copy's exit label: stepped with the copy; the instruction after it
// (the meter's loop control) is where stepping stops.
inline constexpr std::uint32_t EXIT_STEP_SIZE = 6;

struct ScanCounts {
    std::uint64_t instructions = 0;
    std::uint64_t conditional_branches = 0;  // executed, taken or not
    std::uint64_t conditional_taken = 0;
    std::uint64_t unconditional_jumps = 0;   // jmp to a displacement: always taken
    std::uint64_t indirect_jumps = 0;        // jmp through a register or memory: taken
    std::uint64_t calls = 0;                 // any call: taken
    std::uint64_t returns = 0;               // any near return: taken
    // Where the front end fetches from, at the copy's own address: instructions whose
    // first byte lies in another 64-byte line (line_changes) or 32-byte window
    // (window_changes) than the first byte of the instruction run before them; and
    // branches, of any kind, taken or not, whose bytes cross a 32-byte boundary or whose
    // last byte is the last of a 32-byte window.
    std::uint64_t line_changes = 0;
    std::uint64_t window_changes = 0;
    std::uint64_t boundary_jumps = 0;
};

inline std::uint64_t taken_branches(const ScanCounts& counts) {
    return counts.conditional_taken + counts.unconditional_jumps + counts.indirect_jumps +
           counts.calls + counts.returns;
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
    // ESI when the stop address was reached: after a kernel copy's exit step, its scan
    // length (the index of the byte that ended the scan, plus one).
    std::uint32_t scan_length = 0;
    // Empty when the code was stepped from the entry to the stop address. Otherwise what
    // went wrong, in one line that names the address; the counts are then incomplete and
    // must not be used.
    std::string error;
};

// How a stepping is watched: the most instructions it may run before it counts as run
// away, and a callback that is shown the instructions stepped so far every
// PROGRESS_INTERVAL instructions (from inside the stepping: it must not step itself), and
// the engine that steps.
inline constexpr std::uint64_t DEFAULT_STEP_LIMIT = 100'000'000;
inline constexpr std::uint64_t PROGRESS_INTERVAL = 1u << 18;
struct StepWatch {
    std::uint64_t step_limit = DEFAULT_STEP_LIMIT;
    void (*progress)(void* context, std::uint64_t instructions) = nullptr;
    void* context = nullptr;
    StepEngine engine = default_step_engine();
};

// A step limit for a scan of a text of `bytes` bytes: 64 instructions a byte, far more
// than any layout takes, plus room for the entry and the exit.
inline std::uint64_t step_limit_for(std::size_t bytes) {
    return 64 * (static_cast<std::uint64_t>(bytes) + 1) + 65536;
}

// Steps the code from `entry` until the instruction at `stop` is reached. Every
// instruction met is decoded first; one the decoder refuses, one that leaves the code
// (a jump or return out of it, int, syscall), or the step limit stops the stepping before
// that instruction runs, and the error names it by its address.
ScanProfile profile_code(const unsigned char* entry, const unsigned char* stop,
                         const StepWatch& watch = {});

// One scan of the case's kernel copy over its sample: from the entry through the exit step.
ScanProfile profile_case(const BenchCase& bench_case, const StepWatch& watch = {});

// One scan of each of `copies`, copies of one layout over one text at different
// addresses, with one stepping: the first copy is stepped, and each other copy's counts
// follow from the same trace at its own address (its runs and branches are the same, its
// front-end counts its own). A copy whose code_bytes or instructions along the trace
// differ from the first's (length, branch class, condition, relative target) gets an
// error of its own and no counts; when the stepping fails, every copy gets its error.
std::vector<ScanProfile> profile_copies(std::span<const BenchCase* const> copies,
                                        const StepWatch& watch = {});

// Whether the instruction at `code` (at most `available` bytes of it readable) is a
// branch of any class, as the decoder classes it; false where it cannot be decoded.
bool is_branch_at(const unsigned char* code, std::size_t available);
