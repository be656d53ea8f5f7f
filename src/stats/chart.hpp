// The chart: the headline figures drawn by gnuplot as a PNG image. gnuplot writes the
// image to a pipe and this tool writes it to the file, so the file's name never reaches
// gnuplot (no name can be read as gnuplot commands) and no image byte reaches standard
// output. A gnuplot that does not finish within CHART_TIMEOUT_SECONDS is killed.
#pragma once

#include <string>
#include <vector>

inline constexpr int CHART_TIMEOUT_SECONDS = 10;

// The file named by --chart, opened before anything is measured so that a bad name costs
// no measuring time. It must be a regular file other than standard output.
struct ChartFile {
    std::string path;
    int descriptor = -1;
    bool created = false;  // made by this tool, so removed again if no chart comes
};

// Gives "" when the file is open for the chart, else what is wrong.
std::string open_chart_file(const char* path, ChartFile& file);

// Removes a file the tool made and closes it; for when no chart will be written.
void abandon_chart_file(ChartFile& file);

// One point: a row of the case table (layout and sample) and its headline ticks per scan
// at one placement of its kernel copy.
struct ChartPoint {
    std::string layout;
    std::string sample;     // long or short: one panel each
    std::string placement;  // the legend's name for the placement
    double ticks;
};

// The gnuplot script for the points, the PNG going to standard output. With
// ticks_per_cycle above 0 the right axis shows estimated core cycles.
std::string chart_script(const std::vector<ChartPoint>& points, double ticks_per_cycle);

// Runs gnuplot on the script and writes the image into the file; gives "" when done,
// else what went wrong (the file is then removed if this tool made it). Closes the file.
std::string draw_chart(const std::string& script, ChartFile& file);
