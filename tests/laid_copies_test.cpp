// The stats tool's kernel copies laid afresh at random places (meter/laid_copies.hpp): the
// laid bytes are the built copy's with every address field set for the new place, the
// laid copy runs as the built one, keeps its offset in the 64-byte line, and the places
// spread over the range. Swept over every copy (layout, sample, offset) and the A/A twin.
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "meter/laid_copies.hpp"
#include "platform/code_pages.hpp"
#include "stats/placed_cases.hpp"

namespace {

std::vector<const BenchCase*> stats_copies() {
    std::vector<const BenchCase*> copies;
    for (const PlacedCase& placed : placed_cases) copies.push_back(&placed.copy);
    copies.push_back(&twin_case.copy);
    return copies;
}

std::uintptr_t address(const void* at) { return reinterpret_cast<std::uintptr_t>(at); }

std::uint32_t read32(const unsigned char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

class LaidCopies : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(open_copy_places(places, 20261210)); }
    void TearDown() override { close_copy_places(places); }
    CopyPlaces places;
};

// What the assembler laid for every copy: its unit is its routine, holds the kernel, and
// names every field within its bytes; the kernel's sample fields (entry and exit step) are
// among them; a table kernel's unit carries the table.
TEST(CopyUnits, DescribeEveryStatsCopy) {
    for (const BenchCase* copy : stats_copies()) {
        SCOPED_TRACE(copy->name);
        const CopyUnit* unit = copy->unit;
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(address(unit->code), address(reinterpret_cast<const void*>(copy->measure_cycles)));
        EXPECT_GE(copy->entry, unit->code);
        EXPECT_LE(copy->exit + 6, unit->code + unit->code_bytes);
        std::set<std::uint32_t> absolute;
        for (std::uint32_t i = 0; i < unit->fixup_count; ++i) {
            const CopyFixup& fixup = unit->fixups[i];
            const std::uint32_t bytes =
                fixup.kind == FIXUP_DATA_ABS32_CODE ? unit->data_bytes : unit->code_bytes;
            EXPECT_LE(fixup.offset + 4, bytes) << "fix-up " << i;
            EXPECT_GE(fixup.kind, 1u);
            EXPECT_LE(fixup.kind, 4u);
            if (fixup.kind == FIXUP_ABS32_OUT) absolute.insert(fixup.offset);
        }
        // mov esi, sample (BE imm32) and sub esi, sample (81 EE imm32).
        EXPECT_TRUE(absolute.count(static_cast<std::uint32_t>(copy->entry + 1 - unit->code)));
        EXPECT_TRUE(absolute.count(static_cast<std::uint32_t>(copy->exit + 2 - unit->code)));
        const std::string name = copy->name;
        const bool has_table = name.starts_with("jump_table/") || name.starts_with("class_table/");
        EXPECT_EQ(unit->data != nullptr, has_table);
        EXPECT_EQ(unit->data_bytes, name.starts_with("jump_table/") ? 1024u : has_table ? 256u : 0u);
    }
}

// The laid bytes equal the built ones but at the fix-ups, and each fix-up names, from the
// new place, what the built field named: the same outside target, the laid data, the laid
// code.
TEST_F(LaidCopies, BytesAreTheBuiltOnesWithEveryAddressSetRight) {
    for (const BenchCase* copy : stats_copies()) {
        SCOPED_TRACE(copy->name);
        LaidCopy laid;
        ASSERT_TRUE(lay_copy(places, *copy, laid));
        const CopyUnit& unit = *copy->unit;
        std::vector<bool> code_field(unit.code_bytes), data_field(unit.data_bytes);
        for (std::uint32_t i = 0; i < unit.fixup_count; ++i) {
            const CopyFixup& fixup = unit.fixups[i];
            SCOPED_TRACE("fix-up " + std::to_string(i) + " kind " + std::to_string(fixup.kind));
            const bool in_data = fixup.kind == FIXUP_DATA_ABS32_CODE;
            const unsigned char* built_field = (in_data ? unit.data : unit.code) + fixup.offset;
            const unsigned char* laid_field = (in_data ? laid.data : laid.code) + fixup.offset;
            for (int b = 0; b < 4; ++b) (in_data ? data_field : code_field)[fixup.offset + b] = true;
            const std::uint32_t built = read32(built_field), now = read32(laid_field);
            switch (fixup.kind) {
            case FIXUP_ABS32_OUT:
                EXPECT_EQ(now, built);
                break;
            case FIXUP_REL32_OUT:
                EXPECT_EQ(address(laid_field) + static_cast<std::int32_t>(now),
                          address(built_field) + static_cast<std::int32_t>(built));
                break;
            case FIXUP_ABS32_DATA:
                ASSERT_NE(laid.data, nullptr);
                EXPECT_EQ(now - address(laid.data), built - address(unit.data));
                EXPECT_LT(now - address(laid.data), unit.data_bytes);
                break;
            case FIXUP_DATA_ABS32_CODE:
                EXPECT_EQ(now - address(laid.code), built - address(unit.code));
                EXPECT_LT(now - address(laid.code), unit.code_bytes);
                break;
            default:
                ADD_FAILURE();
            }
        }
        for (std::uint32_t b = 0; b < unit.code_bytes; ++b)
            if (!code_field[b]) {
                ASSERT_EQ(laid.code[b], unit.code[b]) << "code byte " << b;
            }
        for (std::uint32_t b = 0; b < unit.data_bytes; ++b)
            if (!data_field[b]) {
                ASSERT_EQ(laid.data[b], unit.data[b]) << "data byte " << b;
            }
        // Where the built copy is, by the laid copy's own BenchCase.
        EXPECT_EQ(laid.copy.entry - laid.code, copy->entry - unit.code);
        EXPECT_EQ(laid.copy.exit - laid.code, copy->exit - unit.code);
        EXPECT_EQ(laid.copy.code_bytes, copy->code_bytes);
        EXPECT_STREQ(laid.copy.name, copy->name);
        unlay_copy(places, laid);
    }
}

// Laid anywhere, a copy keeps its kernel's offset in the 64-byte line, and within one
// 4-KiB page as the built one lies; its reported place is its entry's.
TEST_F(LaidCopies, KeepTheLineOffsetAndThePage) {
    for (const BenchCase* copy : stats_copies()) {
        SCOPED_TRACE(copy->name);
        const CopyUnit& unit = *copy->unit;
        ASSERT_LE(address(unit.code) % CODE_PAGE_BYTES + unit.code_bytes, CODE_PAGE_BYTES);
        LaidCopy laid;
        for (int round = 0; round < 8; ++round) {
            ASSERT_TRUE(lay_copy(places, *copy, laid));
            EXPECT_EQ(address(laid.copy.entry) % 64, address(copy->entry) % 64);
            EXPECT_EQ(address(laid.code) / CODE_PAGE_BYTES,
                      (address(laid.code) + unit.code_bytes - 1) / CODE_PAGE_BYTES);
            EXPECT_EQ(laid.entry_page_offset, address(laid.copy.entry) % CODE_PAGE_BYTES);
            if (laid.data != nullptr) {
                EXPECT_EQ(address(laid.data) % 64, address(unit.data) % 64);
            }
            if (sizeof(void*) == 8) {  // the tables' and samples' absolute addresses reach
                const std::uintptr_t end = address(laid.pages) + laid.page_count * CODE_PAGE_BYTES;
                EXPECT_LE(end, std::uintptr_t{1} << 31);
            }
        }
        unlay_copy(places, laid);
    }
}

// Every laid copy runs and gives the built copy's scan_length.
TEST_F(LaidCopies, RunAsTheBuiltCopy) {
    const std::uint32_t runs = stats_long_runs;
    stats_long_runs = 3;
    for (const BenchCase* copy : stats_copies()) {
        SCOPED_TRACE(copy->name);
        LaidCopy laid;
        ASSERT_TRUE(lay_copy(places, *copy, laid));
        EXPECT_EQ(laid.copy.measure_cycles(), copy->measure_cycles());
        unlay_copy(places, laid);
    }
    stats_long_runs = runs;
}

// Many layings of one copy fall on many pages and many lines of a page; laying every copy
// afresh gives each pages of its own, and the range holds no page more than they do.
TEST_F(LaidCopies, SpreadOverPagesAndLines) {
    const BenchCase& copy = placed_cases[1].copy;
    LaidCopy laid;
    std::set<std::uintptr_t> pages, lines;
    for (int round = 0; round < 200; ++round) {
        ASSERT_TRUE(lay_copy(places, copy, laid));
        pages.insert(address(laid.code) / CODE_PAGE_BYTES);
        lines.insert(address(laid.code) % CODE_PAGE_BYTES / 64);
    }
    unlay_copy(places, laid);
    EXPECT_GE(pages.size(), 190u);
    // A copy under 512 bytes has at least 56 lines to start on.
    EXPECT_GE(lines.size(), 40u);

    std::vector<LaidCopy> all(stats_copies().size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i].built = stats_copies()[i];
    for (int round = 0; round < 10; ++round) {
        ASSERT_TRUE(lay_all_afresh(places, all));
        std::set<std::uintptr_t> held;
        std::size_t page_count = 0;
        for (const LaidCopy& one : all) {
            ASSERT_NE(one.pages, nullptr);
            for (std::size_t p = 0; p < one.page_count; ++p)
                EXPECT_TRUE(held.insert(address(one.pages) / CODE_PAGE_BYTES + p).second);
            page_count += one.page_count;
        }
        std::size_t used = 0;
        for (bool page : places.used) used += page;
        EXPECT_EQ(used, page_count);
    }
    for (LaidCopy& one : all) unlay_copy(places, one);
    std::size_t used = 0;
    for (bool page : places.used) used += page;
    EXPECT_EQ(used, 0u);
}

// What cannot be laid soundly is refused, and nothing stays laid: a copy without a unit, a
// field outside its bytes, an unknown kind, a field naming data the unit does not have.
TEST_F(LaidCopies, RefuseWhatCannotBeLaid) {
    const BenchCase& copy = placed_cases[0].copy;
    BenchCase without_unit = copy;
    without_unit.unit = nullptr;
    LaidCopy laid;
    EXPECT_FALSE(lay_copy(places, without_unit, laid));

    CopyUnit unit = *copy.unit;
    BenchCase broken = copy;
    broken.unit = &unit;
    // few_jumps has no data of its own for a field to name.
    for (CopyFixup bad : {CopyFixup{FIXUP_ABS32_OUT, unit.code_bytes - 3}, CopyFixup{9, 0},
                          CopyFixup{FIXUP_ABS32_DATA, 1}}) {
        std::vector<CopyFixup> fixups(copy.unit->fixups, copy.unit->fixups + copy.unit->fixup_count);
        fixups.push_back(bad);
        unit.fixups = fixups.data();
        unit.fixup_count = static_cast<std::uint32_t>(fixups.size());
        EXPECT_FALSE(lay_copy(places, broken, laid));
        EXPECT_EQ(laid.pages, nullptr);
    }
    for (bool page : places.used) ASSERT_FALSE(page);
}

}  // namespace
