// The benchmark's laid-out code and data, read back from the program's own copies: every
// kernel copy is exactly its layout's instruction table over its sample's address, and
// the samples are the texts their structure says, where the kernels expect them.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "case_lists.hpp"
#include "encodings.hpp"
#include "meter_instances.hpp"
#include "profile/tool_text.hpp"

namespace {

// In the tables, imm32 stands for the sample's address.
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

// Each layout's table, by the layout's name in the case list.
struct LayoutTable {
    std::string_view layout;
    KernelTable table;
};

const LayoutTable LAYOUT_TABLES[] = {
    {"few_jumps", table(FEW_JUMPS)}, {"many_jumps", table(MANY_JUMPS)},
    {"pair_step", table(PAIR_STEP)}, {"elseif", table(ELSEIF)},
    {"switch", table(SWITCH)},
};

const KernelTable* table_of(std::string_view layout) {
    for (const LayoutTable& entry : LAYOUT_TABLES)
        if (entry.layout == layout) return &entry.table;
    return nullptr;
}

// A short jump: EB rel8 or a jcc rel8 (70..7F).
bool is_short_jump(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() == 2 && (bytes[0] == 0xEB || (bytes[0] & 0xF0) == 0x70);
}

// The table's bytes over `sample` as this mode lays them out. The tables hold the 32-bit
// forms; 64-bit mode changes one rule: inc esi (46, a REX prefix there) is FF C6, and so
// every instruction after one lies a byte further on and each short jump's displacement
// follows its target to where the rows now lie.
std::vector<std::uint8_t> expected_bytes(const KernelTable& kernel, const void* sample) {
    const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(sample));
    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<int> table_offsets{0}, laid_offsets{0};  // of each row, and of the end
    for (std::size_t row = 0; row < kernel.count; ++row) {
        std::vector<std::uint8_t> instruction = encoded_bytes(kernel.rows[row].bytes, address);
        table_offsets.push_back(table_offsets.back() + static_cast<int>(instruction.size()));
        if (MODE_64 && instruction == std::vector<std::uint8_t>{0x46}) instruction = {0xFF, 0xC6};
        laid_offsets.push_back(laid_offsets.back() + static_cast<int>(instruction.size()));
        rows.push_back(instruction);
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        std::vector<std::uint8_t>& instruction = rows[row];
        if (is_short_jump(instruction)) {
            const int target = table_offsets[row + 1] + static_cast<std::int8_t>(instruction[1]);
            const auto found = std::find(table_offsets.begin(), table_offsets.end(), target);
            EXPECT_NE(found, table_offsets.end()) << "a jump into an instruction, row " << row;
            if (found == table_offsets.end()) return {};
            const int laid_target = laid_offsets[found - table_offsets.begin()];
            instruction[1] = static_cast<std::uint8_t>(laid_target - laid_offsets[row + 1]);
        }
        bytes.insert(bytes.end(), instruction.begin(), instruction.end());
    }
    return bytes;
}

// Every row's copy, with its exit step, is its layout's table over its own sample; its
// code_bytes and exit label agree with the table's size.
TEST(LaidOutKernels, EveryCopyIsExactlyItsLayoutsTable) {
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const BenchCase& bench_case = bench_cases[row];
        const KernelTable* kernel = table_of(LISTED_BENCH_CASES[row].layout);
        ASSERT_NE(kernel, nullptr) << "no instruction table for the layout of " << bench_case.name;
        const std::vector<std::uint8_t> expected =
            expected_bytes(*kernel, LISTED_BENCH_CASES[row].sample);
        const std::vector<std::uint8_t> laid_out(bench_case.entry,
                                                 bench_case.entry + expected.size());
        EXPECT_EQ(laid_out, expected) << bench_case.name;
        EXPECT_EQ(*bench_case.code_bytes, expected.size() - EXIT_STEP_BYTES) << bench_case.name;
        EXPECT_EQ(bench_case.exit, bench_case.entry + *bench_case.code_bytes) << bench_case.name;
    }
}

// The stats tool's placed copies, all in one sweep: each kernel's entry lies at its offset
// in its 64-byte line, the kernel within one 4-KiB page, and each copy of a layout with an
// instruction table is that table over its own text (the long rows scan the tools' text, the
// short ones the short sample), as the benchmark's copies are.
TEST(PlacedKernels, EveryCopyLiesAtItsOffsetAndIsItsLayoutsTable) {
    std::vector<int> offsets;
    for (const PlacedCase& placed : placed_cases) {
        const BenchCase& copy = placed.copy;
        offsets.push_back(placed.entry_offset);
        const auto entry = reinterpret_cast<std::uintptr_t>(copy.entry);
        EXPECT_EQ(entry % 64, static_cast<std::uintptr_t>(placed.entry_offset)) << copy.name;
        const auto last = reinterpret_cast<std::uintptr_t>(copy.exit) + EXIT_STEP_BYTES - 1;
        EXPECT_EQ(entry / 4096, last / 4096) << copy.name << " straddles a page boundary";
        const bool long_row = placed.row < LAYOUT_COUNT;
        EXPECT_EQ(std::string_view(placed.sample), long_row ? "long" : "short") << copy.name;
        if (long_row) {
            EXPECT_EQ(std::string_view(LAYOUTS[placed.row].name), placed.layout);
        }
        EXPECT_EQ(copy.exit, copy.entry + *copy.code_bytes) << copy.name;
        const KernelTable* kernel = table_of(placed.layout);
        if (kernel == nullptr) continue;  // a layout of the tools alone: its scans are checked
        const std::vector<std::uint8_t> expected = expected_bytes(
            *kernel, long_row ? reinterpret_cast<const char*>(tool_text) : short_sample);
        EXPECT_EQ(std::vector<std::uint8_t>(copy.entry, copy.entry + expected.size()), expected)
            << copy.name;
        EXPECT_EQ(*copy.code_bytes, expected.size() - EXIT_STEP_BYTES) << copy.name;
    }
    // Every row at each of the four offsets.
    std::sort(offsets.begin(), offsets.end());
    std::vector<int> wanted;
    for (int offset : {0, 16, 32, 48}) wanted.insert(wanted.end(), STATS_ROW_COUNT, offset);
    EXPECT_EQ(offsets, wanted);
}

// The A/A control's twin: its copy's bytes, entry at the same line offset, its own place
// within one page.
TEST(PlacedKernels, TheTwinIsItsCopyElsewhere) {
    const PlacedCase* copy = nullptr;
    for (const PlacedCase& placed : placed_cases)
        if (std::string(placed.copy.name) == TWIN_OF) copy = &placed;
    ASSERT_NE(copy, nullptr);
    const BenchCase& twin = twin_case.copy;
    const std::size_t size = *copy->copy.code_bytes + EXIT_STEP_BYTES;
    EXPECT_EQ(*twin.code_bytes, *copy->copy.code_bytes);
    EXPECT_EQ(std::vector<std::uint8_t>(twin.entry, twin.entry + size),
              std::vector<std::uint8_t>(copy->copy.entry, copy->copy.entry + size));
    const auto entry = reinterpret_cast<std::uintptr_t>(twin.entry);
    EXPECT_NE(twin.entry, copy->copy.entry);
    EXPECT_EQ(entry % 64, 0u);
    EXPECT_EQ(entry / 4096, (entry + size - 1) / 4096);
    EXPECT_EQ(twin_case.runs, copy->runs);
}

// long_sample: four times (ten "1234.567h" and one "1234.5678h"), then eleven
// "1234.567h", its NUL and zeros up to 512 bytes; short_sample right after, "1234.567h"
// and zeros. The block starts on a 4096-byte boundary.
TEST(Samples, AreTheirTokensAndZeroTails) {
    std::string long_text;
    for (int group = 0; group < 4; ++group) {
        for (int token = 0; token < 10; ++token) long_text += "1234.567h";
        long_text += "1234.5678h";
    }
    for (int token = 0; token < 11; ++token) long_text += "1234.567h";
    ASSERT_EQ(long_text.size(), 499u);
    long_text.resize(512, '\0');
    EXPECT_EQ(std::string(long_sample, sizeof long_sample), long_text);

    std::string short_text = "1234.567h";
    short_text.resize(sizeof short_sample, '\0');
    EXPECT_EQ(std::string(short_sample, sizeof short_sample), short_text);

    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(long_sample) % 4096, 0u);
    EXPECT_EQ(short_sample, long_sample + 512);
}

}  // namespace
