// The stats tool's placement summary on made-up figures: the order verdict for a pair of
// layouts measured at every offset, and the summary's text around it.
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

struct VerdictCase {
    std::vector<double> first, second;
    Order order;
    bool whatever_the_placement;
};

TEST(PlacementOrder, AllOrdersAgreeOrDependOnTheOffset) {
    const VerdictCase cases[] = {
        {{100, 110, 105, 108}, {120, 125, 130, 121}, Order::FIRST_FASTER, true},
        // Faster at each offset, but its slowest place is slower than the other's fastest.
        {{100, 130, 105, 108}, {120, 131, 130, 121}, Order::FIRST_FASTER, false},
        {{120, 125, 130, 121}, {100, 110, 105, 108}, Order::SECOND_FASTER, true},
        {{100, 130, 105, 108}, {120, 125, 130, 121}, Order::DEPENDS_ON_OFFSET, false},
        // A tie at one offset: neither is faster at every offset.
        {{100, 110, 105, 121}, {120, 125, 130, 121}, Order::DEPENDS_ON_OFFSET, false},
    };
    for (const VerdictCase& made_up : cases) {
        const OrderVerdict verdict = order_of(row("a", made_up.first), row("b", made_up.second));
        EXPECT_EQ(verdict.order, made_up.order) << made_up.first[0] << " " << made_up.first[1];
        EXPECT_EQ(verdict.whatever_the_placement, made_up.whatever_the_placement)
            << made_up.first[0] << " " << made_up.first[1];
    }
}

// Each row with its lowest and highest; pairs only of long-sample rows measured at every
// offset, with the offsets each layout wins at where the order depends on them.
TEST(PlacementSummary, RowsAndVerdictsOfCompleteLongRows) {
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
    EXPECT_NE(summary.find("  few_jumps vs many_jumps: the order depends on the offset: few_jumps "
                           "faster at 0, 32; many_jumps at 16, 48\n"),
              std::string::npos) << summary;
    EXPECT_EQ(summary.find("pair_step vs"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("vs pair_step"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("short vs"), std::string::npos) << summary;
}

}  // namespace
