#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "logging/data_file.h"

namespace tilt::link {
class JobScope;
}

namespace tilt::logging {

// The four queries, in the order the download runs them.
enum class ParameterStep { Mode, Firmware, Header1, Header2 };

// What the user is told when a step got the wrong number of bytes.
[[nodiscard]] std::string_view parameterFailureMessage(ParameterStep step);

struct ParameterOutcome {
    DataFileHeader header;                // all but the program's version
    std::optional<ParameterStep> failed;  // the step that failed; the later ones did not run
    // It failed because the port did: could not be opened (reported by the open), or failed
    // under the query (not reported: `portFailure` says why).
    bool portFailed = false;
    std::string portFailure;
};

// How the queries are read.
struct ParameterReading {
    // 1 reads each query once, as the window does. More asks each query again until two answers
    // in a row are the same, at most `asks` times, and a step fails when they never were: the
    // queries judge their replies by the total count alone, so a byte lost from one reply and a
    // stray byte added to another would pass unseen and shift the values.
    int asks = 1;
    // False keeps every pause after a request whole. True ends a pause as soon as the replies
    // asked for so far have come (never later than the whole pause), and keeps the lead-in
    // before the mode query only for an ask after one that got no whole answer: for a reader
    // that confirms its answers by asking twice, to which a logger not ready yet costs one more
    // ask, not a wrong header.
    bool untilReply = false;
};

// What a download reads from the logger before the pages: everything a data file's header
// carries but the program's version. Runs the four queries, each on a port opened and closed around
// it; a port that fails ends them at once, as a failed step. `stepDone` is told how many steps have
// succeeded so far, and `modeRead` the mode and channel as soon as the mode step has them.
// Quotients (firmware version, sampling frequency) use `decimalSeparator`, as the user's number
// settings have it (UTF-8).
[[nodiscard]] ParameterOutcome readRecordingHeader(
    const link::JobScope& job, std::string_view decimalSeparator, ParameterReading reading = {},
    const std::function<void(int stepsDone)>& stepDone = {},
    const std::function<void(const DataFileHeader& modeRead)>& modeRead = {});

// Only the third query, which the header's serial number and launch time come from (the rest of
// the header is left empty); a failure is reported as that step's.
[[nodiscard]] ParameterOutcome readRecordingIdentity(const link::JobScope& job,
                                                     ParameterReading reading = {});

// The decoders of the four replies, for a reply of the right length.
void decodeMode(std::span<const std::uint8_t> reply, DataFileHeader& header);
void decodeFirmware(std::span<const std::uint8_t> reply, std::string_view decimalSeparator,
                    DataFileHeader& header);
void decodeHeader1(std::span<const std::uint8_t> reply, DataFileHeader& header);
void decodeHeader2(std::span<const std::uint8_t> reply, DataFileHeader& header);

// General decimal text of a quotient: no trailing zeros, a zero before the separator below 1.
[[nodiscard]] std::string quotientText(double value, std::string_view decimalSeparator);

}  // namespace tilt::logging
