// The kernels' test copies (kernel_test_copies.S) and a plain statement of what a scan
// gives, for comparing them with.
#pragma once

#include <cstdint>
#include <string_view>

extern "C" {
extern unsigned char test_text[];
extern const std::uint32_t test_text_bytes;
std::uint32_t scan_few_jumps();
std::uint32_t scan_many_jumps();
std::uint32_t scan_pair_step();
std::uint32_t scan_elseif();
std::uint32_t scan_switch();
}

// A returned value that means the copy changed a register it must leave alone.
inline constexpr std::uint32_t CONTRACT_BROKEN = 0xFFFFFFFFu;

struct KernelUnderTest {
    const char* name;
    std::uint32_t (*scan)();
    bool ends_at_blank;  // the switch layout also ends at 0x20
};

inline constexpr KernelUnderTest KERNELS_UNDER_TEST[] = {
    {"few_jumps", scan_few_jumps, false},
    {"many_jumps", scan_many_jumps, false},
    {"pair_step", scan_pair_step, false},
    {"elseif", scan_elseif, false},
    {"switch", scan_switch, true},
};

// Lays `text` into the test buffer (followed by zero bytes) and scans it once.
std::uint32_t scan_text(const KernelUnderTest& kernel, std::string_view text);

// What a scan returns: the index of the byte that ends it, plus one. The terminator ends
// every scan; the switch layout's first case also takes the blank, which the forcing of
// bit 0x20 makes of 0x00 as well.
std::uint32_t expected_scan_length(std::string_view text, bool ends_at_blank);
