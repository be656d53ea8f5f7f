// The host tools' one number formatter and one reader of whole numbers. Never a locale's
// decimal comma: the tools set no locale. (The benchmark's own figures are formatted
// without the heap in src/console/, a different thing.)
#pragma once

#include <string>

// `value` with `decimals` decimals ("%.3f"), or with SIGNIFICANT six significant digits as
// "%.6g" gives them.
inline constexpr int SIGNIFICANT = -1;
std::string number_text(double value, int decimals);

// `value` with `digits` significant digits ("%.9g"): enough of them, for a program that
// reads the figure back.
std::string significant_text(double value, int digits);

// Whether `text` is, all of it, a whole decimal number from `low` to `high`: an optional
// '-' and digits, no blank and no '+'; `value` is it.
bool read_integer(const char* text, long long low, long long high, long long& value);
