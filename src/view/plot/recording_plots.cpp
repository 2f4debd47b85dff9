#include "view/plot/recording_plots.h"

#include <array>
#include <limits>
#include <span>

#include "view/plot/plot_control.h"

namespace tilt::view::plot {

namespace {

constexpr int kX = PlotControl::kXAxis;
constexpr int kY = PlotControl::kYAxis;

const QString& sampleTitle() {
    static const QString title = QStringLiteral("Sample index");
    return title;
}
const QString& xAngleTitle() {
    static const QString title = QStringLiteral("X angle (degrees)");
    return title;
}
const QString& yAngleTitle() {
    static const QString title = QStringLiteral("Y angle (degrees)");
    return title;
}

// Traces over the sample index, with the angle axes fixed to the channels' full scales.
void setUpTraces(GraphPair graphs) {
    for (PlotControl* graph : {&graphs.x, &graphs.y}) {
        graph->setPresentation(Presentation::Trace);
        graph->setAxisTitle(kX, sampleTitle());
    }
    graphs.x.setAxisTitle(kY, xAngleTitle());
    graphs.y.setAxisTitle(kY, yAngleTitle());
    graphs.x.setAutoScale(kY, false);
    graphs.x.setAxisRange(kY, -180, 180);
    graphs.y.setAutoScale(kY, false);
    graphs.y.setAxisRange(kY, -90, 90);
}

void plotTrace(PlotControl& graph, const std::vector<std::int16_t>& samples) {
    graph.setAxisRange(kX, 0, static_cast<double>(samples.size() - 1));
    graph.plotY(std::span<const std::int16_t>(samples), 0, 1);
}

}  // namespace

void setUpBinGraphs(GraphPair graphs) {
    static const std::array<double, kBins> emptyPlot = [] {
        std::array<double, kBins> values{};
        values.fill(std::numeric_limits<double>::quiet_NaN());
        return values;
    }();
    for (PlotControl* graph : {&graphs.x, &graphs.y}) {
        graph->setPresentation(Presentation::Bins);
        graph->setAxisTitle(kY, QStringLiteral("Count"));
    }
    graphs.x.setAxisTitle(kX, xAngleTitle());
    graphs.x.setAutoScale(kX, false);
    graphs.x.setAxisRange(kX, -180, 180);
    graphs.x.setAutoScale(kY, true);
    graphs.y.setAxisTitle(kX, yAngleTitle());
    graphs.y.setAutoScale(kX, false);
    graphs.y.setAxisRange(kX, -90, 90);
    graphs.y.setAutoScale(kY, true);
    graphs.x.plotY(emptyPlot);
    graphs.y.plotY(emptyPlot);
}

void plotDegreeArrays(GraphPair graphs, const DegreeArrays& degrees) {
    graphs.x.plotY(degrees.x, -180, 1);
    graphs.y.plotY(degrees.y, -90, 1);
}

void setUpLinearGraphs(GraphPair graphs) {
    graphs.x.clearData();
    graphs.y.clearData();
    setUpTraces(graphs);
    graphs.x.setAutoScale(kX, true);
    graphs.y.setAutoScale(kX, true);
}

void plotChannelArrays(GraphPair graphs, const ChannelArrays& arrays, LinearChannel channel) {
    if (channel == LinearChannel::X || channel == LinearChannel::Both) {
        plotTrace(graphs.x, arrays.x);
    }
    if (channel == LinearChannel::Y || channel == LinearChannel::Both) {
        plotTrace(graphs.y, arrays.y);
    }
}

void setUpPushGraphs(GraphPair graphs) {
    setUpTraces(graphs);
    for (PlotControl* graph : {&graphs.x, &graphs.y}) {
        graph->setAutoScale(kX, false);
        graph->setAxisRange(kX, 0, 264);  // one page of pairs until a file is open
        graph->removeAllCursors();
        graph->addCursor();
    }
}

void placeFirstCursors(GraphPair graphs, double sample) {
    graphs.x.setCursorPosition(1, sample, 0);
    graphs.y.setCursorPosition(1, sample, 0);
}

void showAllPushCursors(GraphPair graphs, const ButtonPushList& pushes) {
    for (PlotControl* graph : {&graphs.x, &graphs.y}) {
        for (std::size_t i = 1; i <= pushes.size(); ++i) {
            graph->addCursor();
            graph->setCursorLook(static_cast<int>(i), kPushCursorLook);
        }
    }
    for (std::size_t j = 0; j < pushes.size(); ++j) {
        graphs.x.setCursorPosition(static_cast<int>(j + 1), pushes[j], 0);
        graphs.y.setCursorPosition(static_cast<int>(j + 1), pushes[j], 0);
    }
}

void hideAllPushCursors(GraphPair graphs, double sample) {
    for (PlotControl* graph : {&graphs.x, &graphs.y}) {
        graph->removeAllCursors();
        graph->addCursor();
        graph->setCursorLook(1, kPushCursorLook);
    }
    placeFirstCursors(graphs, sample);
}

}  // namespace tilt::view::plot
