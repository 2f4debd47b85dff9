#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "common/recordings_library.h"

namespace tilt::store {

class PgConnection;

// What a push did.
struct PushResult {
    int pushed = 0;        // data files sent, each with its recording's samples
    long samples = 0;      // sample rows sent with them
    int alreadyThere = 0;  // complete data files the server held already
    int waiting = 0;       // incomplete data files: they wait until they are completed
    std::vector<std::string> unreadable;  // "file: why" of data files that could not be read
    int snapshots = 0;                    // configuration snapshots sent
    int events = 0;                       // events sent
    std::string libraryProblem;  // the library could not note what was pushed (it will be again)
    bool stopped = false;        // a stop was asked for: the rest waits for the next push
};

// Where a push stands: the data file being sent, of how many.
struct PushProgress {
    int done = 0;
    int total = 0;
    std::string file;
};

// What a push did, in one line: "Pushed 2 data files (10,800 samples); 1 already in the store;
// ...".
[[nodiscard]] std::string pushSummary(const PushResult& result);

// Sends every complete data file of `library` that the team store does not hold yet, each with
// its recording (and logger) and samples in one transaction: a push cut off leaves no half
// recording, and the next push sends it whole. A data file is known by its SHA-256, so a push is
// idempotent and two computers pushing the same file at once leave one copy. Then the
// configuration snapshots and events the server lacks. The library notes which data files the
// server (by PgConnection::server()) holds. Throws StoreError; what was pushed before a failure
// stays pushed. A stop asked for cancels the data file being sent, which the next push sends
// whole.
PushResult pushLibrary(PgConnection& connection, RecordingsLibrary& library,
                       const std::function<void(const PushProgress&)>& progress = {},
                       std::stop_token stop = {});

}  // namespace tilt::store
