// The profile of every row's kernel copy, stepped by the build's default engine, against
// counts worked out by hand from the layout's instruction table (kernel_bytes_test.cpp)
// and the sample; forms no built-in layout uses, by hand; the stepper's refusal of code
// that would leave, fault, cannot be decoded or runs away; one stepping shared by the
// copies of a layout at several addresses; and the emulator against the processor's trap,
// copy by copy.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "case_lists.hpp"
#include "kernels/layouts.hpp"
#include "profile/scan_profile.hpp"
#include "profile/tool_text.hpp"
#include "stats/placed_cases.hpp"

extern "C" {
extern unsigned char profile_text[16];
#define STEPPED_COPY(name) extern const unsigned char name[], name##_form[], name##_stop[];
STEPPED_COPY(stepped_form_0)
STEPPED_COPY(stepped_form_1)
STEPPED_COPY(stepped_form_2)
STEPPED_COPY(stepped_form_3)
STEPPED_COPY(stepped_form_4)
STEPPED_COPY(stepped_form_5)
STEPPED_COPY(stepped_form_6)
STEPPED_COPY(stepped_form_7)
STEPPED_COPY(stepped_form_8)
STEPPED_COPY(stepped_form_9)
STEPPED_COPY(stepped_form_10)
STEPPED_COPY(stepped_form_11)
STEPPED_COPY(stepped_form_12)
#undef STEPPED_COPY
extern const unsigned char zero_displacement[], zero_displacement_stop[];
extern const unsigned char front_end[], front_end_stop[];
METER_COPY_SYMBOLS(range_copy_0)
METER_COPY_SYMBOLS(range_copy_1)
METER_COPY_SYMBOLS(range_copy_2)
METER_COPY_SYMBOLS(range_copy_3)
METER_COPY_SYMBOLS(range_copy_odd)
}

namespace {

struct Counts {
    std::uint64_t instructions, conditional, taken, unconditional, indirect = 0;
};

constexpr Counts operator+(Counts a, Counts b) {
    return {a.instructions + b.instructions, a.conditional + b.conditional, a.taken + b.taken,
            a.unconditional + b.unconditional, a.indirect + b.indirect};
}
constexpr Counts operator*(std::uint64_t times, Counts c) {
    return {times * c.instructions, times * c.conditional, times * c.taken,
            times * c.unconditional, times * c.indirect};
}

// What one layout executes: the entry, each token of the samples ("1234.567h" and
// "1234.5678h", which follow each other with no separator) and the terminator with the
// exit step. Branches are named by their offsets in the layout's instruction table.
struct LayoutSteps {
    std::string_view layout;
    Counts entry, token9, token10, terminator;
};

// few jumps. A digit: load, inc, cmp, jb 30 (not taken), cmp, jbe 64 (taken), jmp 19.
constexpr Counts FEW_DIGIT = {7, 2, 1, 1};
// '.': load, inc, cmp, jb 30 (taken), test, je 66 (not), or, cmp 'e', je 7 (not),
// cmp '.', je 9 (taken), rung 2: jmp 19.
constexpr Counts FEW_DOT = {12, 4, 2, 1};
// 'h': load, inc, cmp, jb 30 (not), cmp, jbe 64 (not), test, je 66 (not), or, cmp 'e',
// je 7 (not), cmp '.', je 9 (not), cmp 'h', je 11 (taken), rung 3: jmp 19.
constexpr Counts FEW_H = {16, 6, 1, 1};

// many jumps (and else-if, whose extra jumps to the chain's end never run: the same
// path at other offsets). A digit: load, inc, cmp, jb (not), cmp, jbe (taken), jmp 5.
constexpr Counts MANY_DIGIT = {7, 2, 1, 1};
// '.': load, inc, cmp, jb (taken), test, je exit (not), or, cmp 'e', jne (taken),
// cmp '.', jne (not), jmp 5.
constexpr Counts MANY_DOT = {12, 4, 2, 1};
// 'h': load, inc, cmp, jb (not), cmp, jbe (not), test, je exit (not), or, cmp 'e',
// jne (taken), cmp '.', jne (taken), cmp 'h', jne (not), jmp 5.
constexpr Counts MANY_H = {16, 6, 2, 1};
// The terminator, in every byte-at-a-time layout: load, inc, cmp, jb (taken), test,
// je exit (taken), sub esi (the exit step).
constexpr Counts BYTE_TERMINATOR = {7, 2, 2, 0};

// pair step: each step loads a pair. Two digits: movzx, inc, cmp, jb 20 (not), cmp,
// ja 20 (not), mov al, ah, inc, cmp, jb 28 (not), cmp, jbe 76 (taken), jmp 5.
constexpr Counts PAIR_DIGITS = {13, 4, 1, 1};
// A digit and 'h' (the last pair of "1234.567h"): movzx, inc, cmp, jb 20 (not), cmp,
// ja 20 (not), mov al, ah, inc, then 'h' classified: cmp, jb 28 (not), cmp, jbe 76 (not),
// test, je 78 (not), or, cmp 'e', jne 40 (taken), cmp '.', jne 46 (taken), cmp 'h',
// jne 52 (not), jmp 5.
constexpr Counts PAIR_DIGIT_H = {22, 8, 2, 1};
// '.' first in its pair: movzx, inc, cmp, jb 20 (taken), cmp, jb 28 (taken), test,
// je 78 (not), or, cmp 'e', jne 40 (taken), cmp '.', jne 46 (not), jmp 5.
constexpr Counts PAIR_DOT = {14, 5, 3, 1};
// 'h' first in its pair (after "5678"): movzx, inc, cmp, jb 20 (not), cmp, ja 20
// (taken), cmp, jb 28 (not), cmp, jbe 76 (not), test, je 78 (not), or, cmp 'e', jne 40
// (taken), cmp '.', jne 46 (taken), cmp 'h', jne 52 (not), jmp 5.
constexpr Counts PAIR_H = {20, 8, 3, 1};
// The terminator first in its pair: movzx, inc, cmp, jb 20 (taken), cmp, jb 28 (taken),
// test, je 78 (taken), sub esi.
constexpr Counts PAIR_TERMINATOR = {9, 3, 3, 0};

// switch. A digit: movzx, inc, cmp, jb 17 (not), cmp, jbe 77 (taken), jmp 5.
constexpr Counts SWITCH_DIGIT = {7, 2, 1, 1};
// '.': movzx, inc, cmp, jb 17 (taken), or, mov eax, eax, cmp 0x20, jne 30 (taken),
// cmp 'e', jne 37 (taken), cmp '.', jne 44 (not), jmp 77, jmp 5.
constexpr Counts SWITCH_DOT = {14, 4, 3, 2};
// 'h': movzx, inc, cmp, jb 17 (not), cmp, jbe 77 (not), or, mov eax, eax, cmp 0x20,
// jne 30 (taken), cmp 'e', jne 37 (taken), cmp '.', jne 44 (taken), cmp 'h', jne 51
// (not), jmp 77, jmp 5.
constexpr Counts SWITCH_H = {18, 6, 3, 2};
// The terminator: movzx, inc, cmp, jb 17 (taken), or, mov eax, eax, cmp 0x20, jne 30
// (not), jmp 79 (the exit), sub esi.
constexpr Counts SWITCH_TERMINATOR = {10, 2, 1, 1};

// jump table, any byte but the terminator: movzx, inc, mov eax, [table], jmp eax, and
// the handler's (or the end's) jmp 8. The terminator: movzx, inc, mov, jmp eax to the
// exit, sub esi.
constexpr Counts TABLE_BYTE = {5, 0, 0, 1, 1};
constexpr Counts TABLE_TERMINATOR = {5, 0, 0, 0, 1};
// class table, any byte but the terminator: movzx, inc, mov al, [table], test, je (not),
// jmp 5. The terminator: movzx, inc, mov, test, je (taken), sub esi.
constexpr Counts CLASS_BYTE = {6, 1, 0, 1};
constexpr Counts CLASS_TERMINATOR = {6, 1, 1, 0};

const LayoutSteps LAYOUT_STEPS[] = {
    // mov esi; jmp 19 (rung 0, taken on entry).
    {"few_jumps", {2, 0, 0, 1}, 7 * FEW_DIGIT + FEW_DOT + FEW_H, 8 * FEW_DIGIT + FEW_DOT + FEW_H,
     BYTE_TERMINATOR},
    {"many_jumps", {1, 0, 0, 0}, 7 * MANY_DIGIT + MANY_DOT + MANY_H,
     8 * MANY_DIGIT + MANY_DOT + MANY_H, BYTE_TERMINATOR},
    // "12" "34" "." "56" "7h"; "12" "34" "." "56" "78" "h".
    {"pair_step", {1, 0, 0, 0}, 3 * PAIR_DIGITS + PAIR_DOT + PAIR_DIGIT_H,
     4 * PAIR_DIGITS + PAIR_DOT + PAIR_H, PAIR_TERMINATOR},
    {"elseif", {1, 0, 0, 0}, 7 * MANY_DIGIT + MANY_DOT + MANY_H,
     8 * MANY_DIGIT + MANY_DOT + MANY_H, BYTE_TERMINATOR},
    {"switch", {1, 0, 0, 0}, 7 * SWITCH_DIGIT + SWITCH_DOT + SWITCH_H,
     8 * SWITCH_DIGIT + SWITCH_DOT + SWITCH_H, SWITCH_TERMINATOR},
    {"jump_table", {1, 0, 0, 0}, 9 * TABLE_BYTE, 10 * TABLE_BYTE, TABLE_TERMINATOR},
    {"class_table", {1, 0, 0, 0}, 9 * CLASS_BYTE, 10 * CLASS_BYTE, CLASS_TERMINATOR},
};

const LayoutSteps* steps_of(std::string_view layout) {
    for (const LayoutSteps& steps : LAYOUT_STEPS)
        if (steps.layout == layout) return &steps;
    return nullptr;
}

// The sample as the layout steps it: the entry, its tokens in turn, the terminator. Every
// token must be one of the two forms the steps are worked out for.
Counts expected_counts(const LayoutSteps& steps, const char* sample) {
    Counts counts = steps.entry;
    std::string_view text = sample;
    while (!text.empty()) {
        const std::size_t end = text.find('h');
        const std::string_view token = text.substr(0, end + 1);
        if (token == "1234.567h") counts = counts + steps.token9;
        else if (token == "1234.5678h") counts = counts + steps.token10;
        else ADD_FAILURE() << "a token the counts are not worked out for: " << token;
        text.remove_prefix(token.size());
    }
    return counts + steps.terminator;
}

// A copy stepped in the program executes exactly what its layout's steps give over its
// sample; per instruction, the runs add up to the instructions and the jumps of the
// branches to the taken branches, and the entry and the exit step run once.
// A layout without steps worked out (one a user adds) is checked for all but the exact
// counts.
void expect_steps(const BenchCase& bench_case, const LayoutSteps* steps, const char* sample) {
    const ScanProfile profile = profile_case(bench_case);
    ASSERT_EQ(profile.error, "") << bench_case.name;
    const ScanCounts& counts = profile.counts;
    if (steps != nullptr) {
        const Counts expected = expected_counts(*steps, sample);
        EXPECT_EQ(counts.instructions, expected.instructions) << bench_case.name;
        EXPECT_EQ(counts.conditional_branches, expected.conditional) << bench_case.name;
        EXPECT_EQ(counts.conditional_taken, expected.taken) << bench_case.name;
        EXPECT_EQ(counts.unconditional_jumps, expected.unconditional) << bench_case.name;
        EXPECT_EQ(counts.indirect_jumps, expected.indirect) << bench_case.name;
    }

    ASSERT_EQ(profile.runs.size(), *bench_case.code_bytes + EXIT_STEP_SIZE);
    EXPECT_EQ(std::accumulate(profile.runs.begin(), profile.runs.end(), std::uint64_t{0}),
              counts.instructions) << bench_case.name;
    EXPECT_EQ(std::accumulate(profile.taken.begin(), profile.taken.end(), std::uint64_t{0}),
              taken_branches(counts)) << bench_case.name;
    EXPECT_EQ(profile.runs.front(), 1u) << bench_case.name;
    EXPECT_EQ(profile.runs[*bench_case.code_bytes], 1u) << bench_case.name;
}

// The benchmark's rows, each over its own sample.
TEST(ProfiledCopies, CountsAreTheLayoutsStepsOverTheSample) {
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const LayoutSteps* steps = steps_of(LISTED_BENCH_CASES[row].layout);
        ASSERT_NE(steps, nullptr) << "no steps worked out for " << bench_cases[row].name;
        expect_steps(bench_cases[row], steps, LISTED_BENCH_CASES[row].sample);
    }
}

// Every listed layout's copy over the tools' text, which holds the long sample unless a
// file is given: the steps hold for the table layouts too, which are not the benchmark's.
TEST(ProfiledCopies, EveryListedLayoutOverTheToolsText) {
    ASSERT_EQ(use_long_sample().length, 499u);
    for (const char* layout : {"few_jumps", "many_jumps", "pair_step", "elseif", "switch",
                               "jump_table", "class_table"}) {
        EXPECT_NE(steps_of(layout), nullptr) << layout;
    }
    for (std::size_t index = 0; index < LAYOUT_COUNT; ++index) {
        expect_steps(text_copies[index], steps_of(LAYOUTS[index].name), long_sample);
    }
}

std::string hex_address(const unsigned char* address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(address)));
    return text;
}

// What would leave the stepped code or fault (a ret without a call of its own before it
// among them: its target would be whatever lies on the stack), what no decoder knows, and
// a loop without end stop the stepping before that instruction runs, with an error that
// names why and where; the two instructions before it were counted.
TEST(SteppingRefuses, WhatLeavesFaultsCannotBeDecodedOrRunsAway) {
    struct Copy {
        const unsigned char *entry, *form, *stop;
        const char* error;  // its start, before the address
        std::uint64_t instructions;
    };
    const Copy copies[] = {
        {stepped_form_0, stepped_form_0_form, stepped_form_0_stop, "'ret' at ", 2},
        {stepped_form_1, stepped_form_1_form, stepped_form_1_stop, "'int3' at ", 2},
        {stepped_form_2, stepped_form_2_form, stepped_form_2_stop, "'ud2' at ", 2},
        {stepped_form_3, stepped_form_3_form, stepped_form_3_stop, "'hlt' at ", 2},
        {stepped_form_4, stepped_form_4_form, stepped_form_4_stop, "cannot decode the instruction at ", 2},
        {stepped_form_5, stepped_form_5_form, stepped_form_5_stop, "runs away: no end after 1000 instructions, at ", 1000},
    };
    for (const Copy& copy : copies) {
        // mov esi and inc esi before it: 6 bytes, 7 where inc esi is FF C6.
        const std::size_t offset = copy.form - copy.entry;
        const ScanProfile profile = profile_code(copy.entry, copy.stop, StepWatch{1000});
        EXPECT_TRUE(profile.error.starts_with(copy.error)) << profile.error;
        if (copy.instructions == 2) {
            EXPECT_NE(profile.error.find(hex_address(copy.form) + " (entry + " +
                                         std::to_string(offset) + ")"),
                      std::string::npos)
                << profile.error;
            EXPECT_EQ(profile.runs[offset], 0u) << profile.error;
        }
        EXPECT_EQ(profile.counts.instructions, copy.instructions) << profile.error;
    }
}

// Forms no built-in layout uses are decoded and counted by their class: one instruction
// between inc esi and the exit step, which leaves the scan length 1; and a call to a ret
// of the code's own, which returns to a jump over it.
TEST(SteppingCounts, FormsTheBuiltInLayoutsDoNotUse) {
    struct Copy {
        const unsigned char *entry, *stop;
        std::uint64_t instructions, conditional, taken, unconditional, calls, returns;
    };
    const Copy copies[] = {
        {stepped_form_6, stepped_form_6_stop, 4, 0, 0, 0, 0, 0},    // nop
        {stepped_form_7, stepped_form_7_stop, 4, 0, 0, 0, 1, 0},    // call +0
        {stepped_form_8, stepped_form_8_stop, 4, 0, 0, 1, 0, 0},    // jmp rel32 +0
        {stepped_form_9, stepped_form_9_stop, 4, 1, 1, 0, 0, 0},    // jne rel32 +0, after inc esi of an address
        {stepped_form_10, stepped_form_10_stop, 4, 0, 0, 0, 0, 0},  // cmp eax, imm32
        {stepped_form_11, stepped_form_11_stop, 6, 0, 0, 1, 1, 1},  // call, ret, jmp
    };
    for (const Copy& copy : copies) {
        const ScanProfile profile = profile_code(copy.entry, copy.stop);
        ASSERT_EQ(profile.error, "") << hex_address(copy.entry);
        EXPECT_EQ(profile.counts.instructions, copy.instructions) << hex_address(copy.entry);
        EXPECT_EQ(profile.counts.conditional_branches, copy.conditional) << hex_address(copy.entry);
        EXPECT_EQ(profile.counts.conditional_taken, copy.taken) << hex_address(copy.entry);
        EXPECT_EQ(profile.counts.unconditional_jumps, copy.unconditional) << hex_address(copy.entry);
        EXPECT_EQ(profile.counts.calls, copy.calls) << hex_address(copy.entry);
        EXPECT_EQ(profile.counts.returns, copy.returns) << hex_address(copy.entry);
        EXPECT_EQ(profile.scan_length, 1u) << hex_address(copy.entry);
    }
}

const BenchCase RANGE_COPIES[] = {
    {nullptr, "range/0", nullptr, &range_copy_0_code_bytes, range_copy_0_entry, range_copy_0_exit},
    {nullptr, "range/16", nullptr, &range_copy_1_code_bytes, range_copy_1_entry, range_copy_1_exit},
    {nullptr, "range/20", nullptr, &range_copy_2_code_bytes, range_copy_2_entry, range_copy_2_exit},
    {nullptr, "range/48", nullptr, &range_copy_3_code_bytes, range_copy_3_entry, range_copy_3_exit},
};
const BenchCase RANGE_ODD = {nullptr, "range/odd", nullptr, &range_copy_odd_code_bytes,
                             range_copy_odd_entry, range_copy_odd_exit};

// The range layout over "(A)z", by hand (profile_test_copies.S): mov esi; then
//   '(' and ')': movzx, inc, test, je (not), sub, cmp, ja (not), bt, jc (taken): 9, 3, 1
//   'A': the same but jc (not), then jmp: 10 instructions, 3 conditional, 0 taken, 1 jmp
//   'z' (above the range): movzx, inc, test, je (not), sub, cmp, ja (taken): 7, 2, 1
//   the terminator: movzx, inc, test, je (taken), sub esi: 5, 1, 1.
TEST(SteppingCounts, ALayoutOfOtherFormsByHand) {
    for (const BenchCase& copy : RANGE_COPIES) {
        const ScanProfile profile = profile_case(copy);
        ASSERT_EQ(profile.error, "") << copy.name;
        EXPECT_EQ(profile.counts.instructions, 1u + 9 + 10 + 9 + 7 + 5) << copy.name;
        EXPECT_EQ(profile.counts.conditional_branches, 3u + 3 + 3 + 2 + 1) << copy.name;
        EXPECT_EQ(profile.counts.conditional_taken, 1u + 0 + 1 + 1 + 1) << copy.name;
        EXPECT_EQ(profile.counts.unconditional_jumps, 1u) << copy.name;
        EXPECT_EQ(profile.counts.indirect_jumps + profile.counts.calls + profile.counts.returns, 0u)
            << copy.name;
        EXPECT_EQ(profile.scan_length, 5u) << copy.name;
        // The bt (at 19, 20 in 64-bit mode) runs for the three bytes within the range.
        const std::size_t bt = *copy.code_bytes == 31 ? 19 : 20;
        EXPECT_EQ(profile.runs[bt], 3u) << copy.name;
    }
}

// Every count, every instruction's runs and jumps and the scan length alike.
void expect_same_counts(const ScanProfile& one, const ScanProfile& other, const std::string& name) {
    const ScanCounts &a = one.counts, &b = other.counts;
    EXPECT_EQ(a.instructions, b.instructions) << name;
    EXPECT_EQ(a.conditional_branches, b.conditional_branches) << name;
    EXPECT_EQ(a.conditional_taken, b.conditional_taken) << name;
    EXPECT_EQ(a.unconditional_jumps, b.unconditional_jumps) << name;
    EXPECT_EQ(a.indirect_jumps, b.indirect_jumps) << name;
    EXPECT_EQ(a.calls, b.calls) << name;
    EXPECT_EQ(a.returns, b.returns) << name;
    EXPECT_EQ(a.line_changes, b.line_changes) << name;
    EXPECT_EQ(a.window_changes, b.window_changes) << name;
    EXPECT_EQ(a.boundary_jumps, b.boundary_jumps) << name;
    EXPECT_EQ(one.runs, other.runs) << name;
    EXPECT_EQ(one.taken, other.taken) << name;
    EXPECT_EQ(one.scan_length, other.scan_length) << name;
}

void expect_same_profile(const ScanProfile& derived, const ScanProfile& stepped, const char* name) {
    ASSERT_EQ(derived.error, "") << name;
    ASSERT_EQ(stepped.error, "") << name;
    expect_same_counts(derived, stepped, name);
}

// One stepping for the copies of one layout at every offset: each copy's counts, its
// front-end counts at its own address among them, are those of stepping it alone. Swept
// over every listed layout's copies at the stats tool's four offsets, and the range
// layout's (offset 20 moves its je across a 32-byte boundary in 32-bit mode, and its jmp
// off the end of one in 64-bit mode).
TEST(SharedTrace, EveryCopyAsIfSteppedAlone) {
    use_long_sample();
    for (std::size_t row = 0; row < STATS_ROW_COUNT; ++row) {
        std::vector<const BenchCase*> copies;
        for (std::size_t placement = 0; placement < PLACEMENT_COUNT; ++placement)
            copies.push_back(&placed_cases[placement * STATS_ROW_COUNT + row].copy);
        const std::vector<ScanProfile> profiles = profile_copies(copies);
        ASSERT_EQ(profiles.size(), copies.size());
        for (std::size_t index = 0; index < copies.size(); ++index)
            expect_same_profile(profiles[index], profile_case(*copies[index]), copies[index]->name);
    }
    std::vector<const BenchCase*> copies;
    for (const BenchCase& copy : RANGE_COPIES) copies.push_back(&copy);
    const std::vector<ScanProfile> profiles = profile_copies(copies);
    for (std::size_t index = 0; index < copies.size(); ++index)
        expect_same_profile(profiles[index], profile_case(*copies[index]), copies[index]->name);
    EXPECT_NE(profiles[0].counts.boundary_jumps, profiles[2].counts.boundary_jumps);
}

// A copy whose instructions differ from the stepped one's gets an error of its own and no
// counts; the others keep theirs. A stepping that fails fails every copy.
TEST(SharedTrace, ACopyThatDiffersIsRefusedAlone) {
    const BenchCase* copies[] = {&RANGE_COPIES[0], &RANGE_ODD, &RANGE_COPIES[1]};
    const std::vector<ScanProfile> profiles = profile_copies(copies);
    EXPECT_EQ(profiles[0].error, "");
    EXPECT_EQ(profiles[2].error, "");
    EXPECT_EQ(profiles[2].counts.instructions, 41u);
    EXPECT_TRUE(profiles[1].error.starts_with("its instruction at entry + ")) << profiles[1].error;
    EXPECT_EQ(profiles[1].counts.instructions, 0u);

    const BenchCase* odd_first[] = {&RANGE_ODD, &RANGE_COPIES[0]};
    const std::vector<ScanProfile> odd = profile_copies(odd_first, StepWatch{10});
    EXPECT_TRUE(odd[0].error.starts_with("runs away")) << odd[0].error;
    EXPECT_TRUE(odd[1].error.starts_with("its stepped twin range/odd failed: runs away"))
        << odd[1].error;
}

// jne +0 goes on to the same instruction whether it jumps or not: its outcome comes
// from the flags, both ways.
TEST(SteppingCounts, ZeroDisplacementBranchByItsFlags) {
    for (const char byte : {'A', 'B'}) {
        profile_text[0] = static_cast<unsigned char>(byte);
        const ScanProfile profile = profile_code(zero_displacement, zero_displacement_stop);
        ASSERT_EQ(profile.error, "") << byte;
        EXPECT_EQ(profile.counts.instructions, 5u) << byte;
        EXPECT_EQ(profile.counts.conditional_branches, 1u) << byte;
        EXPECT_EQ(profile.counts.conditional_taken, byte == 'B' ? 1u : 0u) << byte;
        EXPECT_EQ(profile.taken[9], byte == 'B' ? 1u : 0u) << byte;  // the jne at entry + 9
        EXPECT_EQ(profile.counts.unconditional_jumps, 0u) << byte;
    }
}

}  // namespace

// Where the front end fetches from: the window changes at 31 -> 33, 63 -> 65 and 94 -> 96,
// the line change at 63 -> 65; the jumps at 31 and 63 cross a boundary, the one at 94 ends
// on one. A jump anywhere else in a window counts for nothing.
TEST(SteppingCounts, FrontEndChangesAndBoundaryJumps) {
    const ScanProfile profile = profile_code(front_end, front_end_stop);
    ASSERT_EQ(profile.error, "");
    EXPECT_EQ(profile.counts.instructions, 46u);
    EXPECT_EQ(profile.counts.window_changes, 3u);
    EXPECT_EQ(profile.counts.line_changes, 1u);
    EXPECT_EQ(profile.counts.boundary_jumps, 3u);
}

namespace {

// The same counts and the same error, if any.
void expect_same_stepping(const ScanProfile& emulated, const ScanProfile& trapped,
                          const std::string& name) {
    EXPECT_EQ(emulated.error, trapped.error) << name;
    expect_same_counts(emulated, trapped, name);
}

ScanProfile stepped_by(StepEngine engine, const unsigned char* entry, const unsigned char* stop,
                       std::uint64_t limit = DEFAULT_STEP_LIMIT) {
    StepWatch watch{limit};
    watch.engine = engine;
    return profile_code(entry, stop, watch);
}

void expect_engines_agree(const unsigned char* entry, const unsigned char* stop,
                          const std::string& name, std::uint64_t limit = DEFAULT_STEP_LIMIT) {
    expect_same_stepping(stepped_by(StepEngine::emulator, entry, stop, limit),
                         stepped_by(StepEngine::trap, entry, stop, limit), name);
}

}  // namespace

// The emulator shows the stepper what the processor runs: every copy of the program (the
// benchmark's rows, every layout over the tools' text and over a text of every byte
// value), the forms no layout uses, what is refused, and the branch whose outcome only
// the flags tell, count alike under both, instruction by instruction.
TEST(SteppingEngines, TheEmulatorCountsWhatTheTrapCounts) {
    if (!emulator_built()) GTEST_SKIP() << "this build steps under the trap alone";
    for (const BenchCase& copy : bench_cases)
        expect_engines_agree(copy.entry, copy.exit + EXIT_STEP_SIZE, copy.name);
    for (const bool every_byte : {false, true}) {
        if (every_byte) {
            std::string text;
            for (int round = 0; round < 3; ++round)
                for (int byte = 1; byte < 256; ++byte) text += static_cast<char>((byte * 37 + round) % 255 + 1);
            std::memcpy(tool_text, text.data(), text.size() + 1);
        } else {
            use_long_sample();
        }
        for (const BenchCase& copy : text_copies)
            expect_engines_agree(copy.entry, copy.exit + EXIT_STEP_SIZE,
                                 std::string(copy.name) + (every_byte ? " over every byte" : ""));
    }
    use_long_sample();
    for (const BenchCase& copy : RANGE_COPIES)
        expect_engines_agree(copy.entry, copy.exit + EXIT_STEP_SIZE, copy.name);
    const unsigned char* const forms[][2] = {
        {stepped_form_0, stepped_form_0_stop},   {stepped_form_1, stepped_form_1_stop},
        {stepped_form_2, stepped_form_2_stop},   {stepped_form_3, stepped_form_3_stop},
        {stepped_form_4, stepped_form_4_stop},   {stepped_form_5, stepped_form_5_stop},
        {stepped_form_6, stepped_form_6_stop},   {stepped_form_7, stepped_form_7_stop},
        {stepped_form_8, stepped_form_8_stop},   {stepped_form_9, stepped_form_9_stop},
        {stepped_form_10, stepped_form_10_stop}, {stepped_form_11, stepped_form_11_stop},
        {front_end, front_end_stop}};
    for (const auto& form : forms) expect_engines_agree(form[0], form[1], hex_address(form[0]), 1000);
    for (const char byte : {'A', 'B'}) {
        profile_text[0] = static_cast<unsigned char>(byte);
        expect_engines_agree(zero_displacement, zero_displacement_stop, std::string("jne +0 at ") + byte);
    }
}

// Code that reads memory no process maps faults in the emulator, not in the process: the
// copy's error names the instruction and the fault, and the two instructions before it
// were counted. (Under the trap the same read would end the process.)
TEST(SteppingEngines, AFaultInTheEmulatorIsTheCopysError) {
    if (!emulator_built()) GTEST_SKIP() << "this build steps under the trap alone";
    const ScanProfile profile = stepped_by(StepEngine::emulator, stepped_form_12, stepped_form_12_stop);
    EXPECT_TRUE(profile.error.starts_with("the instruction at " + hex_address(stepped_form_12_form) +
                                          " faulted: "))
        << profile.error;
    EXPECT_EQ(profile.counts.instructions, 3u) << profile.error;
}
