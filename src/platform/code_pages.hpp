// Memory for machine code laid at run time: a range of address space reserved once, whose
// pages are opened writable, filled, then sealed read-only and executable (or read-only,
// for the code's own data), and released again. A page is never writable and executable
// at once. One implementation per target beside this header (linux/, windows/).
#pragma once

#include <cstddef>
#include <cstdint>

// The unit of every call below: x86's small page.
inline constexpr std::size_t CODE_PAGE_BYTES = 4096;

// Reserves `bytes` (a multiple of CODE_PAGE_BYTES) of inaccessible address space lying
// wholly within [lowest, highest), searched from the middle of that window outward;

// The one search both targets' reserve_code_range make inside a window: the places `first +
// k * stride` for k below `places`, from the middle of the window outward (away from the
// program's heap, which grows up from just after the program); the first that `reserve_at`
// reserves, or null.
template <typename ReserveAt>
unsigned char* reserve_middle_outward(std::uintptr_t first, std::uintptr_t places, std::uintptr_t stride,
                                      ReserveAt reserve_at) {
    const std::uintptr_t middle = places / 2;
    for (std::uintptr_t step = 0; step < places; ++step) {
        const std::uintptr_t k = step % 2 == 0 ? middle + step / 2 : middle - (step + 1) / 2;
        if (k >= places) continue;
        if (unsigned char* range = reserve_at(first + k * stride)) return range;
    }
    return nullptr;
}

// lowest 0 and highest UINTPTR_MAX take any place. Null where no place was free.
unsigned char* reserve_code_range(std::size_t bytes, std::uintptr_t lowest,
                                  std::uintptr_t highest);

// Gives back a range reserve_code_range gave, with every page in it.
void free_code_range(unsigned char* range, std::size_t bytes);

// Pages `at` to `at + bytes` of a reserved range (page-aligned): freshly mapped, zero,
// readable and writable, not executable. False where the system refused.
bool open_code_pages(unsigned char* at, std::size_t bytes);

// Opened pages made read-only, and executable where `executable`, with the processor's
// instruction fetch made to see what was written. False where the system refused.
bool seal_code_pages(unsigned char* at, std::size_t bytes, bool executable);

// Pages back to reserved and inaccessible, their contents dropped.
bool release_code_pages(unsigned char* at, std::size_t bytes);
