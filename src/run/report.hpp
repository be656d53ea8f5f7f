// The program's entry: every case measured and reported, then the closing prompt.
#pragma once

// Measures and reports each case in table order, writes the closing prompt, waits for a
// key and ends the process: exit code 0, or 1 when a write to standard output failed.
[[noreturn]] void run_benchmark();
