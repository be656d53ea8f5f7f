#include "stats/report_parse.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char ROW_SUFFIX[] = " bytes, len=";
constexpr char PROMPT_LINE[] = "--- ok ---\r";
constexpr char FINAL_LINE_END[] = "\r\n";
constexpr char ROW_FORM[] = "expected TICKS<tab>LABEL, N bytes, len=N";
constexpr std::size_t SHOWN_BYTES = 72;  // how much of a faulty line a message quotes

void set_problem(Problem& problem, const char* format, ...) __attribute__((format(printf, 2, 3)));

void set_problem(Problem& problem, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(problem.text, sizeof problem.text, format, arguments);
    va_end(arguments);
}

// [begin, end) quoted, with CR, LF, tab and other control or non-ASCII bytes escaped,
// cut after SHOWN_BYTES bytes. Gives `buffer`.
const char* shown(const char* begin, const char* end, char (&buffer)[4 * SHOWN_BYTES + 8]) {
    std::size_t out = 0;
    buffer[out++] = '"';
    for (const char* p = begin; p < end && p < begin + SHOWN_BYTES; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\r' || c == '\n' || c == '\t') {
            buffer[out++] = '\\';
            buffer[out++] = c == '\r' ? 'r' : c == '\n' ? 'n' : 't';
        } else if (c < 0x20 || c >= 0x7f) {
            std::snprintf(buffer + out, 5, "\\x%02x", c);
            out += 4;
        } else {
            buffer[out++] = static_cast<char>(c);
        }
    }
    buffer[out++] = '"';
    if (end - begin > static_cast<std::ptrdiff_t>(SHOWN_BYTES)) {
        std::memcpy(buffer + out, "...", 3);
        out += 3;
    }
    buffer[out] = '\0';
    return buffer;
}

// A decimal integer as the report writes one: "0" or an optional '-' (when `signed_figure`)
// and digits without a leading zero, within 32-bit signed range, filling [begin, end).
bool parse_int32(const char* begin, const char* end, bool signed_figure, std::int32_t& value) {
    const bool negative = signed_figure && begin < end && *begin == '-';
    const char* digits = negative ? begin + 1 : begin;
    if (digits == end || (*digits == '0' && (end - digits > 1 || negative))) return false;
    std::int64_t magnitude = 0;
    for (const char* p = digits; p < end; ++p) {
        if (*p < '0' || *p > '9') return false;
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > 2147483648LL) return false;
    }
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > 2147483647LL) return false;
    value = static_cast<std::int32_t>(result);
    return true;
}

// The last occurrence of `needle` in [begin, end), or nullptr.
const char* find_last(const char* begin, const char* end, const char* needle) {
    const std::size_t length = std::strlen(needle);
    for (std::size_t from = static_cast<std::size_t>(end - begin) + 1; from-- > length;)
        if (std::memcmp(begin + from - length, needle, length) == 0) return begin + from - length;
    return nullptr;
}

// True for "-?D+.D+" (D a digit) and nothing more.
bool is_decimal(const char* text) {
    constexpr char DIGITS[] = "0123456789";
    if (*text == '-') ++text;
    const std::size_t whole = std::strspn(text, DIGITS);
    if (whole == 0 || text[whole] != '.') return false;
    const std::size_t fraction = std::strspn(text + whole + 1, DIGITS);
    return fraction > 0 && text[whole + 1 + fraction] == '\0';
}

// The first occurrence of `needle` in [begin, end), or nullptr.
const char* find_first(const char* begin, const char* end, const char* needle) {
    const std::size_t length = std::strlen(needle);
    for (const char* p = begin; p + length <= end; ++p)
        if (std::memcmp(p, needle, length) == 0) return p;
    return nullptr;
}

// One report row, the line [begin, end) without its CR LF. The label may hold commas
// ("many + xchg al, ah"), so the line is read from both ends: the figure up to the tab,
// ", N bytes, len=N" from the end, and the label is what lies between.
bool parse_row(const char* begin, const char* end, ReportRow& row, const char*& fault) {
    const char* tab = static_cast<const char*>(std::memchr(begin, '\t', end - begin));
    if (tab == nullptr) {
        fault = "no tab after the tick figure";
        return false;
    }
    if (!parse_int32(begin, tab, true, row.ticks)) {
        fault = "the tick figure is no decimal integer in 32-bit range";
        return false;
    }
    const char* suffix = find_last(tab + 1, end, ROW_SUFFIX);
    if (suffix == nullptr ||
        !parse_int32(suffix + (sizeof ROW_SUFFIX - 1), end, false, row.scan_length)) {
        fault = "it does not end in \", N bytes, len=N\"";
        return false;
    }
    const char* bytes_digits = suffix;
    while (bytes_digits > tab + 1 && bytes_digits[-1] >= '0' && bytes_digits[-1] <= '9')
        --bytes_digits;
    if (bytes_digits - (tab + 1) < 2 || bytes_digits[-2] != ',' || bytes_digits[-1] != ' ' ||
        !parse_int32(bytes_digits, suffix, false, row.code_bytes)) {
        fault = "it does not end in \", N bytes, len=N\"";
        return false;
    }
    const char* label_end = bytes_digits - 2;
    const std::size_t label_bytes = static_cast<std::size_t>(label_end - (tab + 1));
    if (label_bytes == 0) {
        fault = "the label is empty";
        return false;
    }
    if (label_bytes > MAX_LABEL_BYTES) {
        fault = "the label is longer than 63 bytes";
        return false;
    }
    for (const char* p = tab + 1; p < label_end; ++p) {
        if (*p < 0x20 || *p > 0x7e) {
            fault = "the label holds a control or non-ASCII byte";
            return false;
        }
    }
    std::memcpy(row.label, tab + 1, label_bytes);
    row.label[label_bytes] = '\0';
    return true;
}

}  // namespace

bool parse_report(const char* output, std::size_t size, RunReport& report, Problem& problem) {
    char quoted[4 * SHOWN_BYTES + 8];
    const char* const end = output + size;
    const char* line = output;
    std::size_t line_number = 0;
    report.row_count = 0;
    // The rows, up to the empty line that opens the closing prompt.
    for (;;) {
        if (line == end) {
            if (line_number == 0)
                set_problem(problem, "no output at all");
            else
                set_problem(problem, "the report ends after line %zu without the closing prompt",
                            line_number);
            return false;
        }
        ++line_number;
        const char* newline = static_cast<const char*>(std::memchr(line, '\n', end - line));
        if (newline == nullptr) {
            set_problem(problem, "line %zu is cut short (no line end): %s", line_number,
                        shown(line, end, quoted));
            return false;
        }
        if (newline == line || newline[-1] != '\r') {
            set_problem(problem, "line %zu does not end in CR LF: %s", line_number,
                        shown(line, newline + 1, quoted));
            return false;
        }
        const char* content_end = newline - 1;
        if (content_end == line) {
            line = newline + 1;
            break;
        }
        if (report.row_count == MAX_ROWS) {
            set_problem(problem, "more than %zu report rows, the most this tool takes", MAX_ROWS);
            return false;
        }
        const char* fault = nullptr;
        if (!parse_row(line, content_end, report.rows[report.row_count], fault)) {
            set_problem(problem, "line %zu is no report row, %s (%s): %s", line_number, fault,
                        ROW_FORM, shown(line, newline + 1, quoted));
            return false;
        }
        ++report.row_count;
        line = newline + 1;
    }
    if (report.row_count == 0) {
        set_problem(problem, "no report rows before the closing prompt");
        return false;
    }
    // The prompt line ends in CR alone (the cursor waits on it); the final CR LF follows.
    const std::size_t rest = static_cast<std::size_t>(end - line);
    const std::size_t prompt_bytes = sizeof PROMPT_LINE - 1;
    if (rest >= prompt_bytes && std::memcmp(line, PROMPT_LINE, prompt_bytes) == 0) {
        if (rest == prompt_bytes + 2 && std::memcmp(line + prompt_bytes, FINAL_LINE_END, 2) == 0)
            return true;
        if (rest == prompt_bytes) {
            set_problem(problem, "the final CR LF after the closing prompt is missing");
            return false;
        }
        set_problem(problem, "unexpected output after the closing prompt: %s",
                    shown(line + prompt_bytes, end, quoted));
        return false;
    }
    if (rest == 0)
        set_problem(problem, "the closing prompt \"--- ok ---\" is missing after the empty line");
    else
        set_problem(problem, "line %zu is not the closing prompt \"--- ok ---\": %s",
                    line_number + 1, shown(line, end, quoted));
    return false;
}

bool same_cases(const RunReport& reference, const RunReport& run, Problem& problem) {
    for (std::size_t i = 0; i < reference.row_count && i < run.row_count; ++i) {
        const ReportRow& want = reference.rows[i];
        const ReportRow& have = run.rows[i];
        if (std::strcmp(want.label, have.label) != 0 || want.code_bytes != have.code_bytes ||
            want.scan_length != have.scan_length) {
            set_problem(
                problem,
                "row %zu is \"%s, %d bytes, len=%d\" where run 1 has \"%s, %d bytes, len=%d\"",
                i + 1, have.label, have.code_bytes, have.scan_length, want.label, want.code_bytes,
                want.scan_length);
            return false;
        }
    }
    if (run.row_count != reference.row_count) {
        set_problem(problem, "%zu report rows where run 1 has %zu", run.row_count,
                    reference.row_count);
        return false;
    }
    return true;
}

bool parse_ticks_per_add(const char* output, std::size_t size, double& ticks_per_add,
                         Problem& problem) {
    constexpr char LABEL[] = "ticks";
    constexpr char CHAIN[] = "1000 adds, ";
    constexpr char PER_ADD[] = " ticks per add";
    const char* const end = output + size;
    for (const char* line = output; line < end;) {
        const char* newline = static_cast<const char*>(std::memchr(line, '\n', end - line));
        const char* line_end = newline != nullptr ? newline : end;
        const char* tab = static_cast<const char*>(std::memchr(line, '\t', line_end - line));
        // "ticks", the padding blanks, then the chain length: the 500 and 2000 lines also
        // name the 1000 adds, but only later, in their ratio.
        const char* p = tab != nullptr ? tab + 1 : line_end;
        constexpr std::ptrdiff_t LABEL_BYTES = sizeof LABEL - 1;
        const bool ticks_label = line_end - p > LABEL_BYTES && std::memcmp(p, LABEL, LABEL_BYTES) == 0;
        if (ticks_label) {
            p += LABEL_BYTES;
            while (p < line_end && *p == ' ') ++p;
        }
        if (ticks_label && line_end - p >= static_cast<std::ptrdiff_t>(sizeof CHAIN - 1) &&
            std::memcmp(p, CHAIN, sizeof CHAIN - 1) == 0) {
            // The word before " ticks per add", a decimal like "0.846" or "-0.012".
            const char* per_add = find_first(p, line_end, PER_ADD);
            const char* figure = per_add;
            while (figure != nullptr && figure > p && figure[-1] != ' ') --figure;
            char text[32];
            const std::size_t length =
                per_add != nullptr ? static_cast<std::size_t>(per_add - figure) : 0;
            if (length > 0 && length < sizeof text) {
                std::memcpy(text, figure, length);
                text[length] = '\0';
                if (is_decimal(text)) {
                    ticks_per_add = std::strtod(text, nullptr);
                    return true;
                }
            }
        }
        line = newline != nullptr ? newline + 1 : end;
    }
    set_problem(problem, "no \"1000 adds\" line with its ticks per add in the self-check's output");
    return false;
}
