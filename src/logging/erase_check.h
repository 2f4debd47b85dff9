#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/recordings_library.h"
#include "link/clock.h"
#include "logging/download_parameters.h"

namespace tilt::link {
class JobScope;
}

namespace tilt::logging {

// What an erase (or a launch, which erases first) would lose, as the logger and the recordings
// library tell it before anything is erased.
struct EraseCheck {
    enum class Verdict {
        Empty,       // the logger's first data page is erased: nothing to lose
        Downloaded,  // a complete download here holds every page the logger holds
        AtStake,     // pages on the logger that no complete download here holds
        NotKnown,    // the logger or the library could not tell: counts as not downloaded
    };
    Verdict verdict = Verdict::NotKnown;
    std::optional<RecordingKey> recording;  // the logger's serial number and launch time
    // The last page holding data (pages 1 to it are the recording); nothing when not counted.
    std::optional<std::int32_t> pagesHeld;
    std::int32_t downloadedPages = 0;  // pages 1 to this are in a complete download here
    std::string whyNotKnown;           // what could not be read, and why
    bool portFailed = false;  // the port could not be opened (reported by the open) or failed
    link::Nanos lineTime{0};  // time spent on the line
    int pagesAsked = 0;
};

struct EraseCheckOptions {
    // Asked once, ended as soon as the reply is in: a reply cut short or garbled on the way can
    // only make the recording "not known" or unknown to the library (a question too many),
    // never downloaded.
    ParameterReading reading{.asks = 1, .untilReply = true};
    // False stops once the library has spoken: the pages at stake are not counted (for a
    // command whose user has chosen to lose them anyway).
    bool countPages = true;
    std::int32_t pageCount = 2048;
};

// Reads the logger's serial number and launch time and whether its memory holds pages, then
// asks `library` whether that recording has a complete download holding at least as many pages.
// Costs one short query and two pages when the answer is "empty" or "downloaded"; pages at stake
// are counted by a halving search (about eleven pages more). Runs on the device's thread; the port
// is closed again at its end. A library that throws counts as "not known".
[[nodiscard]] EraseCheck checkBeforeErasing(const link::JobScope& job, RecordingsLibrary& library,
                                            const EraseCheckOptions& options = {});

// Whether the user has to agree to losing data before the erase.
[[nodiscard]] bool needsConsent(const EraseCheck& check);

// What stands to be lost, in one or two sentences naming the logger, its launch time and the
// pages; empty when nothing is.
[[nodiscard]] std::string atStakeText(const EraseCheck& check);

}  // namespace tilt::logging
