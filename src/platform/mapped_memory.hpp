// What this process has mapped: every range of its address space that can be read, and
// whether it can be written, in address order. One implementation per target beside this header
// (linux/, windows/). Used to show an emulator the process's own memory at its own
// addresses; the ranges are read at the call and may change after it.
#pragma once

#include <cstdint>
#include <vector>

struct MappedRange {
    std::uintptr_t start = 0;  // page-aligned
    std::uintptr_t end = 0;    // one past the last byte, page-aligned
    bool writable = false;
};

// Empty where the system would not say.
std::vector<MappedRange> readable_ranges();
