#pragma once

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace tilt::testing {

// The figures of a list of samples worked out the plain way (two passes), to check the
// program's one-pass figures against.
struct SampleFigures {
    double minimum = 0, maximum = 0, mean = 0, standardDeviation = 0;
};

inline SampleFigures figuresOf(const std::vector<double>& samples) {
    SampleFigures f;
    const auto count = static_cast<double>(samples.size());
    f.minimum = *std::min_element(samples.begin(), samples.end());
    f.maximum = *std::max_element(samples.begin(), samples.end());
    f.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / count;
    double squares = 0;
    for (const double x : samples) {
        squares += (x - f.mean) * (x - f.mean);
    }
    f.standardDeviation = std::sqrt(squares / count);
    return f;
}

}  // namespace tilt::testing
