// The self-check's run: every synthetic kernel measured, one line each, then the verdict.
#pragma once

// Measures the case table's kernels in order, then writes their lines and the verdict
// line. Gives the exit code: 0 when the meter is linear, the empty kernel measures near
// zero and every write succeeded; 1 otherwise.
int run_selfcheck();
