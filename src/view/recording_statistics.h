#pragma once

#include <optional>
#include <string>

#include "view/dated_export.h"

namespace tilt::view {

// One channel of a recording in figures. For a linear recording over its samples in order; for
// a bin recording over the angles its bins stand for, each weighted by its count (the order of
// the samples is not recorded: first and last stay empty).
struct ChannelStatistics {
    double count = 0;  // samples (linear) or counts (bin)
    double minimum = 0, maximum = 0, mean = 0;
    double standardDeviation = 0;  // of all the samples: the population's, not an estimate's
    std::optional<double> first, last;

    [[nodiscard]] std::optional<double> change() const {
        return first && last ? std::optional<double>(*last - *first) : std::nullopt;
    }
};

struct RecordingStatistics {
    RecordingHeader header;
    SampleClock clock;
    long slotCount = 0;  // sample slots (linear) or page pairs (bin)
    long pages = 0;      // page lines
    long pushes = 0;     // button pushes
    ChannelStatistics x, y;

    // From the first slot to one sample period after the last; nothing without a frequency.
    [[nodiscard]] std::optional<double> durationSeconds() const;
};

// Reads the whole data file once; throws as exportRecording does.
[[nodiscard]] RecordingStatistics recordingStatistics(const std::string& file,
                                                      const ExportOptions& options = {});

}  // namespace tilt::view
