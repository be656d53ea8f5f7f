#include "meter/laid_copies.hpp"

#include <cstring>
#include <limits>

#include "platform/code_pages.hpp"

namespace {

constexpr std::uintptr_t LINE_BYTES = 64;
constexpr bool MODE_64 = sizeof(void*) == 8;
// 64-bit mode: the highest a laid byte may lie, so that its 32-bit absolute addresses
// (sign-extended as a disp32, zero-extended by mov eax) still name it.
constexpr std::uintptr_t BELOW_2_GIB = std::uintptr_t{1} << 31;

// splitmix64: a small generator whose stream a seed fixes on every target.
std::uint64_t next_random(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

std::size_t random_below(std::uint64_t& state, std::size_t bound) {
    return static_cast<std::size_t>(next_random(state) % bound);
}

std::size_t pages_for(std::size_t bytes) {
    return (bytes + CODE_PAGE_BYTES - 1) / CODE_PAGE_BYTES;
}

// The first of `count` free pages in a row, drawn at random; the range's size if none.
std::size_t find_free_pages(CopyPlaces& places, std::size_t count) {
    const std::size_t pages = places.used.size();
    if (count == 0 || count > pages) return pages;
    const std::size_t starts = pages - count + 1;
    auto free_at = [&](std::size_t first) {
        for (std::size_t p = first; p < first + count; ++p)
            if (places.used[p]) return false;
        return true;
    };
    for (int attempt = 0; attempt < 64; ++attempt) {
        const std::size_t first = random_below(places.random, starts);
        if (free_at(first)) return first;
    }
    // A crowded range: the first free run from a random start on, round to the start.
    const std::size_t from = random_below(places.random, starts);
    for (std::size_t k = 0; k < starts; ++k) {
        const std::size_t first = (from + k) % starts;
        if (free_at(first)) return first;
    }
    return pages;
}

std::int64_t as_number(const void* at) {
    return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(at));
}

std::uint32_t read32(const unsigned char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

void write32(unsigned char* at, std::uint32_t value) { std::memcpy(at, &value, 4); }

// An absolute address as a 32-bit field can name it: in 64-bit mode a disp32 is
// sign-extended, so below 2 GiB.
bool fits_absolute(std::uint64_t address) {
    return address <= (MODE_64 ? std::uint64_t{BELOW_2_GIB - 1} : std::uint64_t{0xFFFFFFFFu});
}

// Sets every address field of the unit's bytes, copied to `code` and `data`, for their new
// places. False where a field lies outside its bytes, has an unknown kind or cannot reach.
bool apply_fixups(const CopyUnit& unit, unsigned char* code, unsigned char* data) {
    // Signed distances: pointers as 64-bit numbers on either mode.
    const std::int64_t code_moved = as_number(code) - as_number(unit.code);
    const std::int64_t data_moved = as_number(data) - as_number(unit.data);
    for (std::uint32_t i = 0; i < unit.fixup_count; ++i) {
        const CopyFixup& fixup = unit.fixups[i];
        const bool in_data = fixup.kind == FIXUP_DATA_ABS32_CODE;
        const std::uint32_t bytes = in_data ? unit.data_bytes : unit.code_bytes;
        if (bytes < 4 || fixup.offset > bytes - 4) return false;
        if ((fixup.kind == FIXUP_ABS32_DATA || in_data) && unit.data == nullptr) return false;
        unsigned char* field = (in_data ? data : code) + fixup.offset;
        const std::uint32_t built = read32(field);
        switch (fixup.kind) {
        case FIXUP_ABS32_OUT:
            break;
        case FIXUP_REL32_OUT: {
            // In 32-bit mode EIP wraps at 4 GiB, and so may the displacement.
            const std::int64_t moved = static_cast<std::int32_t>(built) - code_moved;
            if (MODE_64 && (moved < std::numeric_limits<std::int32_t>::min() ||
                            moved > std::numeric_limits<std::int32_t>::max()))
                return false;
            write32(field, static_cast<std::uint32_t>(moved));
            break;
        }
        case FIXUP_ABS32_DATA:
        case FIXUP_DATA_ABS32_CODE: {
            const std::int64_t moved = fixup.kind == FIXUP_ABS32_DATA ? data_moved : code_moved;
            const std::uint64_t address = std::uint64_t{built} + static_cast<std::uint64_t>(moved);
            if (!fits_absolute(address)) return false;
            write32(field, static_cast<std::uint32_t>(address));
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

void mark_pages(CopyPlaces& places, const LaidCopy& laid, bool used) {
    const std::size_t first = static_cast<std::size_t>(laid.pages - places.range) / CODE_PAGE_BYTES;
    for (std::size_t p = first; p < first + laid.page_count; ++p) places.used[p] = used;
}

}  // namespace

bool open_copy_places(CopyPlaces& places, std::uint64_t seed) {
    places = CopyPlaces{};
    if (MODE_64) {
        // Near the program, which must lie below 2 GiB itself for its copies to reach it.
        const auto program = reinterpret_cast<std::uintptr_t>(&lay_copy);
        if (program >= BELOW_2_GIB) return false;
        places.range = reserve_code_range(COPY_PLACES_BYTES, program, BELOW_2_GIB);
    } else {
        places.range = reserve_code_range(COPY_PLACES_BYTES, 0, UINTPTR_MAX);
    }
    if (places.range == nullptr) return false;
    places.bytes = COPY_PLACES_BYTES;
    places.used.assign(COPY_PLACES_BYTES / CODE_PAGE_BYTES, false);
    places.random = seed;
    return true;
}

void close_copy_places(CopyPlaces& places) {
    free_code_range(places.range, places.bytes);
    places = CopyPlaces{};
}

void unlay_copy(CopyPlaces& places, LaidCopy& laid) {
    if (laid.pages == nullptr) return;
    release_code_pages(laid.pages, laid.page_count * CODE_PAGE_BYTES);
    mark_pages(places, laid, false);
    const BenchCase* built = laid.built;
    laid = LaidCopy{};
    laid.built = built;
}

bool lay_copy(CopyPlaces& places, const BenchCase& built, LaidCopy& laid) {
    unlay_copy(places, laid);
    const CopyUnit* unit = built.unit;
    if (places.range == nullptr || unit == nullptr || unit->code_bytes == 0 ||
        built.entry < unit->code || built.exit > unit->code + unit->code_bytes)
        return false;

    // The code's line: any that keeps it within its page where the built one is, else any.
    const auto built_code = reinterpret_cast<std::uintptr_t>(unit->code);
    const std::uintptr_t line_offset = built_code % LINE_BYTES;
    const bool one_page = built_code % CODE_PAGE_BYTES + unit->code_bytes <= CODE_PAGE_BYTES;
    const std::size_t lines =
        one_page ? (CODE_PAGE_BYTES - line_offset - unit->code_bytes) / LINE_BYTES + 1
                 : CODE_PAGE_BYTES / LINE_BYTES;
    const std::size_t code_start = random_below(places.random, lines) * LINE_BYTES + line_offset;
    const std::size_t code_pages = pages_for(code_start + unit->code_bytes);
    const bool has_data = unit->data != nullptr;
    const std::size_t data_start = has_data ? as_number(unit->data) % LINE_BYTES : 0;
    const std::size_t data_pages = has_data ? pages_for(data_start + unit->data_bytes) : 0;

    const std::size_t count = code_pages + data_pages;
    const std::size_t first = find_free_pages(places, count);
    if (first == places.used.size()) return false;
    unsigned char* pages = places.range + first * CODE_PAGE_BYTES;
    if (!open_code_pages(pages, count * CODE_PAGE_BYTES)) {
        release_code_pages(pages, count * CODE_PAGE_BYTES);
        return false;
    }
    unsigned char* code = pages + code_start;
    unsigned char* data = has_data ? pages + code_pages * CODE_PAGE_BYTES + data_start : nullptr;
    std::memcpy(code, unit->code, unit->code_bytes);
    if (has_data) std::memcpy(data, unit->data, unit->data_bytes);
    const bool laid_out = apply_fixups(*unit, code, data) &&
                          seal_code_pages(pages, code_pages * CODE_PAGE_BYTES, true) &&
                          (data_pages == 0 ||
                           seal_code_pages(pages + code_pages * CODE_PAGE_BYTES,
                                           data_pages * CODE_PAGE_BYTES, false));
    if (!laid_out) {
        release_code_pages(pages, count * CODE_PAGE_BYTES);
        return false;
    }

    laid.pages = pages;
    laid.page_count = count;
    mark_pages(places, laid, true);
    laid.built = &built;
    laid.code = code;
    laid.data = data;
    laid.copy = built;
    laid.copy.measure_cycles = reinterpret_cast<std::uint32_t (*)()>(code);
    laid.copy.entry = code + (built.entry - unit->code);
    laid.copy.exit = code + (built.exit - unit->code);
    laid.copy.unit = nullptr;
    laid.entry_page_offset =
        static_cast<std::uint32_t>(as_number(laid.copy.entry) % CODE_PAGE_BYTES);
    return true;
}

bool lay_all_afresh(CopyPlaces& places, std::span<LaidCopy> laid) {
    for (LaidCopy& copy : laid) unlay_copy(places, copy);
    for (LaidCopy& copy : laid)
        if (copy.built == nullptr || !lay_copy(places, *copy.built, copy)) return false;
    return true;
}
