// How much a copy's place matters. Laid afresh every RELAY_ROUNDS rounds at a random page
// and line (its offset in the line kept), a copy is measured at many places; its level at
// each is the median of its undisturbed figures there. The host's states move every copy's
// figures of a round alike, so each figure is first divided by its round's state: the
// median, over the other copies measured in that round, of their figure over their
// headline.
// What is left between one place and the next is the place's own effect, and the noise
// of a few rounds: with --placement=fixed every laying is the same place, and the spread
// is that noise alone, the control to read a copy's spread against.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct PlaceSpread {
    std::size_t places = 0;  // layings with an undisturbed figure
    double spread = 0;       // the levels' 90th percentile less their 10th, over their median
    // The fastest and slowest places: their level over the median level, less 1, and where
    // the kernel's entry lay (its address modulo 4096).
    double fastest = 0, slowest = 0;
    unsigned fastest_at = 0, slowest_at = 0;
};

// Per copy: `ticks`, `places` (entry address modulo 4096, as given by the rounds) and
// `undisturbed` by round, in the rounds' order; `segment_rounds` the rounds of each
// process, whose layings began at its first round and every `relay_rounds` after it. A
// copy without figures gets places 0.
std::vector<PlaceSpread> place_spreads(const std::vector<std::vector<double>>& ticks,
                                       const std::vector<std::vector<double>>& places,
                                       const std::vector<std::vector<bool>>& undisturbed,
                                       const std::vector<std::size_t>& segment_rounds,
                                       std::size_t relay_rounds);

// The console's table: one row per layout and sample, one column per offset, each cell a
// copy's spread in per cent; then the most place-sensitive copies with their fastest and
// slowest places. `names` are the copies' "<layout>/<sample>/offset:<N>" names.
std::string places_text(const std::vector<PlaceSpread>& spreads, const std::vector<std::string>& names,
                        bool fixed);

// The JSON member's array: one object per copy with its name, places, spread, fastest and
// slowest places (address modulo 4096) and their levels over the median, less 1.
std::string places_json(const std::vector<PlaceSpread>& spreads, const std::vector<std::string>& names);
