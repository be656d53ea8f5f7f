#include "stats/realtime.hpp"

#include <sched.h>
#include <cerrno>
#include <cstring>

std::string use_realtime_scheduling(bool wanted) {
    if (!wanted) return "normal (--realtime=false)";
    sched_param parameters{};
    parameters.sched_priority = sched_get_priority_min(SCHED_FIFO);
    if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &parameters) != 0)
        return std::string("normal (SCHED_FIFO refused: ") + std::strerror(errno) + ")";
    return "SCHED_FIFO, priority " + std::to_string(parameters.sched_priority);
}
