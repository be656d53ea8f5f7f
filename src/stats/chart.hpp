// The chart: the headline figures and the paired ratios drawn by gnuplot as a PNG image.
// gnuplot writes the image to a pipe and this tool writes it to the file, so the file's
// name never reaches gnuplot (no name can be read as gnuplot commands) and no image byte
// reaches standard output. A gnuplot that does not finish within CHART_TIMEOUT_SECONDS is killed.
#pragma once

#include <string>
#include <vector>

inline constexpr int CHART_TIMEOUT_SECONDS = 10;

// One point: a row of the case table (layout and sample) and its headline ticks per scan
// at one placement of its kernel copy.
struct ChartPoint {
    std::string layout;
    std::string sample;     // long or short: one panel each
    std::string placement;  // the legend's name for the placement
    double ticks;
};

// One paired ratio: its median and 95 % interval (NaN where there is none).
struct ChartRatio {
    std::string sample;
    bool placement;      // a copy against its layout at offset 0, else two layouts
    std::string label;   // along x: "few_jumps / many_jumps", or the layout
    std::string offset;  // the legend's name for the placement, as in ChartPoint
    double median, low, high;
};

// The gnuplot script, the PNG going to gnuplot's standard output: the points in a panel
// per sample, the ratios in a row of panels below. With ticks_per_cycle above 0 the right
// axis of the points shows estimated core cycles. `title` must hold no double quote.
std::string chart_script(const std::vector<ChartPoint>& points,
                         const std::vector<ChartRatio>& ratios, double ticks_per_cycle,
                         const std::string& title);

// Runs gnuplot on the script; gives "" with the PNG image in `image`, else what went wrong.
std::string draw_chart(const std::string& script, std::string& image);
