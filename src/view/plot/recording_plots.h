#pragma once

#include "view/channel_arrays.h"
#include "view/degree_arrays.h"

namespace tilt::view::plot {

class PlotControl;

// The two graphs of a data file: the X channel on the first, the Y channel on the second. The
// graph windows and the report pictures of tiltctl draw through these, so both look the same.
struct GraphPair {
    PlotControl& x;
    PlotControl& y;
};

// Bin mode: histograms over whole degrees (X -180 to 180, Y -90 to 90) with counts scaled to
// the data, blanked until a page pair is plotted.
void setUpBinGraphs(GraphPair graphs);
void plotDegreeArrays(GraphPair graphs, const DegreeArrays& degrees);

// Linear mode: traces over the sample index (scaled to the data) in degrees (X -180 to 180,
// Y -90 to 90), cleared.
void setUpLinearGraphs(GraphPair graphs);
// Plots the channels the file holds: 1 the X channel, 2 the Y channel, 3 both; for any other
// value nothing. Each plotted graph's sample axis runs from 0 to the array's upper bound.
void plotChannelArrays(GraphPair graphs, const ChannelArrays& arrays, LinearChannel channel);

// The button-push view: traces as in linear mode, and one cursor per graph.
void setUpPushGraphs(GraphPair graphs);
// Puts cursor 1 of both graphs on `sample`.
void placeFirstCursors(GraphPair graphs, double sample);
// One push-styled cursor per push, plus the spare the cursors are added from.
void showAllPushCursors(GraphPair graphs, const ButtonPushList& pushes);
// Back to a single push-styled cursor on `sample`.
void hideAllPushCursors(GraphPair graphs, double sample);

}  // namespace tilt::view::plot
