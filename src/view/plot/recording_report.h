#pragma once

#include <QString>
#include <stop_token>
#include <vector>

#include "view/channel_arrays.h"
#include "view/degree_arrays.h"
#include "view/plot/graph_image.h"
#include "view/plot/recording_plots.h"
#include "view/recording_statistics.h"

namespace tilt::view::plot {

// What a report shows of a data file, read on any thread: its figures, the samples its graphs
// draw (a linear recording whole, a bin recording's first page pair, as the Graph window opens
// them) and its SHA-256. Throws tilt::Error when the file cannot be read or is damaged.
struct ReportData {
    std::string file;
    RecordingStatistics statistics;
    ChannelArrays samples;
    DegreeArrays firstBins;
    QString sha256;
};
[[nodiscard]] ReportData readReportData(const std::string& file, std::stop_token stop = {},
                                        std::optional<LocalMillis> loggingStarted = {});

// The one-page PDF report: the logger and its settings as the header gives them, the samples and
// the duration, each channel's figures, the graphs, and the data file's name and SHA-256 at the
// foot. Draws the graphs itself, so it runs on the thread of the widgets. The document replaces
// `pdf` only once it is whole. Throws tilt::Error when it cannot be written.
void writeRecordingReport(const ReportData& data, const QString& pdf);

}  // namespace tilt::view::plot
