// The processor's counters on Linux: perf_event_open(2), one group of this thread on any
// processor, user space only, so that it needs no privileges at perf_event_paranoid 2. The
// leader is pinned: the kernel then never multiplexes it away silently, it stops counting
// instead (its time_running falls behind time_enabled, which the readings carry).
#include "platform/hardware_counters.hpp"

#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

void describe(CounterEvent event, perf_event_attr& attr) {
    attr.type = PERF_TYPE_HARDWARE;
    switch (event) {
        case CounterEvent::cycles: attr.config = PERF_COUNT_HW_CPU_CYCLES; break;
        case CounterEvent::instructions: attr.config = PERF_COUNT_HW_INSTRUCTIONS; break;
        case CounterEvent::branches: attr.config = PERF_COUNT_HW_BRANCH_INSTRUCTIONS; break;
        case CounterEvent::branch_misses: attr.config = PERF_COUNT_HW_BRANCH_MISSES; break;
        case CounterEvent::task_clock:
            attr.type = PERF_TYPE_SOFTWARE;
            attr.config = PERF_COUNT_SW_TASK_CLOCK;
            break;
    }
}

}  // namespace

bool open_counters(const CounterEvent* events, std::size_t count, CounterGroup& group,
                   std::string& reason) {
    close_counters(group);
    if (count == 0 || count > MAX_COUNTERS) {
        reason = "1 to 4 events in a group";
        return false;
    }
    for (std::size_t index = 0; index < count; ++index) {
        perf_event_attr attr;
        std::memset(&attr, 0, sizeof attr);
        attr.size = sizeof attr;
        describe(events[index], attr);
        attr.exclude_kernel = 1;
        attr.exclude_hv = 1;
        attr.read_format =
            PERF_FORMAT_GROUP | PERF_FORMAT_TOTAL_TIME_ENABLED | PERF_FORMAT_TOTAL_TIME_RUNNING;
        attr.pinned = index == 0;
        const int leader = index == 0 ? -1 : group.handles[0];
        const long handle = syscall(SYS_perf_event_open, &attr, 0, -1, leader, 0L);
        if (handle < 0) {
            const int error = errno;
            reason = std::string("perf_event_open: ") + std::strerror(error);
            if (error == ENOENT || error == EOPNOTSUPP || error == ENODEV)
                reason += ": the kernel offers no such counter here";
            else if (error == EACCES || error == EPERM)
                reason += ": not allowed (/proc/sys/kernel/perf_event_paranoid)";
            close_counters(group);
            return false;
        }
        group.handles[index] = static_cast<int>(handle);
        group.count = index + 1;
    }
    return true;
}

bool read_counters(const CounterGroup& group, CounterReading& reading) {
    if (group.count == 0) return false;
    // nr, time_enabled, time_running, then one value per event.
    std::uint64_t data[3 + MAX_COUNTERS];
    const ssize_t size = static_cast<ssize_t>((3 + group.count) * sizeof data[0]);
    if (read(group.handles[0], data, sizeof data) != size || data[0] != group.count) return false;
    reading.time_enabled = data[1];
    reading.time_running = data[2];
    for (std::size_t index = 0; index < group.count; ++index) reading.values[index] = data[3 + index];
    return true;
}

void close_counters(CounterGroup& group) {
    for (int& handle : group.handles) {
        if (handle >= 0) close(handle);
        handle = -1;
    }
    group.count = 0;
}
