// Code pages on Linux: the range is an inaccessible anonymous mapping; opening maps fresh
// anonymous pages over part of it (MAP_FIXED, within our own reservation only), sealing is
// mprotect, releasing maps inaccessible pages over it again, which drops the contents and
// keeps the place reserved so that no other mapping takes it.
#include "platform/code_pages.hpp"

#include <sys/mman.h>

namespace {

constexpr int RESERVED = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;

// A mapping at exactly `at` without replacing one already there. Kernels before 4.17 do
// not know MAP_FIXED_NOREPLACE and take it as a hint: a mapping elsewhere is undone.
unsigned char* reserve_at(std::uintptr_t at, std::size_t bytes) {
    void* hint = reinterpret_cast<void*>(at);
    void* got = mmap(hint, bytes, PROT_NONE, RESERVED | MAP_FIXED_NOREPLACE, -1, 0);
    if (got == MAP_FAILED) return nullptr;
    if (got != hint) {
        munmap(got, bytes);
        return nullptr;
    }
    return static_cast<unsigned char*>(got);
}

}  // namespace

unsigned char* reserve_code_range(std::size_t bytes, std::uintptr_t lowest,
                                  std::uintptr_t highest) {
    if (bytes == 0 || bytes % CODE_PAGE_BYTES != 0) return nullptr;
    if (lowest == 0 && highest == UINTPTR_MAX) {
        void* got = mmap(nullptr, bytes, PROT_NONE, RESERVED, -1, 0);
        return got == MAP_FAILED ? nullptr : static_cast<unsigned char*>(got);
    }
    const std::uintptr_t first = (lowest + CODE_PAGE_BYTES - 1) / CODE_PAGE_BYTES * CODE_PAGE_BYTES;
    if (first < lowest || highest < first || highest - first < bytes) return nullptr;
    return reserve_middle_outward(first, (highest - first - bytes) / bytes + 1, bytes,
                                  [&](std::uintptr_t at) { return reserve_at(at, bytes); });
}

void free_code_range(unsigned char* range, std::size_t bytes) {
    if (range != nullptr) munmap(range, bytes);
}

bool open_code_pages(unsigned char* at, std::size_t bytes) {
    const int fresh = MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED;
    return mmap(at, bytes, PROT_READ | PROT_WRITE, fresh, -1, 0) == at;
}

bool seal_code_pages(unsigned char* at, std::size_t bytes, bool executable) {
    if (mprotect(at, bytes, PROT_READ | (executable ? PROT_EXEC : 0)) != 0) return false;
    // x86 keeps instruction fetch coherent with stores; this states the step for the reader
    // and costs nothing there.
    __builtin___clear_cache(reinterpret_cast<char*>(at), reinterpret_cast<char*>(at + bytes));
    return true;
}

bool release_code_pages(unsigned char* at, std::size_t bytes) {
    return mmap(at, bytes, PROT_NONE, RESERVED | MAP_FIXED, -1, 0) == at;
}
