#include "stats/summary.hpp"

#include <algorithm>
#include <map>
#include <sstream>

#include "stats/console_report.hpp"
#include "stats/report_text.hpp"
#include "stats/texts.hpp"

namespace {

struct Ranked {
    std::string layout;
    std::size_t best = 0, worst = 0;  // into the copies
};

std::string percent_change(double ratio) {
    const std::string text = number_text(100 * (ratio - 1), 1);
    return (ratio >= 1 ? "+" : "") + text + " %";
}

std::string against(const PairedRatio& pair) {
    if (pair.ratio.count == 0) return "-";
    std::string text = percent_change(pair.ratio.median);
    if (pair.ratio.low) text += " [" + percent_change(*pair.ratio.low) + ", " + percent_change(*pair.ratio.high) + "]";
    return text;
}

}  // namespace

std::string summary_text(const Results& results, const std::string& text_name) {
    const std::vector<RoundFigures>& copies = results.copies;
    const double delta = results.pairs.empty() ? LEAST_NOISE_FLOOR : results.pairs.front().delta;
    const auto judged = [&](std::size_t first, std::size_t second) {
        PairedRatio pair = pair_copies(copies, results.undisturbed, results.block_of_round, PairKind::LAYOUTS, first, second);
        pair.delta = delta;
        pair.verdict = judge(pair.ratio, delta);
        return pair;
    };
    std::vector<std::string> samples;
    for (const RoundFigures& copy : copies)
        if (std::find(samples.begin(), samples.end(), copy.sample) == samples.end()) samples.push_back(copy.sample);

    std::ostringstream text;
    for (const std::string& sample : samples) {
        // Each layout's best and worst copy by headline, of those that scan the length most
        // layouts scan (the longest of equally many).
        std::map<std::uint32_t, std::vector<std::string>> by_length;
        std::vector<Ranked> ranked;
        for (std::size_t index = 0; index < copies.size() && index < results.headlines.size(); ++index) {
            const RoundFigures& copy = copies[index];
            if (copy.sample != sample || copy.again || !(results.headlines[index] > 0)) continue;
            auto found = std::find_if(ranked.begin(), ranked.end(),
                                      [&](const Ranked& r) { return r.layout == copy.layout; });
            if (found == ranked.end()) {
                ranked.push_back({copy.layout, index, index});
                by_length[copy.scan_length].push_back(copy.layout);
                continue;
            }
            if (results.headlines[index] < results.headlines[found->best]) found->best = index;
            if (results.headlines[index] > results.headlines[found->worst]) found->worst = index;
        }
        if (ranked.size() < 2) continue;
        const std::uint32_t common = common_scan_length(by_length);
        std::vector<Ranked> apart;
        std::erase_if(ranked, [&](const Ranked& r) {
            if (copies[r.best].scan_length == common) return false;
            apart.push_back(r);
            return true;
        });
        std::stable_sort(ranked.begin(), ranked.end(), [&](const Ranked& a, const Ranked& b) {
            return results.headlines[a.best] < results.headlines[b.best];
        });
        const Ranked& fastest = ranked.front();
        text << "\nSummary, " << sample_heading(sample, text_name)
             << ": the layouts ranked by ticks per scan at their best offset, each against " << fastest.layout
             << " at its best (and at their worst against its worst), 95 % intervals, the noise band ±"
             << number_text(100 * delta, 1) << " %\n";
        std::vector<std::vector<std::string>> lines{
            {"layout", "best", "offset", "vs fastest", "verdict", "worst", "offset", "vs its worst", "verdict"}};
        for (std::size_t rank = 0; rank < ranked.size(); ++rank) {
            const Ranked& row = ranked[rank];
            std::vector<std::string> line{std::to_string(rank + 1) + ". " + row.layout,
                                          number_text(results.headlines[row.best], 1),
                                          std::to_string(copies[row.best].offset)};
            if (rank == 0) {
                line.insert(line.end(), {"-", "fastest"});
            } else {
                const PairedRatio best = judged(row.best, fastest.best);
                line.insert(line.end(), {against(best), verdict_word(best.verdict)});
            }
            line.insert(line.end(), {number_text(results.headlines[row.worst], 1),
                                     std::to_string(copies[row.worst].offset)});
            if (rank == 0) {
                line.insert(line.end(), {"-", "-"});
            } else {
                const PairedRatio worst = judged(row.worst, fastest.worst);
                line.insert(line.end(), {against(worst), verdict_word(worst.verdict)});
            }
            lines.push_back(line);
        }
        text << table_text(lines, "  ");
        // Neighbours in the ranking that are the same at their best offsets, as groups.
        std::string groups;
        for (std::size_t rank = 0; rank < ranked.size();) {
            std::size_t end = rank + 1;
            while (end < ranked.size() && judged(ranked[end].best, ranked[end - 1].best).verdict == Verdict::same)
                ++end;
            if (end - rank > 1) {
                std::string group;
                for (std::size_t member = rank; member < end; ++member)
                    group += (member > rank ? (member + 1 == end ? " and " : ", ") : "") + ranked[member].layout;
                groups += (groups.empty() ? "" : "; ") + group;
            }
            rank = end;
        }
        text << "  the same at their best offsets: " << (groups.empty() ? "none" : groups) << '\n';
        // How much the offset mattered: each layout's worst over its best, the most and least.
        const auto spread = [&](const Ranked& row) {
            return results.headlines[row.worst] / results.headlines[row.best] - 1;
        };
        const auto [least, widest] = std::minmax_element(
            ranked.begin(), ranked.end(), [&](const Ranked& a, const Ranked& b) { return spread(a) < spread(b); });
        text << "  the offset in the line mattered up to " << number_text(100 * spread(*widest), 1) << " % ("
             << widest->layout << ", offset " << copies[widest->best].offset << " against "
             << copies[widest->worst].offset << "), least for " << least->layout << " ("
             << number_text(100 * spread(*least), 1) << " %)\n";
        for (const Ranked& row : apart)
            text << "  not ranked: " << row.layout << " scans " << copies[row.best].scan_length
                 << " bytes where the others scan " << common << '\n';
    }
    return text.str();
}
