#pragma once

#include <string>
#include <string_view>

namespace tilt {
class ErrorReporter;
}

namespace tilt::logging {

// The CSV path of a data file: its last four characters replaced by ".csv" (walk.tlg gives
// walk.csv, walk12 gives wa.csv). Throws the bad-argument error for a name of fewer than four
// characters.
[[nodiscard]] std::string csvPathFor(const std::string& dataFileName);

// Turns a linear "Download Pages" file into a CSV file with one sample or X,Y pair per line,
// streaming, and replaces an existing CSV file. Failures go to the error handler as
// "MakeLinearCSV" in `screen` (the calling window); what was written stays.
// True when the CSV file was written whole.
bool makeLinearCsv(const std::string& dataFileName, ErrorReporter& errors, std::string_view screen);

}  // namespace tilt::logging
