// Runs a helper program the host tools lean on (gnuplot for the charts): the input given on
// its standard input, its standard output taken whole, its standard error left as the
// tool's own so that its complaints reach the user. A child that does not finish in time
// is killed. Linux host tools only.
#pragma once

#include <string>
#include <vector>

struct ChildResult {
    std::string output;  // all it wrote to its standard output
    std::string problem; // "" when it started, ended in time and exited 0; else one line
};

// `arguments` starts with the program's name, looked up in PATH.
ChildResult run_child(const std::vector<std::string>& arguments, const std::string& input,
                      int timeout_seconds);
