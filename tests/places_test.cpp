// A copy's level at each of its places, the host's state taken out round by round, on
// made-up figures whose spread, fastest and slowest places are known.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stats/places.hpp"

namespace {

TEST(PlaceSpreads, LevelsByLayingWithTheRoundsStateTakenOut) {
    // Three processes of 20 rounds, a laying every 10: six places. Copies B, C and D run at
    // 100 throughout; A's level differs by place. In the first 5 rounds every copy runs
    // 1.2 times slower (the host): the state, which must not show in A's levels.
    const double a_levels[] = {100, 104, 96, 120, 100, 100};
    const double a_places[] = {0x010, 0x050, 0x090, 0x0d0, 0x110, 0x150};
    std::vector<std::vector<double>> ticks(4), places(4);
    for (std::size_t round = 0; round < 60; ++round) {
        const std::size_t laying = round / 10;
        const double state = round < 5 ? 1.2 : 1.0;
        ticks[0].push_back(a_levels[laying] * state);
        ticks[1].push_back(100 * state);
        ticks[2].push_back(100 * state);
        ticks[3].push_back(100 * state);
        places[0].push_back(a_places[laying]);
        places[3].push_back(0x340);
        places[1].push_back(0x200 + 64.0 * static_cast<double>(laying));
        places[2].push_back(0x300);
    }
    const std::vector<std::vector<bool>> undisturbed(4, std::vector<bool>(60, true));
    const std::vector<PlaceSpread> spreads = place_spreads(ticks, places, undisturbed, {20, 20, 20}, 10);
    ASSERT_EQ(spreads.size(), 4u);
    const PlaceSpread& a = spreads[0];
    EXPECT_EQ(a.places, 6u);
    // Levels 96, 100, 100, 100, 104, 120: the 10th percentile halfway from 96 to 100, the
    // 90th halfway from 104 to 120, over the median 100.
    EXPECT_NEAR(a.spread, (112.0 - 98.0) / 100, 1e-12);
    EXPECT_NEAR(a.fastest, -0.04, 1e-12);
    EXPECT_EQ(a.fastest_at, 0x090u);
    EXPECT_NEAR(a.slowest, 0.20, 1e-12);
    EXPECT_EQ(a.slowest_at, 0x0d0u);
    // B, C and D: the same level everywhere, the host's slow rounds cancelled (A's figure is
    // one of three for their state, and never its median).
    EXPECT_NEAR(spreads[1].spread, 0, 1e-12);
    EXPECT_NEAR(spreads[2].slowest, 0, 1e-12);
}

TEST(PlaceSpreads, OnlyUndisturbedFiguresAndTheProcessesOwnLayings) {
    // Processes of 5 and 15 rounds, a laying every 10: layings 0 (rounds 0-4), 1 (5-14)
    // and 2 (15-19). Laying 1's figures all disturbed: two places counted.
    std::vector<std::vector<double>> ticks{std::vector<double>(20, 100)}, places{std::vector<double>(20, 0)};
    std::vector<std::vector<bool>> undisturbed{std::vector<bool>(20, true)};
    for (std::size_t round = 5; round < 15; ++round) undisturbed[0][round] = false;
    for (std::size_t round = 15; round < 20; ++round) ticks[0][round] = 110;
    const PlaceSpread spread = place_spreads(ticks, places, undisturbed, {5, 15}, 10).at(0);
    EXPECT_EQ(spread.places, 2u);
    EXPECT_NEAR(spread.slowest, 110 / 105.0 - 1, 1e-12);
    // A copy with no figures has no places, and is left out of the texts.
    const PlaceSpread none = place_spreads({{}}, {{}}, {{}}, {5, 15}, 10).at(0);
    EXPECT_EQ(none.places, 0u);
    EXPECT_EQ(places_text({none}, {"few_jumps/long/offset:0"}, false), "");
    EXPECT_EQ(places_json({none}, {"few_jumps/long/offset:0"}), "");
}

TEST(PlacesText, ATableByOffsetAndTheMostSensitiveCopies) {
    PlaceSpread wide;
    wide.places = 40;
    wide.spread = 0.083;
    wide.fastest = -0.051;
    wide.fastest_at = 0x7c0;
    wide.slowest = 0.034;
    wide.slowest_at = 0x040;
    PlaceSpread narrow = wide;
    narrow.places = 38;
    narrow.spread = 0.004;
    const std::string text =
        places_text({narrow, wide}, {"few_jumps/long/offset:0", "few_jumps/long/offset:32"}, false);
    EXPECT_NE(text.find("over at least 38 places"), std::string::npos) << text;
    EXPECT_NE(text.find("\ncopy            offset 0  offset 16  offset 32  offset 48\n"
                        "few_jumps/long     0.4 %          -      8.3 %          -\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("    few_jumps/long/offset:32: 8.3 %; fastest at 0x7c0 (-5.1 %), slowest at 0x040 "
                        "(+3.4 %)\n    few_jumps/long/offset:0: 0.4 %"),
              std::string::npos) << text;
    // Fixed places: the noise alone, no ranking of places.
    const std::string fixed = places_text({wide}, {"few_jumps/long/offset:32"}, true);
    EXPECT_NE(fixed.find("--placement=fixed"), std::string::npos);
    EXPECT_EQ(fixed.find("most sensitive"), std::string::npos);
    EXPECT_EQ(places_json({wide}, {"few_\"jumps"}),
              "\n    {\"name\": \"few_\\\"jumps\", \"places\": 40, \"spread\": 0.083, \"fastest_at\": 1984, "
              "\"fastest\": -0.051, \"slowest_at\": 64, \"slowest\": 0.034}");
}

}  // namespace
