// The three-word verdicts against the run's noise floor, and the shared-core sign
// calibrated within the run, on made-up figures whose answers are known.
#include <gtest/gtest.h>

#include <vector>

#include "stats/shared_probe.hpp"
#include "stats/verdicts.hpp"

namespace {

MedianInterval interval(double low, double median, double high) {
    MedianInterval ratio;
    ratio.count = 100;
    ratio.median = median;
    ratio.low = low;
    ratio.high = high;
    ratio.confidence = 0.979;
    return ratio;
}

TEST(NoiseFloor, IsTheAAIntervalsFartherBoundFromOneWithAFloor) {
    EXPECT_NEAR(*noise_floor(interval(0.994, 1.0, 1.003)), 0.006, 1e-12);
    EXPECT_NEAR(*noise_floor(interval(0.999, 1.004, 1.008)), 0.008, 1e-12);
    // An A/A interval that excludes 1 still gives the floor: its far side.
    EXPECT_NEAR(*noise_floor(interval(1.002, 1.004, 1.009)), 0.009, 1e-12);
    EXPECT_DOUBLE_EQ(*noise_floor(interval(0.9999, 1.0, 1.0001)), LEAST_NOISE_FLOOR);
    MedianInterval no_interval;
    no_interval.count = 4;
    no_interval.median = 1.0;
    EXPECT_FALSE(noise_floor(no_interval));
}

TEST(Judge, SweepsAnIntervalAcrossTheNoiseBand) {
    const double delta = 0.005;
    struct Case {
        double low, high;
        Verdict expected;
    };
    const Case cases[] = {
        {0.90, 0.92, Verdict::faster},     {0.990, 0.9949, Verdict::faster},
        {0.990, 0.9951, Verdict::unclear},  // just across the band's lower edge
        {0.990, 1.000, Verdict::unclear},  {0.9951, 1.0049, Verdict::same},
        {0.999, 1.001, Verdict::same},     {1.000, 1.010, Verdict::unclear},
        {1.0051, 1.02, Verdict::slower},   {1.10, 1.30, Verdict::slower},
        {0.98, 1.02, Verdict::unclear},    // wider than the band on both sides
    };
    for (const Case& c : cases)
        EXPECT_EQ(judge(interval(c.low, (c.low + c.high) / 2, c.high), delta), c.expected)
            << c.low << " to " << c.high;
}

TEST(Judge, WithoutAnIntervalIsUnclearAndSaysWhy) {
    MedianInterval few;
    few.count = 5;
    few.median = 0.5;
    EXPECT_EQ(judge(few, 0.01), Verdict::unclear);
    EXPECT_NE(what_would_settle(few, 0.01).find("too few rounds"), std::string::npos);
    EXPECT_NE(what_would_settle(MedianInterval{}, 0.01).find("no round"), std::string::npos);
    EXPECT_NE(what_would_settle(interval(0.97, 1.0, 1.03), 0.01).find("wider than the noise band of ±1.0 %"),
              std::string::npos);
    EXPECT_NE(what_would_settle(interval(1.005, 1.01, 1.015), 0.01).find("crosses an edge"),
              std::string::npos);
}

TEST(VerdictWord, NamesEveryVerdict) {
    EXPECT_STREQ(verdict_word(Verdict::faster), "faster");
    EXPECT_STREQ(verdict_word(Verdict::slower), "slower");
    EXPECT_STREQ(verdict_word(Verdict::same), "same");
    EXPECT_STREQ(verdict_word(Verdict::unclear), "unclear");
}

// Probe readings, in core cycles per taken jump, of a core alone and of one shared.
std::vector<double> readings(double alone, double shared, int alone_count, int shared_count) {
    std::vector<double> probes;
    for (int index = 0; index < alone_count; ++index) probes.push_back(alone * (1 + 0.001 * (index % 7)));
    for (int index = 0; index < shared_count; ++index) probes.push_back(shared * (1 + 0.02 * (index % 5)));
    return probes;
}

TEST(SharedSign, HoldsOnACoreThatTakesOneTakenJumpACycle) {
    // Alone at 1.00 cycle per jump: a fixed limit set for a two-a-cycle core called all of
    // these shared.
    EXPECT_EQ(shared_share(readings(1.00, 2.0, 100, 0)).shared, 0u);
    const SharedShare some = shared_share(readings(1.00, 2.0, 70, 30));
    EXPECT_EQ(some.probes, 100u);
    EXPECT_EQ(some.shared, 30u);
    EXPECT_NEAR(some.fast_level, 1.00, 0.01);
    EXPECT_FALSE(some.whole_run());
    EXPECT_TRUE(shared_share(readings(1.00, 2.0, 30, 70)).whole_run());
}

TEST(SharedSign, HoldsOnACoreThatTakesTwoTakenJumpsACycle) {
    EXPECT_EQ(shared_share(readings(0.50, 1.1, 100, 0)).shared, 0u);
    const SharedShare some = shared_share(readings(0.52, 1.1, 60, 40));
    EXPECT_EQ(some.shared, 40u);
    EXPECT_NEAR(some.fast_level, 0.52, 0.01);
    // Readings at or below zero (a figure the calibration cannot explain) are left out.
    std::vector<double> with_unexplained = readings(0.52, 1.1, 60, 40);
    with_unexplained.insert(with_unexplained.end(), {0, -2, 0});
    EXPECT_EQ(shared_share(with_unexplained).probes, 100u);
    EXPECT_EQ(shared_share({}).share(), 0);
    EXPECT_FALSE(shared_share({0, 0}).whole_run());
}

}  // namespace
