// The one way the host tools run another program (gnuplot for the charts, the stats tool's
// own measuring processes): the arguments, a text fed to its standard input, all it writes
// to its standard output taken, and a time limit after which it is killed. Its standard
// error is the tool's, so what it says about a failure reaches the user. Linux host tools.
#pragma once

#include <string>
#include <vector>

struct ChildRun {
    std::string output;      // all it wrote to its standard output, whatever its ending
    // "" when it started, ended within the limit and exited 0; else one line that names
    // the program as `arguments` gave it: "cannot start NAME: reason", "NAME did not
    // finish within N s and was stopped", "NAME failed with exit code N", "NAME ended with
    // signal N", or a pipe or a wait that failed.
    std::string problem;
    bool start_failed = false;  // the spawn failed (start_error), or the exit code 127 says
                                // an exec failed where the spawn could not report it
    int start_error = 0;     // errno of a spawn that failed
    bool timed_out = false;  // killed at the time limit
    int status = 0;          // as waitpid gives it, where it ended
};

// Runs `arguments` (the first the program, looked up in PATH where it holds no slash),
// writes `input` to it and reads its output until it ends, at most `seconds` (0: no limit).
// SIGPIPE is ignored meanwhile and the program gets its default.
ChildRun run_child(const std::vector<std::string>& arguments, const std::string& input,
                   int seconds);
