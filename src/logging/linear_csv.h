#pragma once

#include <string>

namespace tilt {
class ErrorReporter;
}

namespace tilt::logging {

// The CSV path of a data file: its last four characters replaced by ".csv" (walk.tlg gives
// walk.csv, walk12 gives wa.csv).
[[nodiscard]] std::string csvPathFor(const std::string& dataFileName);

// Turns a linear "Download Pages" file into a CSV file with one sample or X,Y pair per line,
// streaming. Failures go to the error handler as "MakeLinearCSV" in "General"; what was
// written stays.
void MakeLinearCSV(const std::string& dataFileName, ErrorReporter& errors);

}  // namespace tilt::logging
