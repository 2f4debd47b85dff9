#include "config/ui/num_edit.h"

#include <gtest/gtest.h>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <optional>

#include "config/ui/config_window_support.h"

namespace tilt::config::ui {
namespace {

using testing::typeOver;

TEST(NumEdit, DisplayText_ShowsAtMostFourDecimalsWithoutTrailingZeros) {
    const std::pair<double, const char*> cases[] = {
        {323, "323"},     {-32768.0 / 32767 * 180, "-180.0055"},
        {0.5, "0.5"},     {5461.17, "5461.17"},
        {65535, "65535"}, {-0.00001, "0"},
        {0.00004, "0"},   {-45.00137, "-45.0014"},
    };
    for (const auto& [value, shown] : cases) {
        EXPECT_EQ(NumEdit::displayText(value), shown) << value;
    }
}

TEST(NumEdit, ValueSetByTheProgram_IsKeptExactlyWhateverTheLimits) {
    NumEdit maxBin(-90, 90);
    maxBin.setValue(65535);
    EXPECT_EQ(maxBin.value(), 65535);
    EXPECT_EQ(maxBin.text(), "65535");
    maxBin.commit();
    EXPECT_EQ(maxBin.value(), 65535) << "nothing typed, nothing clamped";

    NumEdit tare(-180, 180);
    const double angle = -16384.0 / 32767 * 180;
    tare.setValue(angle);
    EXPECT_EQ(tare.value(), angle) << "the field shows four decimals but keeps all";
}

TEST(NumEdit, Typing_TakesNumberShapedTextAndStopsAtTheLimitsWhenItEnds) {
    struct Case {
        double min, max;
        const char* typed;
        const char* shownWhileTyping;
        double value;
        const char* shownAfter;
        std::optional<double> limitedFrom;  // what the field tells it brought back
    };
    const Case cases[] = {
        {0, 1024, "12a3", "123", 123, "123", {}},
        {0, 1024, "-5", "-5", 0, "0", -5},              // below the minimum, not 5
        {0, 1024, "2000", "2000", 1024, "1024", 2000},  // beyond the maximum
        {1, 255, "0", "0", 1, "1", 0},                  // below the minimum
        {-180, 180, "-12.25", "-12.25", -12.25, "-12.25", {}},
        {-180, 180, "1.2.3", "1.23", 1.23, "1.23", {}},  // one decimal point
        {-180, 180, "1,5", "1.5", 1.5, "1.5", {}},       // the other point is taken as it
        {-90, 90, "-", "-", 7, "7", {}},                 // no number yet: the value before
        {-90, 90, "", "", 7, "7", {}},
    };
    for (const Case& c : cases) {
        NumEdit field(c.min, c.max);
        field.setValue(7);
        QSignalSpy edited(&field, &NumEdit::valueEdited);
        QSignalSpy limited(&field, &NumEdit::limited);
        if (*c.typed == '\0') {
            field.selectAll();
            QTest::keyClick(&field, Qt::Key_Delete);
        } else {
            typeOver(&field, c.typed);
        }
        EXPECT_EQ(field.text(), c.shownWhileTyping) << c.typed;
        EXPECT_EQ(field.value(), c.value) << c.typed;
        EXPECT_GT(edited.count(), 0) << c.typed;
        QTest::keyClick(&field, Qt::Key_Return);
        EXPECT_EQ(field.text(), c.shownAfter) << c.typed;
        EXPECT_EQ(field.value(), c.value) << c.typed;
        EXPECT_EQ(field.limitedFrom(), c.limitedFrom) << c.typed;
        EXPECT_EQ(limited.count(), c.limitedFrom ? 1 : 0) << c.typed;
    }
    NumEdit told(1, 255);
    typeOver(&told, "300");
    told.commit();
    ASSERT_TRUE(told.limitedFrom());
    typeOver(&told, "3");
    EXPECT_FALSE(told.limitedFrom()) << "typed again: nothing to tell";
    told.commit();
    told.setValue(400);
    EXPECT_FALSE(told.limitedFrom()) << "set by the program: nothing to tell";
}

// Where the user's numbers have a decimal comma, the field shows and takes a comma (and a point
// typed out of habit).
TEST(NumEdit, FollowsTheUsersDecimalSeparator) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(NumEdit::displayText(-32768.0 / 32767 * 180), "-180,0055");
    EXPECT_EQ(NumEdit::displayText(0.5), "0,5");
    EXPECT_EQ(NumEdit::displayText(-0.00001), "0");
    NumEdit tare(-180, 180);
    typeOver(&tare, "12,25");
    EXPECT_EQ(tare.value(), 12.25);
    typeOver(&tare, "1.5");
    EXPECT_EQ(tare.text(), "1,5") << "a point typed out of habit is a comma here, not dropped";
    QTest::keyClick(&tare, Qt::Key_Return);
    EXPECT_EQ(tare.value(), 1.5);
    QLocale::setDefault(before);
}

}  // namespace
}  // namespace tilt::config::ui
