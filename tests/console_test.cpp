// The console routines: the decimal formatter and the four-bytes-at-a-time length.
#include <array>
#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "console/console.hpp"
#include "console/number_format.hpp"

namespace {

std::string formatted(std::int32_t value) {
    char buffer[20];
    std::memset(buffer, 'x', sizeof buffer);
    format_int32(value, buffer);
    return buffer;
}

TEST(FormatInt32, Figures) {
    EXPECT_EQ(formatted(0), "0");
    EXPECT_EQ(formatted(7), "7");
    EXPECT_EQ(formatted(10), "10");
    EXPECT_EQ(formatted(66), "66");
    EXPECT_EQ(formatted(500), "500");
    EXPECT_EQ(formatted(-1), "-1");
    EXPECT_EQ(formatted(-150), "-150");
    EXPECT_EQ(formatted(INT32_MAX), "2147483647");
    EXPECT_EQ(formatted(INT32_MIN), "-2147483648");
}

// Powers of ten and their neighbours cross every digit count, and the multiply-shift
// division must agree with the library's formatting over all of them.
TEST(FormatInt32, AgreesWithTheLibraryAcrossDigitCounts) {
    for (std::int64_t power = 1; power <= 1000000000; power *= 10) {
        for (std::int64_t value : {power - 1, power, power + 1, power * 9 / 2, -power, -power + 1}) {
            const auto v = static_cast<std::int32_t>(value);
            EXPECT_EQ(formatted(v), std::to_string(v));
        }
    }
}

TEST(FormatInt32, WritesAtMostTwelveBytes) {
    char buffer[20];
    std::memset(buffer, 'x', sizeof buffer);
    format_int32(INT32_MIN, buffer);
    EXPECT_EQ(buffer[11], '\0');
    EXPECT_EQ(buffer[12], 'x');
}

// Lays `length` bytes of `fill` at `offset` in a buffer, a NUL after them and `tail`
// bytes after that, and measures it.
std::uint32_t measured(std::size_t offset, std::size_t length, char fill, char tail) {
    std::array<char, 128> buffer;
    buffer.fill(tail);
    std::memset(buffer.data() + offset, fill, length);
    buffer[offset + length] = '\0';
    return text_length(buffer.data() + offset);
}

// The terminator in each of the four places of a group, in each group of the unrolled
// loop, at every alignment of the text's start; what follows the terminator is never
// taken for more text.
TEST(TextLength, TerminatorAtEveryPositionAndAlignment) {
    for (std::size_t offset = 0; offset < 4; ++offset) {
        for (std::size_t length = 0; length <= 70; ++length) {
            for (char tail : {'\0', 'x', '\x80', '\xff', '\x01'}) {
                ASSERT_EQ(measured(offset, length, 'a', tail), length)
                    << "offset " << offset << " length " << length << " tail " << int(tail);
            }
        }
    }
}

// Bytes from 0x80 up are no zero bytes, however the borrow in the group test falls.
TEST(TextLength, HighBytesDoNotEndTheText) {
    for (int value = 0x80; value <= 0xFF; ++value) {
        for (std::size_t length : {1u, 5u, 16u, 31u}) {
            ASSERT_EQ(measured(1, length, static_cast<char>(value), '\0'), length) << value;
        }
    }
    // A zero byte right after a 0x01 byte, and 0x01 after a zero: the two cases where the
    // borrow sets a false mask bit above the true zero.
    const Text mixed{"ab\x01\x01\x81\x80\x01"};
    EXPECT_EQ(text_length(mixed.bytes), 7u);
}

TEST(TextLength, ConsoleTexts) {
    constexpr Text EMPTY{""};
    constexpr Text LINE_END{"\r\n"};
    constexpr Text PROMPT{"\r\n--- ok ---\r"};
    constexpr Text SIXTEEN{"0123456789abcdef"};
    EXPECT_EQ(text_length(EMPTY.bytes), 0u);
    EXPECT_EQ(text_length(LINE_END.bytes), 2u);
    EXPECT_EQ(text_length(PROMPT.bytes), 13u);
    EXPECT_EQ(text_length(SIXTEEN.bytes), 16u);
}

}  // namespace
