// Several runs side by side: per sample, layout and offset, each run's ratio of the layout's
// time to a reference layout's, with its interval and verdict. Columns are runs; runs of the
// same processor, build and text form a group, the group's spread beside its runs. Pure:
// plain data in, plain data out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compare/runs.hpp"

struct Cell {
    bool present = false;  // the run has a pair of this layout and the reference here
    double ratio = 0;      // the layout's time over the reference's
    std::optional<double> low, high;
    // Whether the run's pair held the reference first, so that the cell is its reciprocal:
    // 1/median, [1/high, 1/low] (the interval's ends are order statistics, exact under it).
    bool inverted = false;
    std::string verdict;  // "faster", "slower", "no difference shown", "no interval"
    std::string run_verdict, delta;  // as the run gives them, "" where it does not
};

struct Column {
    std::string id;     // "A1": the group's letter and the run's number in it
    std::size_t run;    // index into the runs
    std::size_t group;
};

struct Group {
    std::string letter;
    std::string processor;  // "AMD EPYC 9R14 ... (AuthenticAMD family 25 model 17 stepping 1, Zen 4)"
    std::string build;      // "x86_64 build, text: ...", with "emulated by ..." where it was
    std::vector<std::size_t> columns;
};

struct Row {
    std::string sample, layout;
    int offset;
    std::vector<Cell> cells;  // one per column
};

struct Comparison {
    std::string reference;
    std::vector<Column> columns;
    std::vector<Group> groups;
    std::vector<Row> rows;  // by sample, then layout (in the runs' order), then offset
    std::vector<std::string> notes;  // where the columns measured different builds or texts
};

// Builds the comparison; "" when done, else one line (a reference no run has, runs whose
// layouts differ).
std::string compare_runs(const std::vector<Run>& runs, const std::string& reference, Comparison& comparison);

// The cell's verdict from its interval: "faster" below 1 throughout, "slower" above, "no
// difference shown" where it holds 1, "no interval" without one.
std::string verdict_of(const Cell& cell);

// A group's spread in a row: the lowest and highest ratio of its runs that have one, and how
// many have one.
struct Spread {
    std::size_t count = 0;
    double lowest = 0, highest = 0;
};
Spread spread_of(const Row& row, const Group& group);
