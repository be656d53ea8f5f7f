// The one way the stats tool runs another program (gnuplot for the chart, its own measuring
// processes): the arguments, a text fed to its standard input, all it writes to its
// standard output taken, and a time limit after which it is killed. Its standard error is
// the tool's, so what it says about a failure reaches the user.
#pragma once

#include <string>
#include <vector>

struct ChildRun {
    std::string output;    // all it wrote to its standard output
    std::string problem;   // a pipe or a wait that failed; "" otherwise
    int start_error = 0;   // errno of a start that failed (0: started)
    bool timed_out = false;  // killed at the time limit
    int status = 0;        // as waitpid gives it, where it ended by itself
};

// Runs `arguments` (the first the program, looked up in PATH where it holds no slash),
// writes `input` to it and reads its output until it ends, at most `seconds` (0: no limit).
// SIGPIPE is ignored meanwhile and the program gets its default.
ChildRun run_child(const std::vector<std::string>& arguments, const std::string& input,
                   int seconds);
