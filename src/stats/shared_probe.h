// The shared-processor probe's sizes, shared by its assembly (shared_probe.S) and the C++
// that reads its figures (shared_probe.hpp). Each call: about 100000 core cycles of its
// chain, some 30 us natively, beside the 30 us every meter call costs.
#pragma once

#define PROBE_JUMPS 256
#define PROBE_JUMP_RUNS 400
#define PROBE_ADDS 1000
#define PROBE_ADD_RUNS 100
