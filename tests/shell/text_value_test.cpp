#include "shell/text_value.h"

#include <gtest/gtest.h>

#include "shell/error.h"

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

}  // namespace
TEST(NumberValue, TakesWholeNumbersOnly) {
    EXPECT_EQ(numberValue(" 7 "), 7);
    EXPECT_EQ(numberValue("-2.5"), -2.5);
    EXPECT_EQ(numberValue("+1e3"), 1000);
    for (const char* text : {"", " ", "abc", "7a", "1,5", "- 1"}) {
        try {
            (void)numberValue(text);
            ADD_FAILURE() << '"' << text << "\" was taken for a number";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), errc::kTypeMismatch) << text;
        }
    }
}

}  // namespace tilt
