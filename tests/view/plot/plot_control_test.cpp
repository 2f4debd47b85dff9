#include "view/plot/plot_control.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <array>

#include "common/error.h"
#include "view/plot/graph_image.h"

namespace tilt::view::plot {
namespace {

constexpr int kX = PlotControl::kXAxis;
constexpr int kY = PlotControl::kYAxis;

class PlotControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plot.resize(600, 400);
        plot.setAxisTitle(kX, "Sample index");
        plot.setAxisTitle(kY, "X angle (degrees)");
        plot.setAxisRange(kX, 0, 10);
        plot.setAxisRange(kY, -180, 180);
        std::array<std::int16_t, 11> values{};
        for (std::size_t k = 0; k < values.size(); ++k) {
            values[k] = static_cast<std::int16_t>(2 * k);
        }
        plot.plotY(values);
        plot.show();
        plot.replot();
    }
    QPointF pixelOf(double x, double y) const {
        return {plot.xAxis->coordToPixel(x), plot.yAxis->coordToPixel(y)};
    }

    PlotControl plot;
};

TEST_F(PlotControlTest, WheelZooms_DoubleClickGoesBackToTheProgramsRanges) {
    const QPointF centre = pixelOf(5, 0);
    QWheelEvent wheel(centre, plot.mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&plot, &wheel);
    const QCPRange zoomed = plot.axisRange(kX);
    EXPECT_LT(zoomed.size(), 10);
    EXPECT_GT(zoomed.lower, 0);

    QTest::mouseDClick(&plot, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    EXPECT_EQ(plot.axisRange(kX), QCPRange(0, 10));
    EXPECT_EQ(plot.axisRange(kY), QCPRange(-180, 180));
}

TEST_F(PlotControlTest, ReadoutNamesTheNearestSample) {
    EXPECT_EQ(plot.readoutAt(pixelOf(3.2, 50)), "Sample index: 3    X angle (degrees): 6");
    EXPECT_EQ(plot.readoutAt(pixelOf(9.6, 0)), "Sample index: 10    X angle (degrees): 20");
    EXPECT_EQ(plot.readoutAt(QPointF(1, 1)), "") << "outside the plot area";
    plot.clearData();
    EXPECT_EQ(plot.readoutAt(pixelOf(3, 0)), "");
}

TEST_F(PlotControlTest, AutomaticAxesFitTheData) {
    plot.setAutoScale(kY, true);
    const std::array<double, 4> counts{0, 50, 3, 0};
    plot.plotY(counts, -2, 1);
    EXPECT_LE(plot.axisRange(kY).lower, 0);
    EXPECT_GE(plot.axisRange(kY).upper, 50);
    EXPECT_LT(plot.axisRange(kY).upper, 60);
    EXPECT_EQ(plot.axisRange(kX), QCPRange(0, 10)) << "a fixed axis stays";
    EXPECT_EQ(plot.point(1), QPointF(-1, 50));
}

TEST_F(PlotControlTest, CursorsAreNumberedFromOne_AndAskingForAMissingOneThrows) {
    EXPECT_EQ(plot.cursorCount(), 0);
    plot.addCursor();
    plot.addCursor();
    plot.setCursorPosition(2, 7, 1);
    plot.setCursorLook(2, kPushCursorLook);
    EXPECT_EQ(plot.cursorPosition(2), QPointF(7, 1));
    EXPECT_TRUE(plot.hasDefaultLook(1));
    EXPECT_FALSE(plot.hasDefaultLook(2));
    EXPECT_THROW(plot.setCursorPosition(3, 0, 0), std::out_of_range);
    plot.removeAllCursors();
    EXPECT_EQ(plot.cursorCount(), 0);
}

// The drawn picture itself is tiltctl plot's end-to-end test; here, the suffix picks the format
// whatever its case, and a path that cannot be written throws.
TEST_F(PlotControlTest, GraphImage_UpperCasePdfSuffixGivesAPdf_AndAnUnwritablePathThrows) {
    QTemporaryDir dir;
    const GraphImage image{"data.tlg — test", {{"X", &plot}}, {800, 600}};
    const QString pdf = dir.filePath("graphs.PDF");
    saveGraphImage(pdf, image);
    QFile document(pdf);
    ASSERT_TRUE(document.open(QIODevice::ReadOnly));
    EXPECT_TRUE(document.read(4) == "%PDF");

    EXPECT_THROW(saveGraphImage(dir.filePath("no/such/folder/graphs.png"), image), Error);
}

}  // namespace
}  // namespace tilt::view::plot
