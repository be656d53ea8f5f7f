// The self-check's laid-out code, read back from its own meter instances: each copy is its
// entry, its adds and its exit step (the meter around it is the meter sweep's to check).
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/samples.hpp"
#include "meter/cycle_meter.hpp"
#include "meter_instances.hpp"
#include "selfcheck/selfcheck_cases.hpp"

namespace {

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

TEST(SyntheticKernels, EveryCopyIsItsEntryAddsAndExitStep) {
    for (const SelfcheckCase& selfcheck_case : selfcheck_cases) {
        const BenchCase& copy = selfcheck_case.copy;
        const std::vector<std::uint8_t> expected = expected_bytes(selfcheck_case.chain_length);
        EXPECT_EQ(*copy.code_bytes, expected.size() - EXIT_STEP_BYTES) << copy.name;
        EXPECT_EQ(std::vector<std::uint8_t>(copy.entry, copy.entry + expected.size()), expected)
            << copy.name;
    }
}

// The rows the verdict reads are the chains their names say.
TEST(SyntheticKernels, RowsAreTheChainsTheVerdictReads) {
    EXPECT_EQ(selfcheck_cases[EMPTY_ROW].chain_length, 0);
    EXPECT_EQ(selfcheck_cases[CHAIN_500_ROW].chain_length, 500);
    EXPECT_EQ(selfcheck_cases[CHAIN_1000_ROW].chain_length, 1000);
    EXPECT_EQ(selfcheck_cases[CHAIN_2000_ROW].chain_length, 2000);
}

// The kernels read nothing, so every run gives scan_length 0; each instance runs its
// loops down to a counter of zero.
TEST(SyntheticKernels, MeterInstancesGiveScanLengthZero) {
    for (const SelfcheckCase& selfcheck_case : selfcheck_cases) {
        EXPECT_EQ(selfcheck_case.copy.measure_cycles(), 0u) << selfcheck_case.copy.name;
        EXPECT_EQ(loop_counter, 0u);
    }
}

}  // namespace
