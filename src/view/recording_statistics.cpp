#include "view/recording_statistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "view/degree_arrays.h"

namespace tilt::view {

namespace {

// Mean and spread kept in one pass without losing precision over half a million samples.
class Figures {
  public:
    void add(double value, double weight = 1) {
        if (weight <= 0) {
            return;
        }
        if (count_ == 0) {
            minimum_ = maximum_ = value;
        }
        minimum_ = std::min(minimum_, value);
        maximum_ = std::max(maximum_, value);
        count_ += weight;
        const double delta = value - mean_;
        mean_ += delta * weight / count_;
        spread_ += weight * delta * (value - mean_);
    }

    [[nodiscard]] ChannelStatistics statistics(bool ordered) const {
        ChannelStatistics s;
        s.count = count_;
        if (count_ == 0) {
            return s;
        }
        s.minimum = minimum_;
        s.maximum = maximum_;
        s.mean = mean_;
        s.standardDeviation = std::sqrt(std::max(0.0, spread_ / count_));
        if (ordered) {
            s.first = first_;
            s.last = last_;
        }
        return s;
    }

    void inOrder(double value) {
        if (!first_) {
            first_ = value;
        }
        last_ = value;
    }

  private:
    double count_ = 0, minimum_ = 0, maximum_ = 0, mean_ = 0, spread_ = 0;
    std::optional<double> first_;
    double last_ = 0;
};

class StatisticsSink : public ExportSink {
  public:
    void note(std::string_view) override {}
    void columns(std::span<const std::string_view>) override {}

    void sample(const SampleRow& row) override {
        if (row.push) {
            ++pushes;
            return;
        }
        if (!row.x.empty()) {
            x.add(row.xValue);
            x.inOrder(row.xValue);
        }
        if (!row.y.empty()) {
            y.add(row.yValue);
            y.inOrder(row.yValue);
        }
    }

    void bins(const BinRow& row) override {
        binPages += row.y.empty() ? 1 : 2;
        addBins(row.x, x, degreeOfBinX);
        addBins(row.y, y, degreeOfBinY);
    }

    Figures x, y;
    long pushes = 0;
    long binPages = 0;

  private:
    static void addBins(std::span<const std::string_view> counts, Figures& figures,
                        int (*degreeOf)(int)) {
        for (std::size_t bin = 0; bin < counts.size(); ++bin) {
            double count = 0;
            std::from_chars(counts[bin].data(), counts[bin].data() + counts[bin].size(), count);
            figures.add(degreeOf(static_cast<int>(bin)), count);
        }
    }
};

}  // namespace

std::optional<double> RecordingStatistics::durationSeconds() const {
    if (!header.linear() || !clock.frequency) {
        return std::nullopt;
    }
    return static_cast<double>(slotCount) / *clock.frequency;
}

RecordingStatistics recordingStatistics(const std::string& file, const ExportOptions& options) {
    RecordingStatistics result;
    result.header = readRecordingHeader(file);
    result.clock = sampleClockOf(result.header.fields, options.loggingStarted);
    StatisticsSink sink;
    result.slotCount = exportRecording(file, sink, options);
    result.pushes = sink.pushes;
    // A linear page holds 264 samples: 264 slots of one channel, 132 of two.
    result.pages = result.header.linear()
                       ? result.slotCount / (result.header.channelValue == 3 ? 132 : 264)
                       : sink.binPages;
    result.x = sink.x.statistics(result.header.linear());
    result.y = sink.y.statistics(result.header.linear());
    return result;
}

}  // namespace tilt::view
