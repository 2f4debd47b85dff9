#include "common/text_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "common/error.h"

namespace tilt {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfAText) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"12abc", 12}, {"abc", 0},     {"", 0},          {"-", 0},
        {".5", 0.5},   {"-2.5", -2.5}, {"1e3", 1000},    {"1e", 1},
        {" 1 2", 12},  {"+7", 7},      {"3.5,4", 3.5},   {"BP", 0},
        {"-.7", -0.7}, {"2d2", 200},   {"12.3.4", 12.3}, {"\t42\n", 42},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value) << '"' << c.text << '"';
    }
}

// Beyond a double's range a number is no 0: too large is infinite, which every whole-number
// conversion refuses; too small is 0.
TEST(LeadingNumber, NumbersBeyondADoubleAreInfiniteOrZero) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    struct Case {
        std::string text;
        double value;
    };
    const Case cases[] = {
        {"1e400", kInfinity},
        {"-1e400x", -kInfinity},
        {"0.0001e313", kInfinity},
        {"1" + std::string(400, '0'), kInfinity},
        {"-" + std::string(400, '9') + ".5", -kInfinity},
        {"1e99999999999999999999", kInfinity},
        {"1e-400", 0},
        {"-1e-400", 0},
        {"1000e-330", 0},
        {"0." + std::string(400, '0') + "1", 0},
        {"1e-99999999999999999999", 0},
        {"1e308", 1e308},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(leadingNumber(c.text), c.value) << '"' << c.text.substr(0, 30) << '"';
    }
}

}  // namespace
TEST(LeadingNumber, PlainDecimalsReadExactlyAsTheGeneralConversionDoes) {
    // Sample text is read on a fast path; it must give the very same double as a full decimal
    // conversion, up to 15 digits, whatever the number of decimals.
    std::mt19937_64 random(11);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 15);
        std::string text = (random() % 2 != 0U) ? "-" : "";
        const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0) {
                text += '.';
            }
            text += static_cast<char>('0' + random() % 10);
        }
        EXPECT_EQ(leadingNumber(text), std::strtod(text.c_str(), nullptr)) << text;
        if (HasFailure()) {
            break;
        }
    }
    EXPECT_EQ(leadingNumber("1234567890123456"), 1234567890123456.0) << "16 digits";
    EXPECT_TRUE(std::signbit(leadingNumber("-0")));
}

TEST(NumberValue, TakesWholeNumbersOnly) {
    EXPECT_EQ(numberValue(" 7 "), 7);
    EXPECT_EQ(numberValue("-2.5"), -2.5);
    EXPECT_EQ(numberValue("+1e3"), 1000);
    for (const char* text : {"", " ", "abc", "7a", "1,5", "- 1", "+-5", "++5"}) {
        try {
            (void)numberValue(text);
            ADD_FAILURE() << '"' << text << "\" was taken for a number";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), errc::kTypeMismatch) << text;
        }
    }
}

}  // namespace tilt
