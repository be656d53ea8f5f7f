#include "stats/json_report.hpp"

#include <sstream>

#include "stats/console_report.hpp"
#include "stats/report_text.hpp"

namespace {

std::string json_number(const std::optional<double>& value) {
    return value ? number_text(*value, SIGNIFICANT) : "null";
}

}  // namespace

std::string json_string(const std::string& value) {
    std::string quoted = "\"";
    for (const char character : value) {
        const auto byte = static_cast<unsigned char>(character);
        if (character == '"' || character == '\\') {
            quoted += '\\';
            quoted += character;
        } else if (byte < 0x20 || byte == 0x7F) {
            // A control character is never written raw: JSON readers refuse it in a string.
            constexpr char HEX[] = "0123456789abcdef";
            quoted += "\\u00";
            quoted += HEX[byte >> 4];
            quoted += HEX[byte & 0xF];
        } else {
            quoted += character;
        }
    }
    return quoted + '"';
}

std::string pairs_json(const std::vector<PairedRatio>& pairs,
                       const std::vector<RoundFigures>& copies,
                       const std::vector<std::string>& names, const std::string& interval_over) {
    std::ostringstream text;
    for (std::size_t index = 0; index < pairs.size(); ++index) {
        const PairedRatio& pair = pairs[index];
        const MedianInterval& ratio = pair.ratio;
        text << (index ? ",\n" : "") << "    {\n"
             << "      \"first\": " << json_string(names[pair.first]) << ",\n"
             << "      \"second\": " << json_string(names[pair.second]) << ",\n"
             << "      \"kind\": \"" << kind_name(pair.kind) << "\",\n"
             << "      \"sample\": " << json_string(copies[pair.first].sample) << ",\n"
             << "      \"median\": " << json_number(ratio.count ? std::optional(ratio.median) : std::nullopt)
             << ",\n"
             << "      \"low\": " << json_number(ratio.low) << ",\n"
             << "      \"high\": " << json_number(ratio.high) << ",\n"
             << "      \"confidence\": " << json_number(ratio.low ? std::optional(ratio.confidence) : std::nullopt)
             << ",\n"
             << "      \"rounds\": " << ratio.count << ",\n"
             << "      \"blocks\": " << pair.blocks << ",\n"
             << "      \"interval_over\": " << json_string(interval_over) << ",\n"
             << "      \"verdict\": \"" << verdict_word(pair.verdict) << "\",\n"
             << "      \"delta\": " << number_text(pair.delta, SIGNIFICANT) << ",\n"
             << "      \"says\": " << json_string(verdict(pair, copies)) << "\n"
             << "    }";
    }
    return text.str();
}

std::string cost_model_json(const CostModel& model, const std::vector<std::string>& copies,
                            const std::vector<double>& cycles) {
    std::ostringstream json;
    if (!model.error.empty()) {
        json << "{\"error\": " << json_string(model.error) << ", \"copies\": " << model.copies << "}";
        return json.str();
    }
    json << "{\n    \"unit\": \"core cycles per scan\",\n    \"terms\": [";
    for (std::size_t term = 0; term < model.terms.size(); ++term)
        json << (term ? ", " : "") << json_string(model.terms[term]);
    json << "],\n    \"coefficients\": [";
    for (std::size_t term = 0; term < model.coefficients.size(); ++term)
        json << (term ? ", " : "") << number_text(model.coefficients[term], 6);
    json << "],\n    \"r2\": " << number_text(model.r2, 6) << ",\n    \"copies\": " << model.copies
         << ",\n    \"residuals\": [";
    for (std::size_t index = 0; index < copies.size(); ++index) {
        json << (index ? "," : "") << "\n      {\"name\": " << json_string(copies[index])
             << ", \"cycles\": " << number_text(cycles[index], 3) << ", \"fitted\": "
             << number_text(model.fitted[index], 3) << ", \"residual\": "
             << number_text(model.residuals[index], 3) << "}";
    }
    json << "\n    ]\n  }";
    return json.str();
}

std::string report_members(const std::string& pairs, const std::string& model, const std::string& places) {
    return ",\n  \"pairs\": [\n" + pairs + (pairs.empty() ? "" : "\n") + "  ],\n  \"model\": " + model +
           ",\n  \"places\": [" + places + (places.empty() ? "" : "\n  ") + "]";
}
