// The process priority after a measurement, as the Linux stand-in makes it observable: the
// nice value. Raising the priority needs root; elsewhere the meter's request is refused
// and there is nothing to observe, so the test skips.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "meter_instances.hpp"

namespace {

// Whatever the process ran at before, every meter instance leaves it at normal (nice 0).
TEST(Priority, NormalAfterEveryMeasurement) {
    if (geteuid() != 0) GTEST_SKIP() << "raising the priority needs root";
    for (const MeterInstance& instance : all_meter_instances()) {
        ASSERT_EQ(setpriority(PRIO_PROCESS, 0, 5), 0);
        instance.copy->measure_cycles();
        errno = 0;
        EXPECT_EQ(getpriority(PRIO_PROCESS, 0), 0) << instance.copy->name;
    }
}

}  // namespace
