#include "logging/download_parameters.h"

#include <algorithm>
#include <array>

#include "common/number_text.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"
#include "link/query.h"
#include "link/quiet_line.h"
#include "logging/launch.h"

namespace tilt::logging {

namespace {

constexpr std::int32_t kModeLeadInMs = 250;
constexpr std::int32_t kModeCellWaitMs = 250;
constexpr std::int32_t kFirmwareWaitMs = 500;
constexpr std::int32_t kHeaderCellWaitMs = 100;
constexpr int kModeCell = 42;
constexpr int kChannelCell = 43;
constexpr int kHeader1First = 100, kHeader1Last = 109;
constexpr int kHeader2First = 2, kHeader2Last = 17;

std::string axisWords(std::span<const std::uint8_t> r, std::size_t first, int axes) {
    static constexpr std::array<const char*, 3> kAxes = {"X=", "Y=", "Z="};
    std::string text;
    for (int axis = 0; axis < axes; ++axis) {
        const std::size_t at = first + 2 * static_cast<std::size_t>(axis);
        if (axis > 0) {
            text.push_back(' ');
        }
        text.append(kAxes[static_cast<std::size_t>(axis)]);
        text.append(std::to_string(link::unsignedWord(r[at], r[at + 1])));
    }
    return text;
}

// The pauses after the requests of one query: whole, or ended by the replies asked for so far.
class QueryPauses {
  public:
    QueryPauses(link::DeviceLink& link, bool untilReply) : link_(link), untilReply_(untilReply) {}

    void after(std::size_t replyBytes, std::int32_t pauseMs) {
        expected_ += replyBytes;
        if (untilReply_) {
            (void)link_.waitForBytes(expected_, link_.now() + link::ms(pauseMs));
        } else {
            link_.delay(pauseMs);
        }
    }

    // Ended early, the last pause may leave a reply still coming: a surplus byte would then
    // meet the next query, and a reply cut short would pass as whole. The line has to go quiet
    // first, so that the query's count is the count of everything that came.
    void settle() {
        if (!untilReply_) {
            return;
        }
        link::waitForQuietLine(link_, kQuietLine, kQuietBound);
    }

  private:
    static constexpr link::Nanos kQuietLine = link::ms(3);
    static constexpr link::Nanos kQuietBound = link::ms(1000);

    link::DeviceLink& link_;
    bool untilReply_;
    std::size_t expected_ = 0;
};

void readCells(link::DeviceLink& link, QueryPauses& pauses, int first, int last,
               std::int32_t waitMs) {
    for (int address = first; address <= last && !link.stopRequested(); ++address) {
        link::requestReadByte(link, address, 0);
        pauses.after(1, waitMs);
    }
}

}  // namespace

std::string_view parameterFailureMessage(ParameterStep step) {
    switch (step) {
        case ParameterStep::Mode:
            return "Download MODE parameters were not retrieved! Download failed!";
        case ParameterStep::Firmware:
            return "Download FIRMWARE parameters were not retrieved! Download failed!";
        case ParameterStep::Header1:
            return "Download HEADER(1) parameters were not retrieved! Download failed!";
        case ParameterStep::Header2:
            break;
    }
    return "Download HEADER(2) parameters were not retrieved! Download failed!";
}

std::string quotientText(double value, std::string_view decimalSeparator) {
    const std::string text = numberText(value);
    const std::size_t point = text.find('.');
    if (point == std::string::npos) {
        return text;
    }
    std::string general(text, 0, point);
    if (point == 0 || text[point - 1] == '-') {
        general.push_back('0');  // a zero before the separator, as general number text has it
    }
    general.append(decimalSeparator);
    general.append(text, point + 1, std::string::npos);
    return general;
}

void decodeMode(std::span<const std::uint8_t> reply, DataFileHeader& header) {
    header.mode = RecordingMode{reply[0]};
    header.channel = LinearChannel{reply[1]};
}

void decodeFirmware(std::span<const std::uint8_t> reply, std::string_view decimalSeparator,
                    DataFileHeader& header) {
    header.firmwareVersion =
        quotientText(link::unsignedWord(reply[0], reply[1]) / 1000.0, decimalSeparator);
    header.samplingFrequency =
        quotientText(link::unsignedWord(reply[2], reply[3]) / 10.0, decimalSeparator);
}

void decodeHeader1(std::span<const std::uint8_t> reply, DataFileHeader& header) {
    const auto& b = reply;
    header.serialNumber = link::unsignedWord(b[0], b[1]);
    header.launchTime = launchTimeText({.day = b[3],
                                        .year = link::unsignedWord(b[4], b[5]),
                                        .hour = b[6],
                                        .minute = b[7],
                                        .second = b[8],
                                        .month = b[9]});
}

void decodeHeader2(std::span<const std::uint8_t> reply, DataFileHeader& header) {
    header.channelGains = axisWords(reply, 0, 3);
    header.channelOffsets = axisWords(reply, 6, 3);
    header.tares = axisWords(reply, 12, 2);
}

namespace {

struct Step {
    ParameterStep which;
    std::size_t replyBytes;
    // Puts the requests on the line; `afterAFailedAsk` when the ask before got no whole answer.
    std::function<void(bool afterAFailedAsk)> send;
    std::function<void(std::span<const std::uint8_t>)> decode;
};

// One step's query, asked once or until two answers agree.
link::QueryReply askStep(const link::JobScope& job, const Step& step, int asks) {
    link::DeviceLink& link = job.link();
    asks = std::max(asks, 1);
    std::optional<std::vector<std::uint8_t>> previous;
    link::QueryReply reply;
    for (int ask = 0; ask < asks && !link.stopRequested(); ++ask) {
        const bool afterAFailedAsk = ask > 0 && !previous;
        reply = link::queryDevice(
            job, [&] { step.send(afterAFailedAsk); }, step.replyBytes);
        if (reply.portFailed || (asks == 1) ||
            (reply.bytes && previous && *reply.bytes == *previous)) {
            return reply;
        }
        previous = std::move(reply.bytes);
    }
    return {};
}

// The four queries, each decoding into `p`.
std::array<Step, 4> recordingSteps(link::DeviceLink& link, ParameterReading reading,
                                   std::string_view decimalSeparator, DataFileHeader& p) {
    const auto pauses = [&link, reading] { return QueryPauses(link, reading.untilReply); };
    return {{
        {ParameterStep::Mode, 2,
         [&link, reading, pauses](bool afterAFailedAsk) {
             // Read until reply, the lead-in is kept for an ask after one that got no whole
             // answer: a logger that needs it after the port opens then gets it every time.
             if (!reading.untilReply || afterAFailedAsk) {
                 link.delay(kModeLeadInMs);
             }
             auto paused = pauses();
             readCells(link, paused, kModeCell, kChannelCell, kModeCellWaitMs);
             paused.settle();
         },
         [&p](auto reply) { decodeMode(reply, p); }},
        {ParameterStep::Firmware, 4,
         [&link, pauses](bool) {
             auto paused = pauses();
             link.sendByte(link::cmd::kFirmwareVersion);
             paused.after(2, kFirmwareWaitMs);
             link.sendByte(link::cmd::kSamplingFrequency);
             paused.after(2, kFirmwareWaitMs);
             paused.settle();
         },
         [&p, decimalSeparator](auto reply) { decodeFirmware(reply, decimalSeparator, p); }},
        {ParameterStep::Header1, 10,
         [&link, pauses](bool) {
             auto paused = pauses();
             readCells(link, paused, kHeader1First, kHeader1Last, kHeaderCellWaitMs);
             paused.settle();
         },
         [&p](auto reply) { decodeHeader1(reply, p); }},
        {ParameterStep::Header2, 16,
         [&link, pauses](bool) {
             auto paused = pauses();
             readCells(link, paused, kHeader2First, kHeader2Last, kHeaderCellWaitMs);
             paused.settle();
         },
         [&p](auto reply) { decodeHeader2(reply, p); }},
    }};
}

// Runs `steps`, which decode into `header`, in order until one fails.
ParameterOutcome runSteps(const link::JobScope& job, std::span<const Step> steps,
                          const DataFileHeader& header, ParameterReading reading,
                          const std::function<void(int)>& stepDone,
                          const std::function<void(const DataFileHeader&)>& modeRead) {
    ParameterOutcome outcome;
    int done = 0;
    for (const Step& step : steps) {
        const auto reply = askStep(job, step, reading.asks);
        if (!reply.bytes) {
            outcome.header = header;
            outcome.failed = step.which;
            outcome.portFailed = reply.portFailed;
            outcome.portFailure = reply.failure;
            return outcome;
        }
        step.decode(*reply.bytes);
        if (step.which == ParameterStep::Mode && modeRead) {
            modeRead(header);
        }
        if (stepDone) {
            stepDone(++done);
        }
    }
    outcome.header = header;
    return outcome;
}

}  // namespace

ParameterOutcome readRecordingHeader(const link::JobScope& job, std::string_view decimalSeparator,
                                     ParameterReading reading,
                                     const std::function<void(int)>& stepDone,
                                     const std::function<void(const DataFileHeader&)>& modeRead) {
    DataFileHeader header;
    const auto steps = recordingSteps(job.link(), reading, decimalSeparator, header);
    return runSteps(job, steps, header, reading, stepDone, modeRead);
}

ParameterOutcome readRecordingIdentity(const link::JobScope& job, ParameterReading reading) {
    DataFileHeader header;
    const auto steps = recordingSteps(job.link(), reading, ".", header);
    return runSteps(job, std::span(steps).subspan(2, 1), header, reading, {}, {});
}

}  // namespace tilt::logging
