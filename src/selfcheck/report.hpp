// The self-check's run: every synthetic kernel measured, one line each, then the verdict.
#pragma once

#include <cstdint>

#include "selfcheck/selfcheck_cases.hpp"

// Measures the case table's kernels in order, then writes their lines and the verdict
// line. Under an emulator it says so on standard error first, and the verdict is not
// judged. Gives the exit code: 0 when the meter is linear and the empty kernel measures
// near zero, or when the verdict is not judged; 1 otherwise, and 1 with a message on
// standard error when a write to standard output failed.
int run_selfcheck();

// Writes the rows and the verdict line for the given figures (ticks per run, in the case
// table's order) to standard output. `emulator`: the name of the emulator the figures were
// taken under (a console text, as running_emulator() gives it), or nullptr on the
// processor itself. Gives 0 when the verdict holds or is not judged, 1 when it fails.
int write_selfcheck_report(const std::int32_t (&figures)[SELFCHECK_CASE_COUNT],
                           const char* emulator);
