#include "stats/aa_control.hpp"

#include "stats/placed_cases.hpp"

std::optional<AAControl> choose_aa_control(const std::vector<StatsCase>& cases,
                                           const std::vector<bool>& selected) {
    std::optional<std::size_t> first, first_long;
    for (std::size_t index = 0; index < cases.size(); ++index) {
        if (!selected[index]) continue;
        if (cases[index].name == TWIN_OF) return AAControl{index, true};
        if (!first) first = index;
        if (!first_long && cases[index].sample == "long") first_long = index;
    }
    if (first_long) return AAControl{*first_long, false};
    if (first) return AAControl{*first, false};
    return std::nullopt;
}

const StatsCase& second_call(const AAControl& control, const std::vector<StatsCase>& cases,
                             const StatsCase& twin) {
    return control.twin ? twin : cases[control.copy];
}

std::string aa_words(const AAControl& control, const std::vector<StatsCase>& cases) {
    return cases[control.copy].name + (control.twin ? " and its twin, the same bytes at the same offset "
                                                      "in another slot"
                                                    : " called twice");
}

std::string second_name(const AAControl& control, const std::vector<StatsCase>& cases) {
    // Google Benchmark adds /manual_time to the name of a benchmark timed by hand.
    return cases[control.copy].name + (control.twin ? "/twin" : "/manual_time");
}
