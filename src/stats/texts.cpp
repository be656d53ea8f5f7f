#include "stats/texts.hpp"

#include <cstdio>
#include <cstdlib>

#include "stats/placed_cases.hpp"
#include "stats/stats_case.hpp"

#include <algorithm>
#include <map>

namespace {

constexpr char TEXT_VARIABLE[] = "JUMPBENCH_STATS_TEXT";
constexpr char HASH_VARIABLE[] = "JUMPBENCH_STATS_TEXT_HASH";

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

std::string use_stats_text(const char* path, ToolText& text) {
    if (path == nullptr) {
        text = use_long_sample();
    } else if (std::string error; !use_text_file(path, text, error)) {
        return error;
    }
    stats_long_runs = long_runs_for(text.length);
    return "";
}

void pass_text_on(const ToolText& text, const char* path) {
    if (path == nullptr) return;
    setenv(TEXT_VARIABLE, path, 1);
    setenv(HASH_VARIABLE, hex(text.hash).c_str(), 1);
}

std::string use_passed_text() {
    const char* path = std::getenv(TEXT_VARIABLE);
    ToolText text;
    if (std::string problem = use_stats_text(path, text); !problem.empty()) return problem;
    const char* hash = std::getenv(HASH_VARIABLE);
    if (path != nullptr && (hash == nullptr || hex(text.hash) != hash))
        return std::string("the text ") + path + " has changed since the measuring began";
    return "";
}

std::string text_context(const ToolText& text) {
    return text.name + ", " + std::to_string(text.length) + " bytes, FNV-1a 64 " + hex(text.hash);
}

std::uint32_t common_scan_length(const std::map<std::uint32_t, std::vector<std::string>>& layouts_by_length) {
    auto most = layouts_by_length.begin();
    for (auto it = layouts_by_length.begin(); it != layouts_by_length.end(); ++it)
        if (it->second.size() >= most->second.size()) most = it;
    return most == layouts_by_length.end() ? 0 : most->first;
}

std::string uncompared_layouts(const std::vector<StatsCase>& cases, const std::vector<bool>& selected) {
    std::map<std::uint32_t, std::vector<std::string>> by_length;
    for (std::size_t index = 0; index < cases.size(); ++index) {
        const StatsCase& stats_case = cases[index];
        if (!selected[index] || stats_case.sample != "long") continue;
        std::vector<std::string>& layouts = by_length[stats_case.scan_length];
        if (std::find(layouts.begin(), layouts.end(), stats_case.layout) == layouts.end())
            layouts.push_back(stats_case.layout);
    }
    if (by_length.size() < 2) return "";
    const std::uint32_t common = common_scan_length(by_length);
    std::string words;
    for (const auto& [length, layouts] : by_length) {
        if (length == common) continue;
        for (const std::string& layout : layouts) {
            words += (words.empty() ? "" : "; ") + layout + " scans " + std::to_string(length) +
                     " bytes where the others scan " + std::to_string(common);
        }
    }
    return words + ": not paired with the others, their scans do different work (a layout that"
                   " stops at a blank too ends at the text's first blank)";
}
