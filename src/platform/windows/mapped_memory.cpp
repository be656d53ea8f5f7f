// The process's mappings on Windows: VirtualQuery over the address space, committed regions
// whose protection lets them be read (guard pages are not).
#include "platform/mapped_memory.hpp"

#include <windows.h>

std::vector<MappedRange> readable_ranges() {
    std::vector<MappedRange> ranges;
    MEMORY_BASIC_INFORMATION region;
    std::uintptr_t at = 0;
    while (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == sizeof region) {
        const auto start = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
        const std::uintptr_t end = start + region.RegionSize;
        if (end <= at) break;
        const DWORD protect = region.Protect & 0xff;
        const bool writable = protect == PAGE_READWRITE || protect == PAGE_WRITECOPY ||
                              protect == PAGE_EXECUTE_READWRITE || protect == PAGE_EXECUTE_WRITECOPY;
        const bool executable = protect == PAGE_EXECUTE_READ || protect == PAGE_EXECUTE_READWRITE ||
                                protect == PAGE_EXECUTE_WRITECOPY;
        const bool readable = writable || executable || protect == PAGE_READONLY;
        if (region.State == MEM_COMMIT && readable && (region.Protect & PAGE_GUARD) == 0)
            ranges.push_back({start, end, writable});
        at = end;
    }
    return ranges;
}
