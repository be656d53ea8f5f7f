// The stats tool's placement summary on made-up figures.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "stats/placement.hpp"

namespace {

PlacementRow row(const char* layout, std::vector<double> ticks, const char* sample = "long") {
    PlacementRow made{layout, sample, {}};
    for (std::size_t index = 0; index < ticks.size(); ++index) made.ticks[index] = ticks[index];
    return made;
}

// Each row with its lowest and highest, "-" where a copy was not measured.
TEST(PlacementSummary, RowsWithTheirLowestAndHighest) {
    PlacementRow filtered = row("pair_step", {});
    filtered.ticks[1] = 1300;
    const std::string summary = placement_summary({
        row("few_jumps", {1234, 1040, 1037, 1250}),
        row("many_jumps", {1243, 1024, 1100, 1200}),
        filtered,
        row("few_jumps", {26, 24, 23, 23}, "short"),
        row("many_jumps", {38, 17, 20, 21}, "short"),
    });
    EXPECT_NE(summary.find("few_jumps/long        1234       1040       1037       1250    1037     1250\n"),
              std::string::npos) << summary;
    EXPECT_NE(summary.find("pair_step/long           -       1300          -          -    1300     1300\n"),
              std::string::npos) << summary;
    EXPECT_NE(summary.find("many_jumps/short        38         17         20         21      17       38\n"),
              std::string::npos) << summary;
}

}  // namespace
