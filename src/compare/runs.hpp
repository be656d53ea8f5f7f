// A run of the stats tool as its JSON holds it: the context (Google Benchmark's and the
// tool's own lines) and the paired ratios. Read whole, checked, and kept as plain data; the
// rounds' figures ("benchmarks") are not needed and not kept.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct RunPair {
    std::string first_layout, second_layout;  // from "first"/"second": layout/sample/offset:N/...
    std::string kind;                         // "layouts", "placement", "a/a"
    std::string sample;
    int offset = 0;
    double median = 0;                   // first's time over second's, per round, the median
    std::optional<double> low, high;     // the 95 % interval; absent where too few blocks held one
    std::optional<std::string> verdict;  // the run's own words, where it carries them
    std::optional<std::string> delta;    // as the run gives it (a number is written out)
};

struct Run {
    std::string path;
    std::vector<std::pair<std::string, std::string>> context;  // in the file's order, as text
    std::vector<RunPair> pairs;
    std::string trimmed;  // the file with only "context" and "pairs", as JSON text
    std::string context_value(const std::string& key) const;  // "" where missing
};

// Reads `text` (the file at `path`) into `run`. "" when it is a run of the stats tool with
// at least one pair of layouts; else one line that starts with the path.
std::string read_run(const std::string& path, const std::string& text, Run& run);

// Reads the file and then its text; the same lines, and one for a file that cannot be read.
std::string load_run(const std::string& path, Run& run);
