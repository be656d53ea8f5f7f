#include "compare/comparison.hpp"

#include <algorithm>
#include <set>

namespace {

template <typename T>
std::size_t position_or_add(std::vector<T>& values, const T& value) {
    const auto found = std::find(values.begin(), values.end(), value);
    if (found != values.end()) return static_cast<std::size_t>(found - values.begin());
    values.push_back(value);
    return values.size() - 1;
}

// The processor as the run's context names it. Runs made before the stats tool named the
// processor say so, with the host's name: they are grouped by host.
std::string processor_of(const Run& run) {
    const std::string name = run.context_value("processor_name");
    const std::string vendor = run.context_value("processor_vendor");
    if (name.empty() && vendor.empty())
        return "processor not named in the run (host " + run.context_value("host_name") + ")";
    std::string text = name.empty() ? "unnamed processor" : name;
    text += " (" + vendor + " family " + run.context_value("processor_family") + " model " +
            run.context_value("processor_model") + " stepping " + run.context_value("processor_stepping");
    const std::string microarchitecture = run.context_value("microarchitecture");
    if (!microarchitecture.empty() && microarchitecture != "not in this tool's table")
        text += ", " + microarchitecture;
    const std::string hypervisor = run.context_value("hypervisor");
    if (hypervisor.starts_with("yes")) text += ", under a hypervisor" + hypervisor.substr(3);
    return text + ")";
}

std::string build_of(const Run& run) {
    std::string text = run.context_value("architecture") + " build, text: " + run.context_value("text");
    const std::string emulated = run.context_value("emulated");
    if (!emulated.empty()) text += ", EMULATED by " + emulated + " (the emulator's figures)";
    return text;
}

std::set<std::string> layouts_of(const Run& run) {
    std::set<std::string> layouts;
    for (const RunPair& pair : run.pairs)
        if (pair.kind == "layouts") {
            layouts.insert(pair.first_layout);
            layouts.insert(pair.second_layout);
        }
    return layouts;
}

std::string words(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

}  // namespace

std::string compare_runs(const std::vector<Run>& runs, const std::string& reference, Comparison& comparison) {
    comparison = Comparison{};
    comparison.reference = reference;
    if (runs.empty()) return "no runs given";
    const std::set<std::string> layouts = layouts_of(runs.front());
    for (const Run& run : runs) {
        const std::set<std::string> these = layouts_of(run);
        if (these != layouts) {
            std::set<std::string> only_first, only_this;
            std::set_difference(layouts.begin(), layouts.end(), these.begin(), these.end(),
                                std::inserter(only_first, only_first.end()));
            std::set_difference(these.begin(), these.end(), layouts.begin(), layouts.end(),
                                std::inserter(only_this, only_this.end()));
            return "runs of different layouts: " + run.path + " lacks " + words(only_first) +
                   " and has " + words(only_this) + " beyond " + runs.front().path;
        }
    }
    if (!layouts.count(reference))
        return "reference layout '" + reference + "' is not among the runs' layouts (" + words(layouts) + ")";

    // Groups: one per processor, build and text, in the order the runs are given.
    std::vector<std::string> group_keys;
    for (std::size_t index = 0; index < runs.size(); ++index) {
        const std::string processor = processor_of(runs[index]), build = build_of(runs[index]);
        const std::size_t group = position_or_add(group_keys, processor + '\n' + build);
        if (group == comparison.groups.size()) {
            Group added;
            added.letter = std::string(1, static_cast<char>('A' + group % 26)) +
                           (group >= 26 ? std::to_string(group / 26) : "");
            added.processor = processor;
            added.build = build;
            comparison.groups.push_back(added);
        }
        comparison.groups[group].columns.push_back(index);  // run index for now
    }
    for (std::size_t group = 0; group < comparison.groups.size(); ++group) {
        Group& g = comparison.groups[group];
        for (std::size_t& column : g.columns) {
            const std::size_t run = column;
            column = comparison.columns.size();
            comparison.columns.push_back(
                {g.letter + std::to_string(&column - g.columns.data() + 1), run, group});
        }
    }

    // The rows: every (sample, offset, layout) any run pairs with the reference, in the
    // order the runs list them.
    struct Key {
        std::string sample;
        int offset;
        std::string layout;
        bool operator==(const Key&) const = default;
    };
    std::vector<std::string> samples;
    std::vector<int> offsets;
    std::vector<std::string> ordered_layouts;
    std::vector<Key> keys;
    for (const Run& run : runs)
        for (const RunPair& pair : run.pairs) {
            if (pair.kind != "layouts") continue;
            if (pair.first_layout != reference && pair.second_layout != reference) continue;
            const std::string& other = pair.first_layout == reference ? pair.second_layout : pair.first_layout;
            position_or_add(samples, pair.sample);
            position_or_add(offsets, pair.offset);
            position_or_add(ordered_layouts, other);
            position_or_add(keys, Key{pair.sample, pair.offset, other});
        }
    std::sort(offsets.begin(), offsets.end());
    for (const std::string& sample : samples)
        for (const std::string& layout : ordered_layouts)
            for (const int offset : offsets) {
                if (std::find(keys.begin(), keys.end(), Key{sample, offset, layout}) == keys.end()) continue;
                Row row{sample, layout, offset, std::vector<Cell>(comparison.columns.size())};
                for (std::size_t column = 0; column < comparison.columns.size(); ++column) {
                    const Run& run = runs[comparison.columns[column].run];
                    for (const RunPair& pair : run.pairs) {
                        if (pair.kind != "layouts" || pair.sample != sample || pair.offset != offset) continue;
                        const bool direct = pair.first_layout == layout && pair.second_layout == reference;
                        const bool inverse = pair.first_layout == reference && pair.second_layout == layout;
                        if (!direct && !inverse) continue;
                        Cell& cell = row.cells[column];
                        cell.present = true;
                        cell.inverted = inverse;
                        cell.ratio = inverse ? 1 / pair.median : pair.median;
                        if (pair.low) {
                            cell.low = inverse ? 1 / *pair.high : *pair.low;
                            cell.high = inverse ? 1 / *pair.low : *pair.high;
                        }
                        cell.run_verdict = pair.verdict.value_or("");
                        cell.verdict = verdict_of(cell);
                        cell.delta = pair.delta.value_or("");
                        break;
                    }
                }
                comparison.rows.push_back(row);
            }

    // Columns of different builds or texts are not mixed silently.
    std::vector<std::string> architectures, texts;
    for (const Run& run : runs) {
        position_or_add(architectures, run.context_value("architecture"));
        position_or_add(texts, run.context_value("text"));
    }
    if (architectures.size() > 1)
        comparison.notes.push_back("the columns measured different builds (" +
                                   std::to_string(architectures.size()) +
                                   " architectures): compare a row across them with that in mind");
    if (texts.size() > 1)
        comparison.notes.push_back("the columns measured different texts (" + std::to_string(texts.size()) +
                                   "): their ratios are of different inputs");
    for (const Run& run : runs)
        if (!run.context_value("emulated").empty()) {
            comparison.notes.push_back("a column's figures are an emulator's, not its processor's");
            break;
        }
    return "";
}

std::string verdict_of(const Cell& cell) {
    // A run that judged its pairs against its own noise band gives its word; the reference
    // first in the pair turns faster into slower.
    if (cell.run_verdict == "same" || cell.run_verdict == "unclear") return cell.run_verdict;
    if (cell.run_verdict == "faster") return cell.inverted ? "slower" : "faster";
    if (cell.run_verdict == "slower") return cell.inverted ? "faster" : "slower";
    if (!cell.low) return "no interval";
    if (*cell.high < 1) return "faster";
    if (*cell.low > 1) return "slower";
    return "no difference shown";
}

Spread spread_of(const Row& row, const Group& group) {
    Spread spread;
    for (const std::size_t column : group.columns) {
        const Cell& cell = row.cells[column];
        if (!cell.present) continue;
        spread.lowest = spread.count ? std::min(spread.lowest, cell.ratio) : cell.ratio;
        spread.highest = spread.count ? std::max(spread.highest, cell.ratio) : cell.ratio;
        ++spread.count;
    }
    return spread;
}
