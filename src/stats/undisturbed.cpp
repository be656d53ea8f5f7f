#include "stats/undisturbed.hpp"

#include "stats/statistics.hpp"

namespace {

// The highest undisturbed figure of a copy, given its explained figures.
double undisturbed_limit(const std::vector<double>& explained) {
    return UNDISTURBED_BAND * quantile(explained, FAST_LEVEL_QUANTILE);
}

}  // namespace

std::vector<bool> unexplained_figures(const std::vector<double>& figures) {
    const double median = median_interval(figures).median;
    std::vector<bool> unexplained;
    for (const double figure : figures) unexplained.push_back(figure < 0 || figure < median * FAR_BELOW);
    return unexplained;
}

std::vector<bool> undisturbed_figures(const std::vector<double>& figures) {
    const std::vector<bool> unexplained = unexplained_figures(figures);
    std::vector<double> explained;
    for (std::size_t index = 0; index < figures.size(); ++index)
        if (!unexplained[index]) explained.push_back(figures[index]);
    const double limit = undisturbed_limit(explained);
    std::vector<bool> undisturbed;
    for (std::size_t index = 0; index < figures.size(); ++index)
        undisturbed.push_back(!unexplained[index] && figures[index] <= limit);
    return undisturbed;
}

double level_of(const std::vector<double>& undisturbed) {
    return quantile(undisturbed, LEVEL_QUANTILE);
}

double undisturbed_level(const std::vector<double>& explained) {
    const double limit = undisturbed_limit(explained);
    std::vector<double> undisturbed;
    for (const double figure : explained)
        if (figure <= limit) undisturbed.push_back(figure);
    return level_of(undisturbed);
}
