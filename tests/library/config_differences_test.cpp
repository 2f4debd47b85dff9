#include "library/config_differences.h"

#include <gtest/gtest.h>

namespace tilt::library {
namespace {

using std::nullopt;

TEST(ConfigDifferences, FieldsThatCameWentOrChanged_InFieldOrder) {
    struct Case {
        const char* what;
        ConfigValues before, after;
        std::vector<FieldChange> expected;
    };
    const Case cases[] = {
        {"the same values", {{"mode", "1"}, {"rate", "10"}}, {{"mode", "1"}, {"rate", "10"}}, {}},
        {"both empty", {}, {}, {}},
        {"from nothing: every field came",
         {},
         {{"mode", "1"}, {"rate", "10"}},
         {{"mode", nullopt, "1"}, {"rate", nullopt, "10"}}},
        {"to nothing: every field went", {{"mode", "1"}}, {}, {{"mode", "1", nullopt}}},
        {"one changed among equal ones",
         {{"channel", "3"}, {"mode", "1"}, {"rate", "10"}},
         {{"channel", "3"}, {"mode", "0"}, {"rate", "10"}},
         {{"mode", "1", "0"}}},
        {"came, went and changed, interleaved",
         {{"a", "1"}, {"c", "3"}, {"e", "5"}},
         {{"b", "2"}, {"c", "4"}, {"d", "4"}, {"e", "5"}, {"f", "6"}},
         {{"a", "1", nullopt},
          {"b", nullopt, "2"},
          {"c", "3", "4"},
          {"d", nullopt, "4"},
          {"f", nullopt, "6"}}},
        {"an empty value is a value",
         {{"tareX", ""}, {"tareY", "0"}},
         {{"tareX", "0"}, {"tareY", ""}},
         {{"tareX", "", "0"}, {"tareY", "0", ""}}},
        {"a field only in the earlier one, after the later one's last",
         {{"mode", "1"}, {"zeta", "9"}},
         {{"mode", "1"}},
         {{"zeta", "9", nullopt}}},
        {"values differ by case", {{"unit", "deg"}}, {{"unit", "Deg"}}, {{"unit", "deg", "Deg"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(configDifferences(c.before, c.after), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace tilt::library
