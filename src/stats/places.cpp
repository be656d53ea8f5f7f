#include "stats/places.hpp"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <sstream>

#include "stats/json_report.hpp"
#include "stats/placed_cases.hpp"
#include "stats/report_text.hpp"
#include "stats/statistics.hpp"

namespace {

std::string percent(double fraction, bool sign = false) {
    const std::string text = number_text(100 * fraction, 1);
    return (sign && fraction >= 0 ? "+" : "") + text + " %";
}

std::string address(unsigned offset) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%03x", offset);
    return text;
}

// The state of each round as each copy saw it: the median, over the other copies measured
// in that round, of their figure over their headline (1 where there is none). The copy's
// own figure is left out, so that a copy measured alone keeps its places' differences.
std::vector<std::vector<double>> round_states(const std::vector<std::vector<double>>& ticks,
                                              const std::vector<std::vector<bool>>& undisturbed) {
    std::vector<double> headlines;
    std::size_t rounds = 0;
    for (std::size_t copy = 0; copy < ticks.size(); ++copy) {
        std::vector<double> counted;
        for (std::size_t round = 0; round < ticks[copy].size(); ++round)
            if (undisturbed[copy][round]) counted.push_back(ticks[copy][round]);
        headlines.push_back(median_interval(counted).median);
        rounds = std::max(rounds, ticks[copy].size());
    }
    std::vector<std::vector<double>> states(ticks.size(), std::vector<double>(rounds, 1));
    for (std::size_t round = 0; round < rounds; ++round) {
        std::vector<double> relative(ticks.size(), 0);
        std::vector<bool> counts(ticks.size(), false);
        for (std::size_t copy = 0; copy < ticks.size(); ++copy)
            if (round < ticks[copy].size() && undisturbed[copy][round] && headlines[copy] > 0) {
                relative[copy] = ticks[copy][round] / headlines[copy];
                counts[copy] = true;
            }
        for (std::size_t copy = 0; copy < ticks.size(); ++copy) {
            std::vector<double> others;
            for (std::size_t other = 0; other < ticks.size(); ++other)
                if (other != copy && counts[other]) others.push_back(relative[other]);
            if (!others.empty()) states[copy][round] = median_interval(others).median;
        }
    }
    return states;
}

}  // namespace

std::vector<PlaceSpread> place_spreads(const std::vector<std::vector<double>>& ticks,
                                       const std::vector<std::vector<double>>& places,
                                       const std::vector<std::vector<bool>>& undisturbed,
                                       const std::vector<std::size_t>& segment_rounds,
                                       std::size_t relay_rounds) {
    // The laying of each round: a new one at each process's first round and every
    // relay_rounds after it.
    std::vector<std::size_t> laying_of;
    std::size_t layings = 0;
    for (const std::size_t rounds : segment_rounds) {
        for (std::size_t round = 0; round < rounds; ++round) laying_of.push_back(layings + round / relay_rounds);
        layings += (rounds + relay_rounds - 1) / relay_rounds;
    }
    const std::vector<std::vector<double>> states = round_states(ticks, undisturbed);
    std::vector<PlaceSpread> spreads;
    for (std::size_t copy = 0; copy < ticks.size(); ++copy) {
        std::vector<std::vector<double>> at(layings);
        std::vector<unsigned> where(layings, 0);
        for (std::size_t round = 0; round < ticks[copy].size() && round < laying_of.size(); ++round) {
            if (!undisturbed[copy][round]) continue;
            at[laying_of[round]].push_back(ticks[copy][round] / states[copy][round]);
            if (round < places[copy].size()) where[laying_of[round]] = static_cast<unsigned>(places[copy][round]);
        }
        std::vector<double> levels;
        std::vector<unsigned> level_at;
        for (std::size_t laying = 0; laying < layings; ++laying) {
            if (at[laying].empty()) continue;
            levels.push_back(median_interval(at[laying]).median);
            level_at.push_back(where[laying]);
        }
        PlaceSpread spread;
        spread.places = levels.size();
        if (!levels.empty()) {
            const double median = median_interval(levels).median;
            spread.spread = (quantile(levels, 0.9) - quantile(levels, 0.1)) / median;
            const auto [low, high] = std::minmax_element(levels.begin(), levels.end());
            spread.fastest = *low / median - 1;
            spread.slowest = *high / median - 1;
            spread.fastest_at = level_at[static_cast<std::size_t>(low - levels.begin())];
            spread.slowest_at = level_at[static_cast<std::size_t>(high - levels.begin())];
        }
        spreads.push_back(spread);
    }
    return spreads;
}

std::string places_text(const std::vector<PlaceSpread>& spreads, const std::vector<std::string>& names,
                        bool fixed) {
    // Rows by "<layout>/<sample>", columns by offset.
    std::vector<std::vector<std::string>> lines{{"copy"}};
    for (const int offset : PLACEMENT_OFFSETS) lines[0].push_back("offset " + std::to_string(offset));
    std::vector<std::string> rows;
    for (std::size_t copy = 0; copy < spreads.size(); ++copy) {
        if (spreads[copy].places == 0) continue;
        const std::string& name = names[copy];
        const std::size_t cut = name.rfind("/offset:");
        if (cut == std::string::npos) continue;
        const std::string row = name.substr(0, cut);
        const int offset = std::atoi(name.c_str() + cut + 8);
        auto found = std::find(rows.begin(), rows.end(), row);
        if (found == rows.end()) {
            rows.push_back(row);
            lines.push_back(std::vector<std::string>(PLACEMENT_COUNT + 1, "-"));
            lines.back()[0] = row;
            found = rows.end() - 1;
        }
        const auto column = std::find(std::begin(PLACEMENT_OFFSETS), std::end(PLACEMENT_OFFSETS), offset) -
                            std::begin(PLACEMENT_OFFSETS);
        if (column < static_cast<std::ptrdiff_t>(PLACEMENT_COUNT))
            lines[static_cast<std::size_t>(found - rows.begin()) + 1][static_cast<std::size_t>(column) + 1] =
                percent(spreads[copy].spread);
    }
    if (rows.empty()) return "";
    std::size_t fewest = SIZE_MAX;
    for (const PlaceSpread& spread : spreads)
        if (spread.places > 0) fewest = std::min(fewest, spread.places);
    std::ostringstream text;
    text << "\nPlaces: how far each copy's level moved from one place to the next, over at least " << fewest
         << (fixed ? (fewest == 1 ? " laying" : " layings") +
                         std::string(" at the build's address (--placement=fixed: the noise alone, no place "
                                     "to sample)")
                   : (fewest == 1 ? " place" : " places") +
                         std::string(" (a random page and line each, the offset in the line kept)"))
         << ": the 10th to 90th percentile of its levels, as a share of their median\n"
         << table_text(lines);
    if (fixed) return text.str();
    // The copies whose place matters most, with where they ran fastest and slowest.
    std::vector<std::size_t> order(spreads.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return spreads[a].spread > spreads[b].spread; });
    text << "  most sensitive to their place (entry address modulo 4096):\n";
    for (std::size_t rank = 0; rank < std::min<std::size_t>(3, order.size()); ++rank) {
        const PlaceSpread& spread = spreads[order[rank]];
        if (spread.places == 0) break;
        text << "    " << names[order[rank]] << ": " << percent(spread.spread) << "; fastest at "
             << address(spread.fastest_at) << " (" << percent(spread.fastest, true) << "), slowest at "
             << address(spread.slowest_at) << " (" << percent(spread.slowest, true) << ")\n";
    }
    return text.str();
}

std::string places_json(const std::vector<PlaceSpread>& spreads, const std::vector<std::string>& names) {
    std::ostringstream json;
    bool first = true;
    for (std::size_t copy = 0; copy < spreads.size(); ++copy) {
        const PlaceSpread& spread = spreads[copy];
        if (spread.places == 0) continue;
        json << (first ? "" : ",") << "\n    {\"name\": " << json_string(names[copy])
             << ", \"places\": " << spread.places << ", \"spread\": " << number_text(spread.spread, SIGNIFICANT)
             << ", \"fastest_at\": " << spread.fastest_at << ", \"fastest\": "
             << number_text(spread.fastest, SIGNIFICANT) << ", \"slowest_at\": " << spread.slowest_at
             << ", \"slowest\": " << number_text(spread.slowest, SIGNIFICANT) << "}";
        first = false;
    }
    return json.str();
}
