#include "common/number_text.h"

#include <gtest/gtest.h>

namespace tilt {
namespace {

struct Case {
    double value;
    const char* text;
};

// A case for each way through: nought, a fraction below one, digits with and without padding
// noughts, fifteen significant digits at most, and a sign, written before either layout.
TEST(NumberText, WritesDataFileNumbers) {
    const Case cases[] = {
        {1234, "1234"},
        {45.7, "45.7"},
        {-0.7, "-.7"},
        {0.0, "0"},
        {-0.0, "0"},
        {0.1 + 0.2, ".3"},
        {1e-5, ".00001"},
        {123456789012345678.0, "123456789012346000"},
        {1.0 / 3.0, ".333333333333333"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numberText(c.value), c.text) << "value " << c.value;
    }
}

TEST(NumberText, AppendsWithoutDisturbingWhatIsThere) {
    std::string line = "7,";
    appendNumberText(line, 0.25);
    line += ',';
    appendNumberText(line, -3);
    EXPECT_EQ(line, "7,.25,-3");
}

}  // namespace
}  // namespace tilt
