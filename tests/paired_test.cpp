// The stats tool's statistics on made-up figures: the interval of the median, the outlier
// rule, the undisturbed figures and the headline, which copies and rounds are paired, the
// interval over blocks of rounds and over processes, the A/A control, the verdicts' rules
// and words, the pairs in the JSON, and the share of rounds on a shared core.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "stats/console_report.hpp"
#include "stats/json_report.hpp"
#include "stats/paired.hpp"
#include "stats/shared_probe.hpp"
#include "stats/undisturbed.hpp"

namespace {

// first, first + 1, ... in a shuffled order, as rounds would give them.
std::vector<double> shuffled_run(double first, std::size_t count) {
    std::vector<double> values;
    for (std::size_t index = 0; index < count; ++index) values.push_back(first + index);
    std::shuffle(values.begin(), values.end(), std::mt19937(7));
    return values;
}

// The pairs with the rounds cut into `blocks` blocks of consecutive rounds.
std::vector<PairedRatio> blocked(const std::vector<RoundFigures>& copies,
                                 std::size_t blocks = INTERVAL_BLOCKS) {
    std::size_t rounds = 0;
    for (const RoundFigures& copy : copies) rounds = std::max(rounds, copy.ticks.size());
    return paired_ratios(copies, undisturbed_of(copies), even_blocks(rounds, blocks));
}

RoundFigures copy(const char* layout, int offset, std::vector<double> ticks,
                  const char* sample = "long") {
    return {layout, sample, offset, std::move(ticks)};
}

// The known tables: n = 6 is the first with an interval, [x(1), x(6)] at 96.9 %; n = 15
// gives [x(4), x(12)] at 96.5 %; n = 100 gives [x(40), x(61)].
TEST(MedianInterval, OrderStatisticsOfTheBinomial) {
    EXPECT_EQ(interval_rank(5), 0u);
    EXPECT_EQ(interval_rank(6), 1u);
    EXPECT_EQ(interval_rank(15), 4u);
    EXPECT_EQ(interval_rank(20), 6u);
    EXPECT_EQ(interval_rank(100), 40u);

    const MedianInterval odd = median_interval(shuffled_run(1, 15));
    EXPECT_EQ(odd.count, 15u);
    EXPECT_EQ(odd.median, 8);
    EXPECT_EQ(*odd.low, 4);
    EXPECT_EQ(*odd.high, 12);
    EXPECT_DOUBLE_EQ(odd.confidence, 1 - 2 * 576.0 / 32768);

    const MedianInterval even = median_interval(shuffled_run(1, 100));
    EXPECT_EQ(even.median, 50.5);
    EXPECT_EQ(*even.low, 40);
    EXPECT_EQ(*even.high, 61);
    EXPECT_GE(even.confidence, CONFIDENCE);

    const MedianInterval few = median_interval({3, 1, 2, 5, 4});
    EXPECT_EQ(few.median, 3);
    EXPECT_FALSE(few.low.has_value());
    EXPECT_EQ(median_interval({}).count, 0u);
}

TEST(Quantile, InterpolatesBetweenOrderStatistics) {
    EXPECT_EQ(quantile({5, 1, 4, 2, 3}, 0.25), 2);
    EXPECT_EQ(quantile({4, 1, 3, 2}, 0.25), 1.75);
    EXPECT_EQ(quantile({7}, 0.25), 7);
    EXPECT_EQ(quantile({}, 0.25), 0);
}

// Below zero, or below a third of the copy's median: a fast phase at half the median is
// a real figure.
TEST(Unexplained, BelowZeroOrFarBelowTheMedian) {
    // Median 98: 32 is below a third of it, 34 and 50 are not.
    EXPECT_EQ(unexplained_figures({100, 101, -5, 99, 32, 102, 34, 98, 50}),
              (std::vector<bool>{false, false, true, false, true, false, false, false, false}));
    EXPECT_EQ(unexplained_figures({20, 21, 20}), (std::vector<bool>{false, false, false}));
}

// Layouts at each common offset, then each copy against offset 0 of its own layout and
// sample; a round counts only where both figures are explained.
TEST(PairedRatios, WhichCopiesArePairedAndWhichRoundsCount) {
    const std::vector<RoundFigures> copies = {
        copy("few_jumps", 0, {100, 100, 100, 100, 100, 100, 100}),
        copy("few_jumps", 48, {110, 110, 110, -3, 110, 110, 110}),
        copy("many_jumps", 0, {200, 200, 200, 200, 200, 200, 200}),
        copy("many_jumps", 16, {200, 200, 200, 200, 200, 200, 200}),
        copy("few_jumps", 16, {20, 20, 20, 20, 20, 20, 20}, "short"),
    };
    const std::vector<PairedRatio> pairs = blocked(copies);
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0].kind, PairKind::LAYOUTS);
    EXPECT_EQ(pairs[0].first, 0u);
    EXPECT_EQ(pairs[0].second, 2u);
    EXPECT_EQ(pairs[0].ratio.median, 0.5);
    EXPECT_EQ(pairs[0].inverse.median, 2);
    EXPECT_EQ(pairs[1].kind, PairKind::PLACEMENT);
    EXPECT_EQ(pairs[1].first, 1u);
    EXPECT_EQ(pairs[1].second, 0u);
    EXPECT_EQ(pairs[1].ratio.count, 6u);  // the round with -3 left out
    EXPECT_DOUBLE_EQ(pairs[1].ratio.median, 1.1);
    EXPECT_EQ(pairs[2].first, 3u);
    EXPECT_EQ(pairs[2].second, 2u);
}

// As many blocks as rounds: each round's ratio is a block's median, the interval the
// rounds' own order statistics, for the tests of what follows from an interval.
constexpr std::size_t BLOCK_A_ROUND = 1000;

PairedRatio only_pair(const std::vector<RoundFigures>& copies, std::size_t blocks = BLOCK_A_ROUND) {
    const std::vector<PairedRatio> pairs = blocked(copies, blocks);
    EXPECT_EQ(pairs.size(), 1u);
    return pairs.at(0);
}

// A fast phase near 100 and a slow one near 200, with an unexplained figure: the fast
// level is the 5th percentile of the explained figures, and a figure counts up to 1.3 times
// it, whatever share of the rounds ran slow.
TEST(Undisturbed, TheFastPhaseWhateverTheSlowShare) {
    std::vector<double> figures;
    for (int round = 0; round < 40; ++round) figures.push_back(round % 4 == 0 ? 100 + round % 8 : 200);
    figures.push_back(-40);
    const std::vector<bool> undisturbed = undisturbed_figures(figures);
    for (std::size_t round = 0; round < figures.size(); ++round)
        EXPECT_EQ(undisturbed[round], figures[round] > 0 && figures[round] < 150) << round;
    // The band's edge: the fast level is 100 (the lowest 5 % all are), 130 counts, 131 not.
    std::vector<double> edge(40, 100);
    edge.push_back(130);
    edge.push_back(131);
    const std::vector<bool> at_edge = undisturbed_figures(edge);
    EXPECT_TRUE(at_edge[40]);
    EXPECT_FALSE(at_edge[41]);
}

// The headline: the level of the undisturbed figures, their 10th percentile. Among them
// a fast state at 100 and a state 12 % slower, the slower one a quarter or three quarters
// of them: the level stays in the fast state, where their median moves with the share; a
// constant counter stays itself.
TEST(Undisturbed, HeadlineIsTheLevelOfTheUndisturbed) {
    const auto rounds = [](int slower_of_eight) {
        std::vector<double> figures;
        for (int round = 0; round < 80; ++round)
            figures.push_back(round % 10 == 9 ? 210 : round % 8 < slower_of_eight ? 112 : 100);
        return figures;
    };
    EXPECT_EQ(undisturbed_level(rounds(2)), 100);
    EXPECT_EQ(undisturbed_level(rounds(6)), 100);
    const auto undisturbed_of = [](const std::vector<double>& figures) {
        std::vector<double> kept;
        const std::vector<bool> undisturbed = undisturbed_figures(figures);
        for (std::size_t round = 0; round < figures.size(); ++round)
            if (undisturbed[round]) kept.push_back(figures[round]);
        return kept;
    };
    EXPECT_EQ(median_interval(undisturbed_of(rounds(2))).median, 100);
    EXPECT_EQ(median_interval(undisturbed_of(rounds(6))).median, 112);
    EXPECT_EQ(undisturbed_level(std::vector<double>(9, 500)), 500);
    EXPECT_EQ(undisturbed_level({}), 0);
    EXPECT_DOUBLE_EQ(level_of({100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200}), 110);
}

// Only undisturbed figures count: the slow phase's, with their other ratio, and figures cut
// through by a phase change do not move the ratio of the levels.
TEST(PairedRatios, OnlyUndisturbedFiguresCount) {
    std::vector<double> first, second;
    for (int round = 0; round < 64; ++round) {
        const int phase = round % 4;  // 0, 1: fast; 2: slow; 3: the first copy slow only
        first.push_back(phase < 2 ? 150 : 280);
        second.push_back(phase == 2 ? 190 : 100);
    }
    const std::vector<RoundFigures> copies = {copy("few_jumps", 0, first), copy("pair_step", 0, second)};
    const PairedRatio pair = only_pair(copies, INTERVAL_BLOCKS);
    EXPECT_EQ(pair.ratio.count, 32u);
    EXPECT_EQ(pair.ratio.median, 1.5);
    EXPECT_EQ(*pair.ratio.low, 1.5);
    EXPECT_EQ(*pair.ratio.high, 1.5);
}

// The interval comes from the ratios of the levels in blocks of consecutive rounds, 8 by
// default: of 64 rounds, 8 a block, the lowest and highest block ratio at 1 - 2/256. The
// ratio itself is that of the levels over all the rounds.
TEST(PairedRatios, IntervalOverBlocksOfConsecutiveRounds) {
    std::vector<double> first;
    for (int block = 0; block < 8; ++block)
        for (const double within : {0.0, 2.0, 3.0, 10.0, 10.0, 3.0, 2.0, 0.0})
            first.push_back(100 + block + within);
    const std::vector<RoundFigures> copies = {copy("few_jumps", 16, first),
                                              copy("many_jumps", 16, std::vector<double>(64, 100))};
    const PairedRatio pair = only_pair(copies, INTERVAL_BLOCKS);
    EXPECT_EQ(pair.blocks, 8u);
    EXPECT_EQ(pair.ratio.count, 64u);
    // Block b's level is its lowest figure, 100 + b: blocks 0 and 7 bound the interval.
    EXPECT_DOUBLE_EQ(*pair.ratio.low, 1.00);
    EXPECT_DOUBLE_EQ(*pair.ratio.high, 1.07);
    EXPECT_DOUBLE_EQ(pair.ratio.confidence, 1 - 2.0 / 256);
    // All 64 figures: the 10th percentile lies between the 7th and 8th lowest, 102 both
    // (100, 100, 101, 101, then block 0's 102s and block 2's).
    EXPECT_DOUBLE_EQ(pair.ratio.median, 1.02);
    EXPECT_DOUBLE_EQ(pair.inverse.median, 1 / 1.02);
    EXPECT_DOUBLE_EQ(*pair.inverse.high, 1.0);
    EXPECT_DOUBLE_EQ(*pair.inverse.low, 1 / 1.07);

    // Where only 5 blocks hold undisturbed rounds there is no interval, however many rounds.
    std::vector<double> sparse(64, 250);
    for (int block = 0; block < 5; ++block) sparse[8 * block] = sparse[8 * block + 1] = 100;
    const std::vector<RoundFigures> slow = {copy("few_jumps", 16, sparse),
                                            copy("many_jumps", 16, std::vector<double>(64, 100))};
    EXPECT_EQ(verdict(only_pair(slow, INTERVAL_BLOCKS), slow),
              "few_jumps vs many_jumps at offset 16: unclear (10 rounds in 5 blocks): too few rounds "
              "counted for an interval: more processes (--processes=20) would settle it");
}

// Each process a segment: the interval over the processes' medians, however many rounds
// each has; the blocks of one process are even cuts of its rounds.
TEST(PairedRatios, IntervalOverProcesses) {
    EXPECT_EQ(even_blocks(5, 8), (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(even_blocks(16, 8), (std::vector<std::size_t>{0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7}));
    EXPECT_EQ(segment_blocks({2, 0, 3}), (std::vector<std::size_t>{0, 0, 2, 2, 2}));
    // More segments than blocks: consecutive ones share a block.
    EXPECT_EQ(segment_blocks({1, 2, 1, 1}, 2), (std::vector<std::size_t>{0, 0, 0, 1, 1}));

    // Ten processes of 3 to 12 rounds, process p at ratio 1 + p / 100 throughout: the
    // rounds' scatter inside a process is nil, the spread is between processes.
    // The 2nd lowest and 2nd highest of 10 process ratios bound it.
    std::vector<double> first;
    std::vector<std::size_t> segment_rounds;
    for (int process = 0; process < 10; ++process) {
        segment_rounds.push_back(3 + process);
        first.insert(first.end(), 3 + process, 100 + process);
    }
    const std::vector<RoundFigures> copies = {copy("few_jumps", 0, first),
                                              copy("switch", 0, std::vector<double>(first.size(), 100))};
    const PairedRatio pair = paired_ratios(copies, undisturbed_of(copies), segment_blocks(segment_rounds)).at(0);
    EXPECT_EQ(pair.blocks, 10u);
    // At 1 - 2 * 11/1024.
    EXPECT_DOUBLE_EQ(*pair.ratio.low, 1.01);
    EXPECT_DOUBLE_EQ(*pair.ratio.high, 1.08);
    EXPECT_DOUBLE_EQ(pair.ratio.confidence, 1 - 22.0 / 1024);
}

// The A/A control: a copy's second call in each round (or its twin) against it, after the
// other pairs, with its own words and JSON kind; it is in no table and no verdict list,
// but in a line of its own that gives the run's noise band and says whether it holds 1.
TEST(AAControl, PairedWithItsTwinOnly) {
    std::vector<RoundFigures> copies = {copy("few_jumps", 0, shuffled_run(100, 15)),
                                        copy("switch", 0, std::vector<double>(15, 100))};
    copies.push_back({"few_jumps", "long", 0, shuffled_run(100, 15), true});
    const std::vector<PairedRatio> pairs = blocked(copies, BLOCK_A_ROUND);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].second, 1u);  // the layouts' pair: not the again copy
    EXPECT_EQ(pairs[1].kind, PairKind::AA);
    EXPECT_EQ(pairs[1].first, 0u);
    EXPECT_EQ(pairs[1].second, 2u);
    EXPECT_STREQ(kind_name(pairs[1].kind), "a/a");
    EXPECT_EQ(verdict(pairs[1], copies),
              "A/A, few_jumps/long at offset 0 measured twice a round: ratio 1.000 [1.000, 1.000], "
              "the noise band ±0.2 %");
    const std::string text = ratio_tables(pairs, copies);
    EXPECT_NE(text.find("\nA/A control, few_jumps/long at offset 0 measured twice in every round "
                        "(first call / second): "),
              std::string::npos) << text;
    EXPECT_NE(text.find("the run's noise floor: ±0.2 % (the farther end of this interval from 1, at "
                        "least 0.2 %)"),
              std::string::npos) << text;
    EXPECT_EQ(text.find("excludes 1"), std::string::npos) << text;
    EXPECT_EQ(text.find("few_jumps / few_jumps"), std::string::npos) << text;

    // A second call 10 % slower in every round: the control says its interval excludes 1,
    // and the band it sets is that wide.
    std::vector<double> slower;
    for (const double figure : copies[0].ticks) slower.push_back(figure * 1.1);
    copies[2].ticks = slower;
    const std::string shown_text = ratio_tables(blocked(copies, BLOCK_A_ROUND), copies);
    EXPECT_NE(shown_text.find("the run's noise floor: ±9.1 %"), std::string::npos) << shown_text;
    EXPECT_NE(shown_text.find("Its interval excludes 1"), std::string::npos) << shown_text;
    // few_jumps / switch's interval, [0.93, 1.01] or so, is within that band: unclear.
    EXPECT_NE(shown_text.find("  unclear (more processes"), std::string::npos) << shown_text;
    EXPECT_EQ(shown_text.find("A/A, few_jumps"), std::string::npos) << shown_text;
    const std::string json = pairs_json(blocked(copies, BLOCK_A_ROUND), copies,
                                        {"a", "b", "a"}, "processes");
    EXPECT_NE(json.find("\"first\": \"a\",\n      \"second\": \"a\",\n      \"kind\": \"a/a\""),
              std::string::npos) << json;
    EXPECT_NE(json.find("\"interval_over\": \"processes\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"verdict\": \"unclear\",\n      \"delta\": 0.0909091,\n      \"says\": "),
              std::string::npos) << json;

    // Against a twin (the same bytes elsewhere) the words name it.
    copies[2].twin = true;
    const std::vector<PairedRatio> twin_pairs = blocked(copies, BLOCK_A_ROUND);
    EXPECT_EQ(verdict(twin_pairs[1], copies),
              "A/A, few_jumps/long at offset 0 against its twin: ratio 0.909 [0.909, 0.909], its "
              "interval excludes 1: the noise band is ±9.1 %");
    EXPECT_NE(ratio_tables(twin_pairs, copies).find("against its twin, the same bytes at the same offset "
                                                    "in another slot (copy / twin): "),
              std::string::npos);
}

// A pair with its ratio and interval made by hand, judged against the noise band's floor
// (no A/A pair): the words follow from them, whatever estimator gave them.
PairedRatio made_pair(std::size_t first, std::size_t second, double median, std::optional<double> low,
                      std::optional<double> high, std::size_t count = 15,
                      PairKind kind = PairKind::LAYOUTS) {
    PairedRatio pair{kind, first, second, {}, {}, count};
    pair.ratio.count = count;
    pair.ratio.median = median;
    if (low && high) {
        pair.ratio.low = low;
        pair.ratio.high = high;
        pair.ratio.confidence = 0.965;
    }
    pair.inverse = reciprocal(pair.ratio);
    std::vector<PairedRatio> pairs{pair};
    judge_pairs(pairs);
    return pairs[0];
}

// Faster or slower only where the interval lies beyond the noise band (here its floor,
// 0.2 %: no A/A pair), the faster copy named first; the same within it; otherwise unclear,
// also where the interval touches the band or there is none, with what would settle it.
TEST(Verdict, WordsAgainstTheNoiseBand) {
    const std::vector<double> hundred(15, 100);
    const std::vector<RoundFigures> layouts = {copy("few_jumps", 48, hundred), copy("many_jumps", 48, hundred)};
    EXPECT_EQ(verdict(made_pair(0, 1, 0.92, 0.88, 0.96), layouts),
              "few_jumps is 8.0 % faster than many_jumps at offset 48 (95 %: 4.0 to 12.0 %)");
    // The second is faster, by 1 - 1/1.08 (1 - 1/1.04 to 1 - 1/1.12).
    EXPECT_EQ(verdict(made_pair(0, 1, 1.08, 1.04, 1.12), layouts),
              "many_jumps is 7.4 % faster than few_jumps at offset 48 (95 %: 3.8 to 10.7 %)");
    const std::vector<RoundFigures> placed = {copy("many_jumps", 0, hundred), copy("many_jumps", 48, hundred)};
    EXPECT_EQ(verdict(made_pair(1, 0, 1.08, 1.04, 1.12, 15, PairKind::PLACEMENT), placed),
              "many_jumps/long: offset 0 is 7.4 % faster than offset 48 (95 %: 3.8 to 10.7 %)");
    // An interval that holds 1, or whose high end is exactly 1: unclear.
    const std::vector<RoundFigures> at_zero = {copy("few_jumps", 0, hundred), copy("switch", 0, hundred)};
    const PairedRatio overlapping = made_pair(0, 1, 0.97, 0.93, 1.01);
    EXPECT_FALSE(shown(overlapping));
    EXPECT_EQ(overlapping.verdict, Verdict::unclear);
    EXPECT_EQ(verdict(overlapping, at_zero),
              "few_jumps vs switch at offset 0: unclear (ratio 0.970 [0.930, 1.010], noise band ±0.2 %): "
              "its interval is wider than the noise band of ±0.2 %: more processes (--processes=20) or a "
              "quieter machine would settle it");
    EXPECT_FALSE(shown(made_pair(0, 1, 0.96, 0.92, 1.0)));
    // Within the band: the same.
    const PairedRatio alike = made_pair(0, 1, 1.001, 1.001, 1.001);
    EXPECT_EQ(alike.verdict, Verdict::same);
    EXPECT_EQ(verdict(alike, at_zero),
              "few_jumps and switch at offset 0: the same within the noise band of ±0.2 % (ratio 1.001 "
              "[1.001, 1.001])");
    EXPECT_EQ(verdict(made_pair(0, 1, 0.52, std::nullopt, std::nullopt, 5), at_zero),
              "few_jumps vs switch at offset 0: unclear (5 rounds): too few rounds counted for an "
              "interval: more processes (--processes=20) would settle it");
    // From figures: five rounds give no interval, however far apart the copies.
    const std::vector<RoundFigures> few = {copy("few_jumps", 0, {50, 51, 52, 53, 54}),
                                           copy("switch", 0, {100, 100, 100, 100, 100})};
    EXPECT_EQ(only_pair(few).verdict, Verdict::unclear);
}

// The tables: each pair's cell under its offset, then the verdicts, faster ones first.
TEST(RatioTables, CellsByOffsetThenVerdicts) {
    const std::vector<double> hundred(15, 100);
    const std::vector<RoundFigures> copies = {copy("few_jumps", 0, hundred), copy("few_jumps", 48, hundred),
                                              copy("switch", 0, hundred), copy("switch", 48, hundred)};
    const std::vector<PairedRatio> pairs = {
        made_pair(0, 2, 0.97, 0.93, 1.01), made_pair(1, 3, 0.92, 0.88, 0.96),
        made_pair(1, 0, 0.948, 0.946, 0.950, 15, PairKind::PLACEMENT),
        made_pair(3, 2, 1.0, 1.0, 1.0, 15, PairKind::PLACEMENT)};
    const std::string text = ratio_tables(pairs, copies);
    EXPECT_NE(text.find("few_jumps / switch  0.970 [0.930, 1.010]  0.920 [0.880, 0.960]\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("switch               1.000 [1.000, 1.000]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nVerdicts, long sample:\n"
                        "  few_jumps is 8.0 % faster than switch at offset 48 (95 %: 4.0 to 12.0 %)\n"
                        "  few_jumps/long: offset 48 is 5.2 % faster than offset 0 (95 %: 5.0 to 5.4 %)\n"
                        "  the same within the noise band of ±0.2 %:\n"
                        "    switch/long: offset 48 vs offset 0\n"
                        "  unclear (more processes, --processes=20, or a quieter machine would settle them):\n"
                        "    few_jumps vs switch at offset 0\n"),
              std::string::npos) << text;
}

// One escaper for every string of the tool's JSON: quotes, backslashes and every control
// character, which a JSON reader refuses raw.
TEST(JsonString, QuotesBackslashesAndControlCharactersEscaped) {
    EXPECT_EQ(json_string("few_jumps/long/offset:0"), "\"few_jumps/long/offset:0\"");
    EXPECT_EQ(json_string("a\"b\\c"), "\"a\\\"b\\\\c\"");
    for (int byte = 0; byte < 0x20; ++byte) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "\"\\u%04x\"", byte);
        EXPECT_EQ(json_string(std::string(1, static_cast<char>(byte))), expected) << byte;
    }
    EXPECT_EQ(json_string("\x7f"), "\"\\u007f\"");
    EXPECT_EQ(json_string("caf\xc3\xa9"), "\"caf\xc3\xa9\"");  // UTF-8 as it is
}

}  // namespace
