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
    bool from_file = false;
    // A file's text ends at its first NUL byte, if it has one: then stopped_at_nul, and
    // file_bytes is the file's whole size (the NUL is at byte `length` of it).
    bool stopped_at_nul = false;
    std::size_t file_bytes = 0;
};

// Lays the built-in long sample into the buffer.
ToolText use_long_sample();

// Lays the bytes of the file at `path`, up to its first NUL byte, into the buffer, with a
// terminator after them; where a NUL came before the file's end, the text says so
// (stopped_at_nul, file_bytes). False, with a one-line reason naming the file in `error` and the
// buffer untouched, when the file cannot be read, holds no text before a NUL, or holds
// more than TOOL_TEXT_MAX_BYTES.
bool use_text_file(const char* path, ToolText& text, std::string& error);

// The text in one line for the tools' context: "text: NAME, N bytes", and where a NUL
// ended a file's text early, " (stopped at a NUL at byte N of M)".
std::string describe_text(const ToolText& text);

// The text's name for headings and the profile's sample column: "long" for the built-in
// long sample, else the file's name without its folders.
std::string text_label(const ToolText& text);

// FNV-1a, 64 bits.
std::uint64_t text_hash(const unsigned char* bytes, std::size_t length);

// Each layout's copy over the buffer, in the layout list's order, as a BenchCase without a
// meter instance (label and measure_cycles are null): its name is "<layout>/long".
extern const BenchCase text_copies[LAYOUT_COUNT];
