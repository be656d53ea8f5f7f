// The benchmark's laid-out code, read back from the program's own copies: every kernel
// copy is exactly its instruction table, and each copy sits in its meter's timed loop as
// the meter requires.
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/samples.hpp"
#include "meter/cycle_meter.hpp"
#include "run/bench_cases.hpp"

namespace {

// One instruction: its encoding in hex ("imm32" stands for the sample's address) and
// what it is, for the reader who checks the table.
struct Encoding {
    const char* bytes;
    const char* instruction;
};

const Encoding FEW_JUMPS[] = {
    {"BE imm32", "mov esi, sample (entry)"},
    {"EB 0C", "jmp 19 (rung 0)"},        {"EB 0A", "jmp 19 (rung 1)"},
    {"EB 08", "jmp 19 (rung 2)"},        {"EB 06", "jmp 19 (rung 3)"},
    {"EB 04", "jmp 19 (rung 4)"},        {"EB 02", "jmp 19 (rung 5)"},
    {"EB 00", "jmp 19 (rung 6)"},        {"8A 06", "mov al, [esi] (load step)"},
    {"46", "inc esi"},                   {"3C 30", "cmp al, 0x30"},
    {"72 04", "jb 30"},                  {"3C 39", "cmp al, 0x39"},
    {"76 22", "jbe 64"},                 {"84 C0", "test al, al"},
    {"74 20", "je 66 (exit)"},           {"0C 20", "or al, 0x20"},
    {"3C 65", "cmp al, 'e'"},            {"74 DF", "je 7 (rung 1)"},
    {"3C 2E", "cmp al, '.'"},            {"74 DD", "je 9 (rung 2)"},
    {"3C 68", "cmp al, 'h'"},            {"74 DB", "je 11 (rung 3)"},
    {"3C 62", "cmp al, 'b'"},            {"74 D9", "je 13 (rung 4)"},
    {"3C 79", "cmp al, 'y'"},            {"74 D7", "je 15 (rung 5)"},
    {"3C 28", "cmp al, '('"},            {"74 D5", "je 17 (rung 6)"},
    {"3C 29", "cmp al, ')'"},            {"74 D3", "je 19"},
    {"EB D1", "jmp 19"},                 {"81 EE imm32", "sub esi, sample (exit step)"},
};

const Encoding MANY_JUMPS[] = {
    {"BE imm32", "mov esi, sample (entry)"},
    {"8A 06", "mov al, [esi] (load step)"}, {"46", "inc esi"},
    {"3C 30", "cmp al, 0x30"},           {"72 04", "jb 16"},
    {"3C 39", "cmp al, 0x39"},           {"76 30", "jbe 64"},
    {"84 C0", "test al, al"},            {"74 2E", "je 66 (exit)"},
    {"0C 20", "or al, 0x20"},
    {"3C 65", "cmp al, 'e'"}, {"75 02", "jne 28"}, {"EB E9", "jmp 5"},
    {"3C 2E", "cmp al, '.'"}, {"75 02", "jne 34"}, {"EB E3", "jmp 5"},
    {"3C 68", "cmp al, 'h'"}, {"75 02", "jne 40"}, {"EB DD", "jmp 5"},
    {"3C 62", "cmp al, 'b'"}, {"75 02", "jne 46"}, {"EB D7", "jmp 5"},
    {"3C 79", "cmp al, 'y'"}, {"75 02", "jne 52"}, {"EB D1", "jmp 5"},
    {"3C 28", "cmp al, '('"}, {"75 02", "jne 58"}, {"EB CB", "jmp 5"},
    {"3C 29", "cmp al, ')'"}, {"75 02", "jne 64"}, {"EB C5", "jmp 5"},
    {"EB C3", "jmp 5"},
    {"81 EE imm32", "sub esi, sample (exit step)"},
};

const Encoding PAIR_STEP[] = {
    {"BE imm32", "mov esi, sample (entry)"},
    {"0F B7 06", "movzx eax, word [esi] (load step)"}, {"46", "inc esi"},
    {"3C 30", "cmp al, 0x30"},           {"72 07", "jb 20"},
    {"3C 39", "cmp al, 0x39"},           {"77 03", "ja 20"},
    {"8A C4", "mov al, ah"},             {"46", "inc esi"},
    {"3C 30", "cmp al, 0x30"},           {"72 04", "jb 28"},
    {"3C 39", "cmp al, 0x39"},           {"76 30", "jbe 76"},
    {"84 C0", "test al, al"},            {"74 2E", "je 78 (exit)"},
    {"0C 20", "or al, 0x20"},
    {"3C 65", "cmp al, 'e'"}, {"75 02", "jne 40"}, {"EB DD", "jmp 5"},
    {"3C 2E", "cmp al, '.'"}, {"75 02", "jne 46"}, {"EB D7", "jmp 5"},
    {"3C 68", "cmp al, 'h'"}, {"75 02", "jne 52"}, {"EB D1", "jmp 5"},
    {"3C 62", "cmp al, 'b'"}, {"75 02", "jne 58"}, {"EB CB", "jmp 5"},
    {"3C 79", "cmp al, 'y'"}, {"75 02", "jne 64"}, {"EB C5", "jmp 5"},
    {"3C 28", "cmp al, '('"}, {"75 02", "jne 70"}, {"EB BF", "jmp 5"},
    {"3C 29", "cmp al, ')'"}, {"75 02", "jne 76"}, {"EB B9", "jmp 5"},
    {"EB B7", "jmp 5"},
    {"81 EE imm32", "sub esi, sample (exit step)"},
};

const Encoding ELSEIF[] = {
    {"BE imm32", "mov esi, sample (entry)"},
    {"8A 06", "mov al, [esi] (load step)"}, {"46", "inc esi"},
    {"3C 30", "cmp al, 0x30"},           {"72 04", "jb 16"},
    {"3C 39", "cmp al, 0x39"},           {"76 3C", "jbe 76"},
    {"84 C0", "test al, al"},            {"74 3A", "je 78 (exit)"},
    {"0C 20", "or al, 0x20"},
    {"3C 65", "cmp al, 'e'"}, {"75 04", "jne 30"}, {"EB E9", "jmp 5"}, {"EB 2E", "jmp 76 (never)"},
    {"3C 2E", "cmp al, '.'"}, {"75 04", "jne 38"}, {"EB E1", "jmp 5"}, {"EB 26", "jmp 76 (never)"},
    {"3C 68", "cmp al, 'h'"}, {"75 04", "jne 46"}, {"EB D9", "jmp 5"}, {"EB 1E", "jmp 76 (never)"},
    {"3C 62", "cmp al, 'b'"}, {"75 04", "jne 54"}, {"EB D1", "jmp 5"}, {"EB 16", "jmp 76 (never)"},
    {"3C 79", "cmp al, 'y'"}, {"75 04", "jne 62"}, {"EB C9", "jmp 5"}, {"EB 0E", "jmp 76 (never)"},
    {"3C 28", "cmp al, '('"}, {"75 04", "jne 70"}, {"EB C1", "jmp 5"}, {"EB 06", "jmp 76 (never)"},
    {"3C 29", "cmp al, ')'"}, {"75 02", "jne 76"}, {"EB B9", "jmp 5"},
    {"EB B7", "jmp 5"},
    {"81 EE imm32", "sub esi, sample (exit step)"},
};

const Encoding SWITCH[] = {
    {"BE imm32", "mov esi, sample (entry)"},
    {"0F B6 06", "movzx eax, byte [esi] (load step)"}, {"46", "inc esi"},
    {"3C 30", "cmp al, 0x30"},           {"72 04", "jb 17"},
    {"3C 39", "cmp al, 0x39"},           {"76 3C", "jbe 77"},
    {"0C 20", "or al, 0x20"},            {"8B C0", "mov eax, eax"},
    {"83 F8 20", "cmp eax, 0x20"}, {"75 04", "jne 30"}, {"EB 33", "jmp 79 (exit)"},
    {"EB 2F", "jmp 77 (never)"},
    {"83 F8 65", "cmp eax, 'e'"}, {"75 02", "jne 37"}, {"EB 28", "jmp 77"},
    {"83 F8 2E", "cmp eax, '.'"}, {"75 02", "jne 44"}, {"EB 21", "jmp 77"},
    {"83 F8 68", "cmp eax, 'h'"}, {"75 02", "jne 51"}, {"EB 1A", "jmp 77"},
    {"83 F8 62", "cmp eax, 'b'"}, {"75 02", "jne 58"}, {"EB 13", "jmp 77"},
    {"83 F8 79", "cmp eax, 'y'"}, {"75 02", "jne 65"}, {"EB 0C", "jmp 77"},
    {"83 F8 28", "cmp eax, '('"}, {"75 02", "jne 72"}, {"EB 05", "jmp 77"},
    {"83 F8 29", "cmp eax, ')'"}, {"75 00", "jne 77"},
    {"EB B6", "jmp 5 (end of the switch)"},
    {"81 EE imm32", "sub esi, sample (exit step)"},
};

struct KernelTable {
    const Encoding* rows;
    std::size_t count;
};

template <std::size_t N>
constexpr KernelTable table(const Encoding (&rows)[N]) {
    return {rows, N};
}

// The table of each row of the case table, in its order.
const KernelTable ROW_TABLES[] = {
    table(FEW_JUMPS),
    table(MANY_JUMPS),
    table(PAIR_STEP),
    table(ELSEIF),
    table(SWITCH),
    table(FEW_JUMPS),
    table(MANY_JUMPS),
};
static_assert(std::size(ROW_TABLES) == BENCH_CASE_COUNT);

std::vector<std::uint8_t> expected_bytes(const KernelTable& kernel, const void* sample) {
    const auto address = reinterpret_cast<std::uintptr_t>(sample);
    std::vector<std::uint8_t> bytes;
    for (std::size_t row = 0; row < kernel.count; ++row) {
        std::istringstream fields(kernel.rows[row].bytes);
        for (std::string field; fields >> field;) {
            if (field == "imm32") {
                for (int shift = 0; shift < 32; shift += 8) bytes.push_back((address >> shift) & 0xFF);
            } else {
                bytes.push_back(static_cast<std::uint8_t>(std::stoul(field, nullptr, 16)));
            }
        }
    }
    return bytes;
}

constexpr std::size_t EXIT_STEP_BYTES = 6;

std::vector<std::uint8_t> laid_out_bytes(const BenchCase& bench_case) {
    const std::size_t size = *bench_case.code_bytes + EXIT_STEP_BYTES;
    return {bench_case.entry, bench_case.entry + size};
}

std::uint32_t read_u32(const std::uint8_t* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

TEST(LaidOutKernels, EveryCopyIsExactlyItsTable) {
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const BenchCase& bench_case = bench_cases[row];
        const std::vector<std::uint8_t> expected = expected_bytes(ROW_TABLES[row], bench_case.sample);
        EXPECT_EQ(laid_out_bytes(bench_case), expected) << "row " << row + 1;
        EXPECT_EQ(*bench_case.code_bytes, expected.size() - EXIT_STEP_BYTES) << "row " << row + 1;
    }
}

TEST(LaidOutKernels, CodeBytesOfEveryRow) {
    const std::uint32_t expected[] = {66, 66, 78, 78, 79, 66, 66};
    static_assert(std::size(expected) == BENCH_CASE_COUNT);
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        EXPECT_EQ(*bench_cases[row].code_bytes, expected[row]) << "row " << row + 1;
    }
}

// Rows 1 and 6 (few jumps) and rows 2 and 7 (many jumps) are copies of one kernel over
// the two samples: they differ in the sample address and nowhere else.
TEST(LaidOutKernels, CopiesOfOneKernelDifferOnlyInTheSampleAddress) {
    for (const auto& [long_row, short_row] : {std::pair{0u, 5u}, std::pair{1u, 6u}}) {
        std::vector<std::uint8_t> long_copy = laid_out_bytes(bench_cases[long_row]);
        std::vector<std::uint8_t> short_copy = laid_out_bytes(bench_cases[short_row]);
        ASSERT_EQ(long_copy.size(), short_copy.size());
        const std::size_t exit_immediate = long_copy.size() - 4;
        EXPECT_EQ(read_u32(&long_copy[1]), reinterpret_cast<std::uintptr_t>(long_sample));
        EXPECT_EQ(read_u32(&short_copy[1]), reinterpret_cast<std::uintptr_t>(short_sample));
        EXPECT_EQ(read_u32(&long_copy[exit_immediate]), read_u32(&long_copy[1]));
        EXPECT_EQ(read_u32(&short_copy[exit_immediate]), read_u32(&short_copy[1]));
        for (std::size_t at : {std::size_t{1}, exit_immediate}) {
            std::memset(&long_copy[at], 0, 4);
            std::memset(&short_copy[at], 0, 4);
        }
        EXPECT_EQ(long_copy, short_copy);
    }
}

// In each meter instance the kernel copy starts on a 16-byte boundary and is followed at
// once by the loop control, whose short jump goes back to the copy's entry label.
TEST(MeterLayout, TimedLoopIsTheCopyAndTheLoopControl) {
    const auto counter = reinterpret_cast<std::uintptr_t>(&loop_counter);
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const BenchCase& bench_case = bench_cases[row];
        const std::uint8_t* entry = bench_case.entry;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(entry) % 16, 0u) << "row " << row + 1;
        const std::uint8_t* control = entry + *bench_case.code_bytes + EXIT_STEP_BYTES;
        EXPECT_EQ(control[0], 0x83);  // sub dword [loop_counter], 1
        EXPECT_EQ(control[1], 0x2D);
        EXPECT_EQ(read_u32(control + 2), counter);
        EXPECT_EQ(control[6], 0x01);
        EXPECT_EQ(control[7], 0x75);  // jne entry
        EXPECT_EQ(control + 9 + static_cast<std::int8_t>(control[8]), entry) << "row " << row + 1;
    }
}

// Just before the timed interval the calibration loop runs the same loop control alone,
// also from a 16-byte boundary.
TEST(MeterLayout, CalibrationLoopIsTheLoopControlAlone) {
    const auto counter = reinterpret_cast<std::uintptr_t>(&loop_counter);
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const auto* routine = reinterpret_cast<const std::uint8_t*>(bench_cases[row].measure_cycles);
        std::size_t found = 0;
        for (const std::uint8_t* at = routine; at < bench_cases[row].entry; ++at) {
            if (at[0] == 0x83 && at[1] == 0x2D && read_u32(at + 2) == counter && at[6] == 0x01 &&
                at[7] == 0x75 && at[8] == 0xF7) {
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(at) % 16, 0u) << "row " << row + 1;
                ++found;
            }
        }
        EXPECT_EQ(found, 1u) << "row " << row + 1;
    }
}

}  // namespace
