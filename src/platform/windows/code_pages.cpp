// Code pages on Windows: the range is reserved address space (MEM_RESERVE); opening commits
// pages in it (fresh and zero after a decommit), sealing is VirtualProtect and
// FlushInstructionCache, releasing decommits them and keeps the place reserved.
#include "platform/code_pages.hpp"

#include <windows.h>

namespace {

// Reservations start on the allocation granularity, 64 KiB.
constexpr std::uintptr_t GRANULE = 65536;

}  // namespace

unsigned char* reserve_code_range(std::size_t bytes, std::uintptr_t lowest,
                                  std::uintptr_t highest) {
    if (bytes == 0 || bytes % CODE_PAGE_BYTES != 0) return nullptr;
    if (lowest == 0 && highest == UINTPTR_MAX)
        return static_cast<unsigned char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS));
    const std::uintptr_t first = (lowest + GRANULE - 1) / GRANULE * GRANULE;
    const std::uintptr_t stride = (bytes + GRANULE - 1) / GRANULE * GRANULE;
    if (first < lowest || highest < first || highest - first < bytes) return nullptr;
    return reserve_middle_outward(first, (highest - first - bytes) / stride + 1, stride,
                                  [&](std::uintptr_t place) -> unsigned char* {
                                      void* at = reinterpret_cast<void*>(place);
                                      void* got = VirtualAlloc(at, bytes, MEM_RESERVE, PAGE_NOACCESS);
                                      if (got == at) return static_cast<unsigned char*>(got);
                                      if (got != nullptr) VirtualFree(got, 0, MEM_RELEASE);
                                      return nullptr;
                                  });
}

void free_code_range(unsigned char* range, std::size_t) {
    if (range != nullptr) VirtualFree(range, 0, MEM_RELEASE);
}

bool open_code_pages(unsigned char* at, std::size_t bytes) {
    return VirtualAlloc(at, bytes, MEM_COMMIT, PAGE_READWRITE) == at;
}

bool seal_code_pages(unsigned char* at, std::size_t bytes, bool executable) {
    DWORD before = 0;
    if (!VirtualProtect(at, bytes, executable ? PAGE_EXECUTE_READ : PAGE_READONLY, &before))
        return false;
    return FlushInstructionCache(GetCurrentProcess(), at, bytes) != 0;
}

bool release_code_pages(unsigned char* at, std::size_t bytes) {
    return VirtualFree(at, bytes, MEM_DECOMMIT) != 0;
}
