// Starting the benchmark, the self-check and gnuplot, with POSIX calls.
#pragma once

#include <sys/types.h>
#include <cstddef>

// How a run went: whether it started, how it ended and what it wrote to standard output.
struct CapturedRun {
    int start_error;   // errno of a failed start, 0 when the program ran
    int status;        // as waitpid gives it
    std::size_t size;  // bytes kept in the caller's buffer
    bool too_long;     // it wrote more than the buffer holds; the rest was read and dropped
};

// Runs `path` (no arguments, no search of PATH) with /dev/null as standard input, so that
// it meets the end of input at once, and its standard output captured into `buffer`.
// Standard error stays the caller's.
CapturedRun run_captured(const char* path, char* buffer, std::size_t capacity);

// Starts `name`, searched in PATH, without arguments and with the read end of a new pipe
// as standard input; gives errno or 0, the process and the pipe's write end.
int start_with_input_pipe(const char* name, pid_t& pid, int& input);

// Waits for `pid` to end; gives its wait status.
int wait_for(pid_t pid);

// How a wait status reads: "exit code 3", "signal 11 (Segmentation fault)". Gives `buffer`
// (at least 96 bytes).
const char* describe_end(int status, char* buffer, std::size_t capacity);
