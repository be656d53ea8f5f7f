// The layouts as C++ sees the layout list (layouts.def): the tools' rows and the tests'
// sweeps are expanded from it, never typed.
#pragma once

#include <cstddef>
#include <string_view>

struct Layout {
    const char* name;    // few_jumps
    bool ends_at_blank;  // the stop rule: a blank (0x20) ends a scan as the terminator does
    const char* purpose;
};

inline constexpr Layout LAYOUTS[] = {
#define LAYOUT(name, kernel, stop, purpose) {#name, std::string_view(#stop) == "nul_blank", purpose},
#include "kernels/layouts.def"
#undef LAYOUT
};
inline constexpr std::size_t LAYOUT_COUNT = sizeof LAYOUTS / sizeof LAYOUTS[0];

