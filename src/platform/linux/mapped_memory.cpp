// The process's mappings on Linux, from /proc/self/maps: "start-end perms offset dev inode
// path", addresses in hex. The vsyscall page (above the user address space, and not
// readable as memory on most kernels) is passed over.
#include "platform/mapped_memory.hpp"

#include <cinttypes>
#include <cstdio>

std::vector<MappedRange> readable_ranges() {
    std::vector<MappedRange> ranges;
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (maps == nullptr) return ranges;
    char line[512];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        std::uintmax_t start = 0, end = 0;
        char perms[5] = {};
        if (std::sscanf(line, "%" SCNxMAX "-%" SCNxMAX " %4s", &start, &end, perms) != 3) continue;
        if (perms[0] != 'r' || end <= start || end > UINTPTR_MAX) continue;
        if (sizeof(std::uintptr_t) == 8 && start >= (std::uintmax_t{1} << 47)) continue;
        ranges.push_back({static_cast<std::uintptr_t>(start), static_cast<std::uintptr_t>(end),
                          perms[1] == 'w'});
    }
    std::fclose(maps);
    return ranges;
}
