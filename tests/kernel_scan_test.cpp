// The kernels' behaviour over texts of our own: test copies from the same macros as the
// benchmark's copies, laid over a writable buffer.
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "kernel_test_copies.hpp"
#include "kernels/samples.hpp"

std::uint32_t scan_text(const KernelUnderTest& kernel, std::string_view text) {
    std::memset(test_text, 0, test_text_bytes);
    std::memcpy(test_text, text.data(), text.size());
    return kernel.scan();
}

std::uint32_t expected_scan_length(std::string_view text, bool ends_at_blank) {
    std::size_t index = 0;
    while (index < text.size() && text[index] != '\0' && !(ends_at_blank && text[index] == ' ')) {
        ++index;
    }
    return static_cast<std::uint32_t>(index + 1);
}

namespace {

class KernelScan : public testing::TestWithParam<KernelUnderTest> {
protected:
    std::uint32_t scan(std::string_view text) { return scan_text(GetParam(), text); }
};

TEST_P(KernelScan, SamplesGiveTheReportedLengths) {
    EXPECT_EQ(scan(std::string_view(long_sample)), 500u);
    EXPECT_EQ(scan(std::string_view(short_sample)), 10u);
}

TEST_P(KernelScan, FirstByteNulEndsAtOnce) {
    EXPECT_EQ(scan(std::string_view("\0" "123", 4)), 1u);
}

// Every byte but the terminator (and, for the switch, the blank) is passed over, in any
// position of the loop: letters in both cases, the class characters, the control bytes
// that the forcing of bit 0x20 turns into class characters (0x0E '.', 0x08 '(',
// 0x09 ')'), and the bytes 0x80 to 0xFF.
TEST_P(KernelScan, EveryOtherByteIsPassedOver) {
    for (int value = 1; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        if (GetParam().ends_at_blank && byte == ' ') continue;
        for (const std::string& text : {std::string(1, byte), "12" + std::string(1, byte) + "3",
                                        std::string(3, byte) + "h"}) {
            ASSERT_EQ(scan(text), text.size() + 1) << "byte 0x" << std::hex << value;
        }
    }
}

TEST_P(KernelScan, ClassCharactersInBothCasesAndTheirControlAliases) {
    const std::string text = "eE.hHbByY()\x0e\x08\x09" "1.5e3h0b";
    EXPECT_EQ(scan(text), text.size() + 1);
}

// The terminator is found wherever it lies, behind whatever byte.
TEST_P(KernelScan, TerminatorAtEveryPosition) {
    const std::string body = "1234.5678hE(y)\x0e\xff" "b9";
    for (std::size_t end = 0; end <= body.size(); ++end) {
        const std::string text = body.substr(0, end);
        EXPECT_EQ(scan(text), end + 1) << "terminator at " << end;
    }
}

// Generated texts of digits, class characters in both cases, their control aliases,
// blanks and high bytes, compared with the plain statement of what a scan gives.
TEST_P(KernelScan, AgreesWithTheReferenceOnGeneratedTexts) {
    static constexpr char ALPHABET[] = "0123456789eE.hHbByY()\x0e\x08\x09 aZ\x80\xff\x7f\x01";
    std::mt19937 generator(20261208);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof ALPHABET - 2);
    std::uniform_int_distribution<std::size_t> length(0, 600);
    for (int round = 0; round < 2000; ++round) {
        std::string text(length(generator), ' ');
        for (char& byte : text) byte = ALPHABET[pick(generator)];
        ASSERT_EQ(scan(text), expected_scan_length(text, GetParam().ends_at_blank)) << text;
    }
}

// The pair step takes a digit and the byte after it in one iteration, so the terminator
// is met as the first byte of a pair or as the second, behind a digit; either way ESI
// ends just past it.
TEST(PairStep, TerminatorAsFirstOrSecondByteOfAPair) {
    const KernelUnderTest& pair_step = KERNELS_UNDER_TEST[2];
    EXPECT_EQ(scan_text(pair_step, "1234.567h"), 10u);
    EXPECT_EQ(scan_text(pair_step, "123"), 4u);   // '3' and the NUL in one pair
    EXPECT_EQ(scan_text(pair_step, "12"), 3u);    // the NUL first in its pair
    EXPECT_EQ(scan_text(pair_step, ".5"), 3u);    // '.' alone, then '5' and the NUL
    EXPECT_EQ(scan_text(pair_step, "h"), 2u);
    EXPECT_EQ(scan_text(pair_step, std::string_view("\0" "12", 3)), 1u);
}

// The switch's first case takes 0x20 after the forcing, which both the terminator and a
// blank become: it ends at a blank, as its stop rule says, and the others pass over it.
TEST(Switch, EndsAtABlankWhereTheOthersPassOverIt) {
    EXPECT_TRUE(KERNELS_UNDER_TEST[4].ends_at_blank);
    for (const KernelUnderTest& kernel : KERNELS_UNDER_TEST) {
        EXPECT_EQ(scan_text(kernel, "1234 567h"), kernel.ends_at_blank ? 5u : 10u) << kernel.name;
        EXPECT_EQ(scan_text(kernel, " "), kernel.ends_at_blank ? 1u : 2u) << kernel.name;
    }
}

INSTANTIATE_TEST_SUITE_P(AllKernels, KernelScan, testing::ValuesIn(KERNELS_UNDER_TEST),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
