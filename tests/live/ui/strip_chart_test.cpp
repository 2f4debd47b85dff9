#include "live/ui/strip_chart.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <vector>

#include "live/ui/locale_number.h"

namespace tilt::live::ui {
namespace {

// Readings every `step` seconds from `from` up to (not including) `to`: X the time, Y its
// negative.
std::vector<ChartPoint> readings(double from, double to, double step) {
    std::vector<ChartPoint> points;
    for (int k = 0; from + k * step < to - 1e-9; ++k) {
        const double t = std::round((from + k * step) * 100) / 100;
        points.push_back({t, {t, -t, 0}});
    }
    return points;
}

TEST(StripHistory, KeepsTheLastMinute_AndTellsTheRateOverTheLastSecond) {
    StripHistory history;
    EXPECT_FALSE(history.rate().has_value());
    history.append(readings(0, 0.01, 0.01));
    EXPECT_FALSE(history.rate().has_value()) << "one reading has no rate";
    history.clear();
    const auto all = readings(0, 100, 0.01);              // 100 a second for 100 s
    for (std::size_t at = 0; at < all.size(); at += 7) {  // in frames of a few readings
        history.append(std::span(all).subspan(at, std::min<std::size_t>(7, all.size() - at)));
    }
    ASSERT_FALSE(history.points().empty());
    EXPECT_DOUBLE_EQ(history.points().back().seconds, 99.99);
    EXPECT_DOUBLE_EQ(history.points().front().seconds, 39.99);
    EXPECT_EQ(history.points().size(), 6001U);
    ASSERT_TRUE(history.rate().has_value());
    EXPECT_NEAR(*history.rate(), 100, 0.5);

    StripHistory still;
    still.append(std::vector<ChartPoint>{{5, {}}, {5, {}}});
    EXPECT_FALSE(still.rate().has_value()) << "no time has passed";
    StripHistory slow;
    slow.append(readings(0, 10, 0.5));
    EXPECT_NEAR(*slow.rate(), 2, 1e-9);
}

TEST(LocaleNumber, ShowsTheUsersDecimalPoint_WithoutGroupsOrNegativeNought) {
    const QLocale before;
    struct Case {
        QLocale::Language language;
        double value;
        const char* text;
    };
    for (const Case& c : {Case{QLocale::C, 22.5, "22.5"}, Case{QLocale::C, -0.0, "0"},
                          Case{QLocale::C, -180, "-180"}, Case{QLocale::German, 22.5, "22,5"},
                          Case{QLocale::German, 1023, "1023"}}) {
        QLocale::setDefault(QLocale(c.language));
        EXPECT_EQ(localeNumber(c.value).toStdString(), c.text) << c.value;
    }
    QLocale::setDefault(before);
}

class StripChartTest : public ::testing::Test {
  protected:
    StripChartTest() {
        chart.resize(600, 300);
        chart.show();
    }
    QCustomPlot* plot() { return chart.findChild<QCustomPlot*>("stripChart"); }
    QCPGraph* trace(int i) { return plot()->graph(i); }
    double newestDrawn() { return (trace(0)->data()->constEnd() - 1)->key; }

    StripChart chart{{QStringLiteral("X"), QStringLiteral("Y")}, QStringLiteral("°"), kLeastSpan};
    static constexpr double kLeastSpan = 10;
};

// No trace lies on the frame: the readings keep a tenth of the axis free above and below them,
// and a still logger's flat line sits in the middle of a span of at least kLeastSpan.
TEST_F(StripChartTest, ValueAxis_KeepsRoomAroundTheReadings_PlotAReadableHeight) {
    struct Case {
        double low, high;
    };
    for (const Case& c : {Case{500, 500}, Case{-74.5, 21.3}, Case{0, 1023}, Case{-0.2, 0.3}}) {
        chart.clear();
        chart.append(std::vector<ChartPoint>{{0, {c.low, c.high, 0}}, {0.5, {c.high, c.low, 0}}});
        const auto [lower, upper] = chart.valueRange();
        const double span = upper - lower;
        EXPECT_GE(span, kLeastSpan) << c.low;
        EXPECT_GE(c.low - lower, 0.1 * span) << c.low;
        EXPECT_GE(upper - c.high, 0.1 * span) << c.high;
        EXPECT_NEAR((lower + upper) / 2, (c.low + c.high) / 2, 1e-9) << "centred";
    }

    // The plot keeps a readable height in a crowded window.
    chart.resize(600, 50);
    QApplication::processEvents();
    plot()->replot();
    EXPECT_GE(plot()->height(), 200);
    EXPECT_GE(plot()->axisRect()->height(), 120) << "room for the traces themselves";
}

TEST_F(StripChartTest, DrawsTheLastMinute_ScrollingWithTheNewestReading) {
    chart.append(readings(0, 10, 0.01));
    EXPECT_EQ(plot()->xAxis->range(), QCPRange(0, 60)) << "the first minute fills from the left";
    chart.append(readings(10, 100, 0.01));
    EXPECT_EQ(trace(0)->dataCount(), 6001);
    EXPECT_DOUBLE_EQ(trace(0)->data()->constBegin()->key, 39.99);
    EXPECT_DOUBLE_EQ(newestDrawn(), 99.99);
    EXPECT_DOUBLE_EQ(plot()->xAxis->range().upper, 99.99);
    EXPECT_DOUBLE_EQ(plot()->xAxis->range().lower, 39.99);
    EXPECT_LE(plot()->yAxis->range().lower, -99.99) << "every value drawn is in sight";
    EXPECT_GE(plot()->yAxis->range().upper, 99.99);

    chart.clear();  // a new run
    EXPECT_EQ(trace(1)->dataCount(), 0);
    chart.append(readings(0, 1, 0.01));
    EXPECT_EQ(trace(1)->dataCount(), 100);
}

TEST_F(StripChartTest, Pause_FreezesThePicture_AndResumeDrawsWhatCameMeanwhile) {
    chart.append(readings(0, 30, 0.01));
    auto* pause = chart.findChild<QPushButton*>("cmdPause");
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_TRUE(chart.paused());
    chart.append(readings(30, 90, 0.01));
    EXPECT_DOUBLE_EQ(newestDrawn(), 29.99);
    EXPECT_EQ(trace(0)->dataCount(), 3000);
    EXPECT_EQ(plot()->xAxis->range(), QCPRange(0, 60));
    EXPECT_EQ(chart.history().points().size(), 6001U);

    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_FALSE(chart.paused());
    EXPECT_DOUBLE_EQ(newestDrawn(), 89.99);
    EXPECT_EQ(trace(1)->dataCount(), 6001);
}

TEST_F(StripChartTest, ReadoutShowsTheDrawnReadingNearestThePointer) {
    EXPECT_EQ(chart.readoutAt(QPointF(300, 100)), "") << "nothing drawn";
    chart.append(readings(0, 30, 0.5));
    plot()->replot();
    const double y = plot()->yAxis->coordToPixel(0);
    const QPointF at12(plot()->xAxis->coordToPixel(12.2), y);
    EXPECT_EQ(chart.readoutAt(at12).toStdString(), "12 s   X 12°   Y -12°");
    const QPointF at13(plot()->xAxis->coordToPixel(12.8), y);
    EXPECT_EQ(chart.readoutAt(at13).toStdString(), "13 s   X 13°   Y -13°");
    EXPECT_EQ(chart.readoutAt(QPointF(plot()->xAxis->coordToPixel(50), y)).toStdString(),
              "29.5 s   X 29.5°   Y -29.5°")
        << "past the newest: the newest";
    EXPECT_EQ(chart.readoutAt(QPointF(1, 1)), "") << "outside the plotting area";

    // Pointing shows it under the chart; a frozen picture reads what it shows.
    QTest::mouseClick(chart.findChild<QPushButton*>("cmdPause"), Qt::LeftButton);
    chart.append(readings(30, 40, 0.5));
    QTest::mouseMove(plot(), QPoint(2, 2));  // from elsewhere: a move to where it was is none
    QTest::mouseMove(plot(), at12.toPoint());
    EXPECT_EQ(chart.findChild<QLabel*>("lblReadout")->text().toStdString(),
              "12 s   X 12°   Y -12°");
}

}  // namespace
}  // namespace tilt::live::ui
