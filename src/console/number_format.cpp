#include "console/number_format.hpp"

#include <cstddef>
#include <utility>

void format_int32(std::int32_t value, char* buffer) {
    char* out = buffer;
    if (value == 0) {
        out[0] = '0';
        out[1] = '\0';
        return;
    }
    std::uint32_t magnitude = static_cast<std::uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;  // -2147483648 has the magnitude 2147483648
    }
    char* const digits = out;
    while (magnitude > 0) {
        // magnitude / 10 without a divide: the upper half of the product with
        // 0xCCCCCCCD (2^35 / 10, rounded up), shifted right by 3.
        const auto quotient =
            static_cast<std::uint32_t>((std::uint64_t{magnitude} * 0xCCCCCCCDu) >> 35);
        *out++ = static_cast<char>('0' + (magnitude - quotient * 10u));
        magnitude = quotient;
    }
    *out = '\0';
    for (char *front = digits, *back = out - 1; front < back; ++front, --back) {
        std::swap(*front, *back);  // the digits came out least significant first
    }
}

void format_thousandths(std::int32_t numerator, std::int32_t denominator, char* buffer) {
    if (denominator <= 0) {
        buffer[0] = 'n';
        buffer[1] = '/';
        buffer[2] = 'a';
        buffer[3] = '\0';
        return;
    }
    const bool negative = numerator < 0;
    std::int64_t magnitude = std::int64_t{numerator} * 1000;
    if (negative) magnitude = -magnitude;
    // Rounded half away from zero: floor((2m + d) / 2d) for the magnitude m.
    const std::int64_t thousandths =
        (2 * magnitude + denominator) / (2 * std::int64_t{denominator});
    const std::int64_t whole = thousandths / 1000;
    const auto fraction = static_cast<std::int32_t>(thousandths % 1000);
    char* out = buffer;
    if (negative && thousandths != 0) *out++ = '-';  // what rounds to zero shows no sign
    // The whole part reaches 2147483648 (for -2147483648 / 1): its digits, most
    // significant first, from an unsigned 32-bit number.
    char digits[10];
    std::size_t count = 0;
    auto rest = static_cast<std::uint32_t>(whole);
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    while (count > 0) *out++ = digits[--count];
    *out++ = '.';
    *out++ = static_cast<char>('0' + fraction / 100);
    *out++ = static_cast<char>('0' + fraction / 10 % 10);
    *out++ = static_cast<char>('0' + fraction % 10);
    *out = '\0';
}
