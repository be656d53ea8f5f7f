#include "host/gnuplot.hpp"

#include "host/child_process.hpp"

namespace {

constexpr char PNG_SIGNATURE[] = "\x89PNG\r\n\x1a\n";

}  // namespace

std::string draw_png(const std::string& script, int seconds, std::string& image) {
    ChildRun run = run_child({"gnuplot"}, script, seconds);
    image.clear();
    if (run.start_failed) return run.problem + " (install gnuplot-nox)";
    if (run.timed_out)
        return "gnuplot did not finish the chart within " + std::to_string(seconds) + " s and was stopped";
    if (!run.problem.empty()) return run.problem;
    if (run.output.compare(0, sizeof PNG_SIGNATURE - 1, PNG_SIGNATURE) != 0) return "gnuplot gave no PNG image";
    image = std::move(run.output);
    return "";
}
