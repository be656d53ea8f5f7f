// The kernels' test copies (kernel_test_copies.S) and a plain statement of what a scan
// gives, for comparing them with.
#pragma once

#include <cstdint>
#include <string_view>

extern "C" {
extern unsigned char test_text[];
extern const std::uint32_t test_text_bytes;
#define BENCH_CASE(layout, sample, kernel, label) std::uint32_t scan_##layout##_##sample();
#include "run/bench_cases.def"
#undef BENCH_CASE
}

// A returned value that means the copy changed a register it must leave alone.
inline constexpr std::uint32_t CONTRACT_BROKEN = 0xFFFFFFFFu;

struct KernelUnderTest {
    const char* name;
    std::uint32_t (*scan)();
    bool ends_at_blank;  // the switch layout also ends at 0x20
};

// A test copy of every row's kernel, in the case table's order.
inline constexpr KernelUnderTest KERNELS_UNDER_TEST[] = {
#define BENCH_CASE(layout, sample, kernel, label) \
    {#layout "_" #sample, scan_##layout##_##sample, std::string_view(#layout) == "switch"},
#include "run/bench_cases.def"
#undef BENCH_CASE
};

// Lays `text` into the test buffer (followed by zero bytes) and scans it once.
std::uint32_t scan_text(const KernelUnderTest& kernel, std::string_view text);

// What a scan returns: the index of the byte that ends it, plus one. The terminator ends
// every scan; the switch layout's first case also takes the blank, which the forcing of
// bit 0x20 makes of 0x00 as well.
std::uint32_t expected_scan_length(std::string_view text, bool ends_at_blank);
