// The self-check's laid-out code, read back from its own meter instances: each copy is its
// entry, its adds and its exit step, and its two loops share one loop control, the near
// jump back wherever the kernel is beyond the short one.
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/samples.hpp"
#include "meter/cycle_meter.hpp"
#include "selfcheck/selfcheck_cases.hpp"

namespace {

constexpr std::size_t EXIT_STEP_BYTES = 6;

struct ExpectedCopy {
    std::int32_t chain_length;
    std::uint32_t code_bytes;
    bool near_loop_back;
};

constexpr ExpectedCopy EXPECTED_COPIES[] = {
    {0, 5, false},
    {500, 1505, true},
    {1000, 3005, true},
    {2000, 6005, true},
};
static_assert(std::size(EXPECTED_COPIES) == SELFCHECK_CASE_COUNT);

std::uint32_t read_u32(const std::uint8_t* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

void append_u32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back((value >> shift) & 0xFF);
}

// BE imm32 (mov esi, sample), chain_length times 83 C0 01 (add eax, 1), 81 EE imm32
// (sub esi, sample).
std::vector<std::uint8_t> expected_bytes(std::int32_t chain_length) {
    const auto sample = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(long_sample));
    std::vector<std::uint8_t> bytes{0xBE};
    append_u32(bytes, sample);
    for (std::int32_t i = 0; i < chain_length; ++i) bytes.insert(bytes.end(), {0x83, 0xC0, 0x01});
    bytes.insert(bytes.end(), {0x81, 0xEE});
    append_u32(bytes, sample);
    return bytes;
}

// The meter's loop control at `control`: sub dword [loop_counter], 1, then jne back to
// `head`, as 75 rel8 or as 0F 85 rel32. Addresses are compared as 32-bit numbers, which
// wrap as the jump's displacement does.
bool is_loop_control(const std::uint8_t* control, const std::uint8_t* head, bool near_loop_back) {
    const auto address = [](const void* p) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
    };
    if (control[0] != 0x83 || control[1] != 0x2D ||
        read_u32(control + 2) != address(&loop_counter) || control[6] != 0x01)
        return false;
    if (near_loop_back) {
        return control[7] == 0x0F && control[8] == 0x85 &&
               address(control) + 13 + read_u32(control + 9) == address(head);
    }
    const auto displacement = static_cast<std::uint32_t>(static_cast<std::int8_t>(control[8]));
    return control[7] == 0x75 && address(control) + 9 + displacement == address(head);
}

TEST(SyntheticKernels, EveryCopyIsItsEntryAddsAndExitStep) {
    for (std::size_t row = 0; row < SELFCHECK_CASE_COUNT; ++row) {
        const SelfcheckCase& copy = selfcheck_cases[row];
        const ExpectedCopy& expected = EXPECTED_COPIES[row];
        EXPECT_EQ(copy.chain_length, expected.chain_length) << "row " << row + 1;
        EXPECT_EQ(*copy.code_bytes, expected.code_bytes) << "row " << row + 1;
        const std::vector<std::uint8_t> laid_out(copy.entry,
                                                 copy.entry + *copy.code_bytes + EXIT_STEP_BYTES);
        EXPECT_EQ(laid_out, expected_bytes(expected.chain_length)) << "row " << row + 1;
    }
}

// The timed loop is the copy from a 16-byte boundary and then the loop control back to
// the entry; the calibration loop before it is that same control alone, from a 16-byte
// boundary, jumping back to itself in the same form.
TEST(SyntheticKernels, BothLoopsShareTheLoopControlOfTheirForm) {
    for (std::size_t row = 0; row < SELFCHECK_CASE_COUNT; ++row) {
        const SelfcheckCase& copy = selfcheck_cases[row];
        const bool near_loop_back = EXPECTED_COPIES[row].near_loop_back;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(copy.entry) % 16, 0u) << "row " << row + 1;
        EXPECT_TRUE(is_loop_control(copy.entry + *copy.code_bytes + EXIT_STEP_BYTES, copy.entry,
                                    near_loop_back))
            << "row " << row + 1;
        std::size_t calibration_loops = 0;
        const auto* routine = reinterpret_cast<const std::uint8_t*>(copy.measure_ticks);
        for (const std::uint8_t* at = routine; at < copy.entry; ++at) {
            if (is_loop_control(at, at, near_loop_back)) {
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(at) % 16, 0u) << "row " << row + 1;
                ++calibration_loops;
            }
        }
        EXPECT_EQ(calibration_loops, 1u) << "row " << row + 1;
    }
}

// The kernels read nothing, so every run gives scan_length 0; each instance runs its
// loops down to a counter of zero.
TEST(SyntheticKernels, MeterInstancesGiveScanLengthZero) {
    for (std::size_t row = 0; row < SELFCHECK_CASE_COUNT; ++row) {
        EXPECT_EQ(selfcheck_cases[row].measure_ticks(), 0u) << "row " << row + 1;
        EXPECT_EQ(loop_counter, 0u);
    }
}

}  // namespace
