// The kernels' test copies (kernel_test_copies.S) and a plain statement of what a scan
// gives, for comparing them with.
#pragma once

#include <cstdint>
#include <string_view>

extern "C" {
extern unsigned char test_text[];
extern const std::uint32_t test_text_bytes;
#define LAYOUT(name, kernel, stop, purpose) std::uint32_t scan_##name();
#include "kernels/layouts.def"
#undef LAYOUT
}

// A returned value that means the copy changed a register it must leave alone.
inline constexpr std::uint32_t CONTRACT_BROKEN = 0xFFFFFFFFu;

struct KernelUnderTest {
    const char* name;
    std::uint32_t (*scan)();
    bool ends_at_blank;  // its stop rule: a blank (0x20) ends a scan too
};

// A test copy of every layout, in the layout list's order.
inline constexpr KernelUnderTest KERNELS_UNDER_TEST[] = {
#define LAYOUT(name, kernel, stop, purpose) \
    {#name, scan_##name, std::string_view(#stop) == "nul_blank"},
#include "kernels/layouts.def"
#undef LAYOUT
};

// Lays `text` into the test buffer (followed by zero bytes) and scans it once.
std::uint32_t scan_text(const KernelUnderTest& kernel, std::string_view text);

// What a scan returns: the index of the byte that ends it, plus one. The terminator ends
// every scan; the switch layout's first case also takes the blank, which the forcing of
// bit 0x20 makes of 0x00 as well.
std::uint32_t expected_scan_length(std::string_view text, bool ends_at_blank);
