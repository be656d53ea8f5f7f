#include "host/numbers.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

std::string number_text(double value, int decimals) {
    if (decimals == SIGNIFICANT) return significant_text(value, 6);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string significant_text(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

bool read_integer(const char* text, long long low, long long high, long long& value) {
    // strtoll alone would take a leading blank or '+' as part of the number.
    const char* digits = text[0] == '-' ? text + 1 : text;
    if (*digits < '0' || *digits > '9') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return *end == '\0' && errno == 0 && value >= low && value <= high;
}
