#pragma once

#include <qcustomplot.h>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace tilt::view::plot {

// How the first plot of a graph is drawn: bins as a histogram of spikes over whole degrees, a
// trace as a line through the samples.
enum class Presentation { Bins, Trace };

// The look of a graph cursor: a colour as a 0xBBGGRR number, the size in pixels of the dot
// drawn where the cursor points (0 for none), and its crosshair (0 a vertical line only,
// otherwise a vertical and a horizontal line).
struct CursorLook {
    std::uint32_t color = 0;
    int pointStyle = 0;
    int crosshairStyle = 0;
};

// The look the push cursors of the button-push view are given: red, with a 14-pixel dot.
inline constexpr CursorLook kPushCursorLook{255, 14, 0};

// One graph of a data file: a single plot of Y values over evenly spaced X values, two axes
// that the program sets or scales to the data, and cursors. The user zooms with the wheel, pans
// by dragging, and double-clicks to go back to the program's ranges; the value under the
// pointer is offered as a read-out.
class PlotControl final : public QCustomPlot {
    Q_OBJECT

  public:
    static constexpr int kXAxis = 1;
    static constexpr int kYAxis = 2;

    explicit PlotControl(QWidget* parent = nullptr);

    // Removes every plotted point.
    void clearData();
    // Plots `values`: point k at X = firstX + k × increment. A NaN leaves a gap.
    void plotY(std::span<const double> values, double firstX = 0, double increment = 1);
    void plotY(std::span<const std::int16_t> values, double firstX = 0, double increment = 1);

    // Automatic scaling fits the axis to the plotted data whenever data is plotted.
    void setAutoScale(int axis, bool on);
    void setAxisRange(int axis, double minimum, double maximum);
    void setAxisTitle(int axis, const QString& title);
    void setPresentation(Presentation presentation);

    // Cursors, numbered from 1 in the order they were added; a graph starts without any. A new
    // cursor sits at (0, 0) with the default look (a dotted grey line).
    [[nodiscard]] int cursorCount() const { return static_cast<int>(cursors_.size()); }
    void addCursor();
    void removeAllCursors();
    void setCursorPosition(int cursor, double x, double y);
    void setCursorLook(int cursor, const CursorLook& look);
    [[nodiscard]] QPointF cursorPosition(int cursor) const;
    [[nodiscard]] bool hasDefaultLook(int cursor) const;

    // What is shown.
    [[nodiscard]] int pointCount() const;
    [[nodiscard]] QPointF point(int k) const;
    [[nodiscard]] QCPRange axisRange(int axis) const;
    [[nodiscard]] bool autoScale(int axis) const;
    [[nodiscard]] Presentation presentation() const { return presentation_; }

    // Back to the ranges the program set (or the data's, for automatic axes).
    void resetView();
    // The read-out for a point on the widget: the nearest sample's X and Y, or empty when the
    // point is outside the plot or nothing is plotted.
    [[nodiscard]] QString readoutAt(const QPointF& position) const;

  signals:
    void readoutChanged(const QString& text);

  private:
    struct Cursor {
        QCPItemStraightLine* vertical = nullptr;
        QCPItemStraightLine* horizontal = nullptr;
        QCPItemTracer* dot = nullptr;
        bool defaultLook = true;
    };

    [[nodiscard]] QCPAxis* axis(int number) const;
    [[nodiscard]] Cursor& cursorAt(int cursor);
    [[nodiscard]] const Cursor& cursorAt(int cursor) const;
    void placeCursor(Cursor& cursor, double x, double y);
    void showData(QVector<QCPGraphData>&& points);
    void scaleAutomaticAxes();
    void refresh();

    QCPGraph* plot_ = nullptr;
    Presentation presentation_ = Presentation::Trace;
    bool autoScale_[2] = {false, false};
    QCPRange home_[2] = {{0, 10}, {0, 10}};
    std::vector<Cursor> cursors_;
};

}  // namespace tilt::view::plot
