// The cost model's fit on made-up figures whose answer is known.
#include <gtest/gtest.h>

#include "stats/cost_model.hpp"

namespace {

// cycles = 20 + 1.0 * taken + 0.5 * line_changes, exactly: the fit finds the coefficients,
// explains everything and leaves no residual.
TEST(CostModel, RecoversAnExactLinearCost) {
    const std::vector<double> taken = {1056, 1110, 730, 1110, 1330, 999, 500};
    const std::vector<double> lines = {779, 779, 339, 779, 999, 0, 0};
    std::vector<double> cycles;
    for (std::size_t i = 0; i < taken.size(); ++i) cycles.push_back(20 + taken[i] + 0.5 * lines[i]);
    const CostModel model = fit_cost_model(cycles, {"taken_branches", "line_changes"}, {taken, lines});
    ASSERT_EQ(model.error, "");
    ASSERT_EQ(model.coefficients.size(), 3u);
    EXPECT_NEAR(model.coefficients[0], 20.0, 1e-6);
    EXPECT_NEAR(model.coefficients[1], 1.0, 1e-9);
    EXPECT_NEAR(model.coefficients[2], 0.5, 1e-9);
    EXPECT_NEAR(model.r2, 1.0, 1e-12);
    for (const double residual : model.residuals) EXPECT_NEAR(residual, 0.0, 1e-6);
    EXPECT_EQ(model.copies, 7u);
}

// Figures the facts cannot explain: R² stays within 0..1 and the residuals carry the rest,
// summing to zero with an intercept.
TEST(CostModel, ExplainsLittleWhereTheFiguresIgnoreTheFacts) {
    const std::vector<double> taken = {1, 2, 3, 4, 5, 6};
    const std::vector<double> cycles = {10, 30, 10, 30, 10, 30};
    const CostModel model = fit_cost_model(cycles, {"taken_branches"}, {taken});
    ASSERT_EQ(model.error, "");
    EXPECT_GE(model.r2, 0.0);
    EXPECT_LT(model.r2, 0.2);
    double sum = 0;
    for (const double residual : model.residuals) sum += residual;
    EXPECT_NEAR(sum, 0.0, 1e-9);
}

TEST(CostModel, NoModelForTooFewCopiesOrCollinearTerms) {
    EXPECT_NE(fit_cost_model({1, 2, 3}, {"a", "b"}, {{1, 2, 3}, {3, 1, 2}}).error, "");
    // b = 2a: collinear.
    const CostModel collinear =
        fit_cost_model({1, 2, 3, 5, 8}, {"a", "b"}, {{1, 2, 3, 4, 5}, {2, 4, 6, 8, 10}});
    EXPECT_NE(collinear.error.find("collinear"), std::string::npos) << collinear.error;
    // A fact the same for every copy is the intercept again.
    EXPECT_NE(fit_cost_model({1, 2, 3, 4}, {"a"}, {{7, 7, 7, 7}}).error, "");
}

}  // namespace
