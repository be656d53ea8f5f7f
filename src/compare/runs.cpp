#include "compare/runs.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string_view>

#include <nlohmann/json.hpp>

#include "host/numbers.hpp"

// Built without exceptions, the library ends the process on a type error instead of
// throwing: every value's type is checked before it is read.
using Json = nlohmann::ordered_json;

namespace {

// "few_jumps/long/offset:48/manual_time" → few_jumps, long, 48. False if not of that form.
bool split_name(const std::string& name, std::string& layout, std::string& sample, int& offset) {
    const std::size_t slash1 = name.find('/');
    if (slash1 == std::string::npos || slash1 == 0) return false;
    const std::size_t slash2 = name.find('/', slash1 + 1);
    if (slash2 == std::string::npos || slash2 == slash1 + 1) return false;
    constexpr char OFFSET[] = "offset:";
    if (name.compare(slash2 + 1, sizeof OFFSET - 1, OFFSET) != 0) return false;
    const std::size_t digits = slash2 + sizeof OFFSET;
    // The offset runs to the next '/' or the end.
    const std::size_t end = std::min(name.find('/', digits), name.size());
    long long bytes;
    if (!read_integer(name.substr(digits, end - digits).c_str(), 0, 999999, bytes)) return false;
    layout = name.substr(0, slash1);
    sample = name.substr(slash1 + 1, slash2 - slash1 - 1);
    offset = static_cast<int>(bytes);
    return true;
}

// Google Benchmark writes a counter that is not a number as a bare NaN or Infinity (as
// JavaScript spells them), which JSON does not have: a run's "benchmarks" hold them where a
// copy takes no branch. Outside strings they become null before the text is parsed.
std::string without_bare_non_numbers(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool in_string = false;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (in_string) {
            out += c;
            if (c == '\\' && index + 1 < text.size()) out += text[++index];
            else if (c == '"') in_string = false;
            continue;
        }
        if (c == '"') in_string = true;
        bool replaced = false;
        for (const std::string_view word : {"-Infinity", "Infinity", "-NaN", "NaN"})
            if (text.compare(index, word.size(), word) == 0) {
                out += "null";
                index += word.size() - 1;
                replaced = true;
                break;
            }
        if (!replaced) out += c;
    }
    return out;
}

std::string as_text(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number()) return significant_text(value.get<double>(), 10);
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<double> optional_number(const Json& pair, const char* key, bool& bad) {
    if (!pair.contains(key) || pair[key].is_null()) return std::nullopt;
    if (!pair[key].is_number()) {
        bad = true;
        return std::nullopt;
    }
    return pair[key].get<double>();
}

}  // namespace

std::string Run::context_value(const std::string& key) const {
    for (const auto& [name, value] : context)
        if (name == key) return value;
    return "";
}

std::string read_run(const std::string& path, const std::string& text, Run& run) {
    run = Run{};
    run.path = path;
    const Json document = Json::parse(without_bare_non_numbers(text), nullptr, false);
    const std::string not_a_run = path + ": not a run of jumpbench-stats (";
    if (document.is_discarded()) return not_a_run + "not JSON)";
    if (!document.is_object() || !document.contains("context") || !document["context"].is_object())
        return not_a_run + "no \"context\" object)";
    const Json& context = document["context"];
    // Google Benchmark writes the context of every program; these two lines are the tool's.
    if (!context.contains("architecture") || !context.contains("text"))
        return not_a_run + "its context has no \"architecture\" and \"text\" lines)";
    for (const auto& [key, value] : context.items()) run.context.emplace_back(key, as_text(value));

    if (!document.contains("pairs") || !document["pairs"].is_array() || document["pairs"].empty())
        return path + ": a run without pairs (no \"pairs\" list, or an empty one)";
    std::size_t index = 0;
    for (const Json& pair : document["pairs"]) {
        ++index;
        const std::string bad_pair = path + ": pair " + std::to_string(index) + " is malformed (";
        if (!pair.is_object()) return bad_pair + "not an object)";
        for (const char* key : {"first", "second", "kind", "sample"})
            if (!pair.contains(key) || !pair[key].is_string()) return bad_pair + "no \"" + key + "\" text)";
        if (!pair.contains("median") || !pair["median"].is_number() || !(pair["median"].get<double>() > 0))
            return bad_pair + "no \"median\" above 0)";
        RunPair entry;
        std::string first_sample, second_sample;
        int second_offset = 0;
        if (!split_name(pair["first"].get<std::string>(), entry.first_layout, first_sample, entry.offset) ||
            !split_name(pair["second"].get<std::string>(), entry.second_layout, second_sample, second_offset))
            return bad_pair + "\"first\" or \"second\" is not layout/sample/offset:N)";
        entry.kind = pair["kind"].get<std::string>();
        entry.sample = pair["sample"].get<std::string>();
        entry.median = pair["median"].get<double>();
        bool bad = false;
        entry.low = optional_number(pair, "low", bad);
        entry.high = optional_number(pair, "high", bad);
        if (bad || entry.low.has_value() != entry.high.has_value() ||
            (entry.low && !(*entry.low > 0 && *entry.low <= entry.median && entry.median <= *entry.high)))
            return bad_pair + "\"low\" and \"high\" are not an interval around the median)";
        if (entry.kind == "layouts" && (second_offset != entry.offset || first_sample != entry.sample ||
                                        second_sample != entry.sample))
            return bad_pair + "two layouts at different offsets or samples)";
        if (pair.contains("verdict") && !pair["verdict"].is_null()) entry.verdict = as_text(pair["verdict"]);
        if (pair.contains("delta") && !pair["delta"].is_null()) entry.delta = as_text(pair["delta"]);
        run.pairs.push_back(entry);
    }
    bool layouts = false;
    for (const RunPair& pair : run.pairs) layouts = layouts || pair.kind == "layouts";
    if (!layouts) return path + ": a run without pairs of layouts (only one layout measured?)";

    Json trimmed = Json::object();
    trimmed["context"] = context;
    trimmed["pairs"] = document["pairs"];
    run.trimmed = trimmed.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    return "";
}

std::string load_run(const std::string& path, Run& run) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return path + ": cannot be read";
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) return path + ": cannot be read";
    return read_run(path, text.str(), run);
}
