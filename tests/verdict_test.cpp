// The self-check's verdict and its three-decimal figures, on given figures.
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "console/number_format.hpp"
#include "selfcheck/verdict.hpp"

namespace {

bool linear(std::int32_t chain_500, std::int32_t chain_1000, std::int32_t chain_2000) {
    return judge_selfcheck({0, chain_500, chain_1000, chain_2000}).linear;
}

bool empty_near_zero(std::int32_t empty) {
    return judge_selfcheck({empty, 500, 1000, 2000}).empty_near_zero;
}

TEST(SelfcheckVerdict, ExactFiguresPassBothTests) {
    const SelfcheckVerdict verdict = judge_selfcheck({0, 500, 1000, 2000});
    EXPECT_TRUE(verdict.linear);
    EXPECT_TRUE(verdict.empty_near_zero);
}

// 2 % of 0.5 and of 2: within at the boundary, out one tick past it. A reference of 997
// puts the boundaries between whole ticks (498.5 +- 9.97, 1994 +- 39.88).
TEST(SelfcheckVerdict, LinearWithinTwoPercentOfHalfAndDouble) {
    EXPECT_TRUE(linear(490, 1000, 2000));
    EXPECT_TRUE(linear(510, 1000, 2000));
    EXPECT_FALSE(linear(489, 1000, 2000));
    EXPECT_FALSE(linear(511, 1000, 2000));
    EXPECT_TRUE(linear(500, 1000, 1960));
    EXPECT_TRUE(linear(500, 1000, 2040));
    EXPECT_FALSE(linear(500, 1000, 1959));
    EXPECT_FALSE(linear(500, 1000, 2041));

    EXPECT_TRUE(linear(489, 997, 1955));
    EXPECT_TRUE(linear(508, 997, 2033));
    EXPECT_FALSE(linear(488, 997, 1994));
    EXPECT_FALSE(linear(509, 997, 1994));
    EXPECT_FALSE(linear(498, 997, 1954));
    EXPECT_FALSE(linear(498, 997, 2034));
}

TEST(SelfcheckVerdict, NoPositiveReferenceIsNotLinear) {
    EXPECT_FALSE(linear(0, 0, 0));
    EXPECT_FALSE(linear(-500, -1000, -2000));
    EXPECT_FALSE(linear(500, -1000, 2000));
    EXPECT_FALSE(linear(-500, 1000, 2000));
    // The largest figures stay exact.
    EXPECT_TRUE(linear(536870912, 1073741824, INT_MAX));
    EXPECT_FALSE(linear(INT_MAX, INT_MAX, INT_MAX));
}

TEST(SelfcheckVerdict, EmptyKernelWithinTwoTicksOfZero) {
    for (std::int32_t ticks : {-2, -1, 0, 1, 2}) EXPECT_TRUE(empty_near_zero(ticks)) << ticks;
    for (std::int32_t ticks : {-3, 3, INT_MIN, INT_MAX})
        EXPECT_FALSE(empty_near_zero(ticks)) << ticks;
    // The two tests are independent of each other.
    const SelfcheckVerdict verdict = judge_selfcheck({5, 500, 1000, 2000});
    EXPECT_TRUE(verdict.linear);
    EXPECT_FALSE(verdict.empty_near_zero);
}

std::string thousandths(std::int32_t numerator, std::int32_t denominator) {
    char buffer[20];
    std::memset(buffer, 'x', sizeof buffer);
    format_thousandths(numerator, denominator, buffer);
    return buffer;
}

TEST(FormatThousandths, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(thousandths(998, 1000), "0.998");
    EXPECT_EQ(thousandths(1000, 1000), "1.000");
    EXPECT_EQ(thousandths(1996, 1000), "1.996");
    EXPECT_EQ(thousandths(2, 3), "0.667");
    EXPECT_EQ(thousandths(1, 3), "0.333");
    EXPECT_EQ(thousandths(1, 2000), "0.001");
    EXPECT_EQ(thousandths(1, 2001), "0.000");
    EXPECT_EQ(thousandths(19995, 10000), "2.000");
    EXPECT_EQ(thousandths(12345, 10), "1234.500");
    EXPECT_EQ(thousandths(0, 500), "0.000");
}

TEST(FormatThousandths, NegativeFiguresAndNoDenominator) {
    EXPECT_EQ(thousandths(-500, 1000), "-0.500");
    EXPECT_EQ(thousandths(-1, 2000), "-0.001");
    EXPECT_EQ(thousandths(-1, 3000), "0.000");  // rounds to zero: no sign
    EXPECT_EQ(thousandths(-2500, 1000), "-2.500");
    EXPECT_EQ(thousandths(INT_MIN, 1), "-2147483648.000");
    EXPECT_EQ(thousandths(INT_MAX, 1), "2147483647.000");
    EXPECT_EQ(thousandths(500, 0), "n/a");
    EXPECT_EQ(thousandths(500, -1000), "n/a");
}

}  // namespace
