// Windows offers a program no interface to the processor's counters without a driver of
// its own: the counters are not available there. Part of the stats tool.
#include "stats/hardware_counters.hpp"

bool open_counters(const CounterEvent*, std::size_t, CounterGroup& group, std::string& reason) {
    group.count = 0;
    reason = "Windows offers no counters to a program";
    return false;
}

bool read_counters(const CounterGroup&, CounterReading&) { return false; }

void close_counters(CounterGroup& group) { group.count = 0; }
