// Passes of every timed and calibration loop, and the divisor of every measurement.
// Shared by the meter's assembly and the C++ that reads its figures.
#pragma once

#define LOOP_COUNT 100000
