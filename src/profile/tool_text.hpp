// The text the tools' long-sample copies scan: the built-in long sample, or a user's file
// (--text=FILE), laid into the tools' own buffer (tool_text.S), which every layout's copy
// there scans.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "kernels/layouts.hpp"
#include "meter/bench_case.hpp"
#include "profile/tool_text.h"

extern "C" unsigned char tool_text[];

struct ToolText {
    std::string name;        // "the long sample" or the file's name as given
    std::size_t length = 0;  // bytes before the terminator
    std::uint64_t hash = 0;  // FNV-1a, 64 bits, of those bytes
};

// Lays the built-in long sample into the buffer.
ToolText use_long_sample();

// Lays the bytes of the file at `path`, up to its first NUL byte, into the buffer, with a
// terminator after them. False, with a one-line reason naming the file in `error` and the
// buffer untouched, when the file cannot be read, holds no text before a NUL, or holds
// more than TOOL_TEXT_MAX_BYTES.
bool use_text_file(const char* path, ToolText& text, std::string& error);

// FNV-1a, 64 bits.
std::uint64_t text_hash(const unsigned char* bytes, std::size_t length);

// Each layout's copy over the buffer, in the layout list's order, as a BenchCase without a
// meter instance (label and measure_cycles are null): its name is "<layout>/long".
extern const BenchCase text_copies[LAYOUT_COUNT];
