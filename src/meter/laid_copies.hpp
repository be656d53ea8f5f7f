// Kernel copies laid afresh at random places, so that a tool can sample the place as a
// factor instead of measuring every copy at the one address the build gave it.
//
// A copy is laid from its meter instance's unit (meter/copy_unit.hpp): the built bytes,
// every address field set for the new place, in freshly mapped pages of a range reserved
// for the purpose (platform/code_pages.hpp). The place is a random page of the range and
// a random 64-byte line of that page, at the built code's offset in its line, so that the
// kernel entry keeps its offset in the line; where the built instance lies within one
// 4-KiB page, the laid one does too. The copy's own data (a kernel's table) follows on a
// page of its own, read-only, at its built offset in the line.
//
// 64-bit mode: the meter's variables are reached RIP-relative and the priority routines by
// rel32 calls, and the kernels' tables and samples by 32-bit absolute addresses, so the
// range lies below 2 GiB, near the program (a non-PIE build). Every field is checked to
// reach after the move; a copy that would not is refused, not laid.
//
// Host tools only: the range's page map is a std::vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "meter/bench_case.hpp"

// The range copies are laid in, which of its pages hold one, and the random state.
struct CopyPlaces {
    unsigned char* range = nullptr;
    std::size_t bytes = 0;
    std::vector<bool> used;  // by page
    std::uint64_t random = 0;
};

// The bytes reserved: 65536 pages.
inline constexpr std::size_t COPY_PLACES_BYTES = std::size_t{256} << 20;

struct LaidCopy {
    // Called exactly as the built copy: measure_cycles, entry and exit point into the laid
    // code, label, name and code_bytes are the built copy's; unit is null.
    BenchCase copy;
    const BenchCase* built = nullptr;  // what it is laid from; kept while it is not laid
    unsigned char* pages = nullptr;    // its mapping in the range (code, then data); null: not laid
    std::size_t page_count = 0;
    const unsigned char* code = nullptr;  // the laid instance's first byte
    const unsigned char* data = nullptr;  // its own data, or null
    // The kernel entry's address modulo 4096, for reporting where the copy ran.
    std::uint32_t entry_page_offset = 0;
};

// Reserves the range for this processor mode and seeds the random places with `seed`.
// False where no range could be reserved.
bool open_copy_places(CopyPlaces& places, std::uint64_t seed);

// Gives the range back, with every copy still laid in it (their LaidCopy must not be
// called afterwards).
void close_copy_places(CopyPlaces& places);

// Lays `built` (whose unit must be set) at a fresh random place, releasing `laid`'s old
// place first if it held one. False, with `laid` not laid, where the system refused the
// pages, the range is full, or an address field would not reach from the new place.
bool lay_copy(CopyPlaces& places, const BenchCase& built, LaidCopy& laid);

// Releases a laid copy's pages (it keeps `built`); a copy not laid is left as it is.
void unlay_copy(CopyPlaces& places, LaidCopy& laid);

// Every copy of `laid` afresh from its `built` (set it before the first laying): all
// released first, so that each new place is drawn from the whole range, then each laid
// again. False at the first that failed (it and those after it stay unlaid).
bool lay_all_afresh(CopyPlaces& places, std::span<LaidCopy> laid);
