#include "config/ui/num_edit.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

namespace tilt::config::ui {
namespace {

void typeOver(NumEdit& field, const char* text) {
    field.selectAll();
    QTest::keyClicks(&field, QString::fromLatin1(text));
}

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
    };
    const Case cases[] = {
        {0, 1024, "12a3", "123", 123, "123"},
        {0, 1024, "-5", "5", 5, "5"},             // no minus where the field has none
        {0, 1024, "2000", "2000", 1024, "1024"},  // beyond the maximum
        {1, 255, "0", "0", 1, "1"},               // below the minimum
        {-180, 180, "-12.25", "-12.25", -12.25, "-12.25"},
        {-180, 180, "1.2.3", "1.23", 1.23, "1.23"},  // one decimal point
        {-90, 90, "-", "-", 7, "7"},                 // no number yet: the value before
        {-90, 90, "", "", 7, "7"},
    };
    for (const Case& c : cases) {
        NumEdit field(c.min, c.max);
        field.setValue(7);
        QSignalSpy edited(&field, &NumEdit::valueEdited);
        if (*c.typed == '\0') {
            field.selectAll();
            QTest::keyClick(&field, Qt::Key_Delete);
        } else {
            typeOver(field, c.typed);
        }
        EXPECT_EQ(field.text(), c.shownWhileTyping) << c.typed;
        EXPECT_EQ(field.value(), c.value) << c.typed;
        EXPECT_GT(edited.count(), 0) << c.typed;
        QTest::keyClick(&field, Qt::Key_Return);
        EXPECT_EQ(field.text(), c.shownAfter) << c.typed;
        EXPECT_EQ(field.value(), c.value) << c.typed;
    }
}

}  // namespace
}  // namespace tilt::config::ui
