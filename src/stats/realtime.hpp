// Real-time scheduling for the measuring thread: under SCHED_FIFO no process of normal
// priority takes the processor from it in the middle of a measurement, which removes the
// time-slicing noise of a busy machine. The kernel's real-time throttling (by default 5 %
// of every second left to the others) keeps the machine responsive meanwhile.
#pragma once

#include <string>

// Puts the calling thread under SCHED_FIFO at the lowest real-time priority when `wanted`
// and permitted (root or CAP_SYS_NICE); children started later get normal scheduling.
// Never fails: gives what the thread runs under, for the report's context.
std::string use_realtime_scheduling(bool wanted);
