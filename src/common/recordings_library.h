#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/recording_kind.h"

namespace tilt {

// The library could not do what was asked (locked past its busy timeout, read-only, damaged);
// the text says why, for the one message the user gets.
class LibraryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the user is told when the library could not record a job (`what`: "download", "erase").
[[nodiscard]] inline std::string couldNotRecord(const std::string& what, const LibraryError& e) {
    return "The recordings library could not record this " + what + ": " + e.what() + ".";
}

// A logging session of one logger, known by its serial number and its launch time as the data
// file's header gives it ("MM/DD/YYYY hh:mm:ss").
struct RecordingKey {
    std::int64_t serial = 0;
    std::string launchTime;
    friend bool operator==(const RecordingKey&, const RecordingKey&) = default;
};

// One download (or import) of a recording into one data file.
struct DataFileEntry {
    std::int64_t id = 0;  // given by the library
    RecordingKey recording;
    std::string firmware;
    RecordingMode mode{};
    int channel = 0;
    std::string path;
    std::uintmax_t size = 0;
    std::string sha256;
    int pages = 0;
    long slotCount = 0;        // sample slots (a two-channel pair is one); page pairs for bins
    bool complete = false;     // reached the empty page or page 2047, and read back whole
    std::string downloadedAt;  // ISO 8601, this computer's local clock
    std::string program;       // "tiltavarometer", "tiltctl" or "import"
    std::optional<std::string> loggingStarted;  // ISO 8601, when the launch was made here
};

// A configuration as read from or written to a logger: its cells by their record field names.
struct ConfigSnapshot {
    std::int64_t id = 0;
    std::int64_t serial = 0;
    std::string takenAt;  // ISO 8601
    std::string kind;     // "read" or "write"
    std::map<std::string, std::string> values;
};

// What happened to a logger: "download", "erase", "launch", "configuration write", with how it
// ended.
struct LibraryEvent {
    std::int64_t serial = 0;
    std::string at;  // ISO 8601
    std::string kind;
    std::string result;  // "completed", "stopped", "failed: ..."
    std::string detail;
};

// Every recording this computer has downloaded or imported, every configuration it has read or
// written and what it did to each logger. Every call may throw LibraryError; a device job that
// records into the library goes on whatever it throws.
class RecordingsLibrary {
  public:
    virtual ~RecordingsLibrary() = default;

    // Adds a data file, or updates the one of the same recording and path (a download continued
    // after it was cut off stays one entry). An entry without a SHA-256 gets its file's. Returns
    // its id.
    virtual std::int64_t recordDataFile(const DataFileEntry& entry) = 0;
    virtual void recordSnapshot(const ConfigSnapshot& snapshot) = 0;
    virtual void recordEvent(const LibraryEvent& event) = 0;
    // The moment logging started (the logger's answer to the launch), for the recording's times,
    // and this computer's offset from UTC then, in minutes.
    virtual void recordLoggingStart(const RecordingKey& recording, const std::string& at,
                                    std::optional<int> utcOffsetMinutes = {}) = 0;

    // Data files, newest download first; of one logger when `serial` is given.
    [[nodiscard]] virtual std::vector<DataFileEntry> dataFiles(
        std::optional<std::int64_t> serial = {}) = 0;
    [[nodiscard]] virtual std::optional<DataFileEntry> dataFile(std::int64_t id) = 0;
    [[nodiscard]] virtual std::optional<DataFileEntry> dataFileWithSha256(
        const std::string& sha256) = 0;
    [[nodiscard]] virtual std::vector<ConfigSnapshot> snapshots(std::int64_t serial) = 0;
    [[nodiscard]] virtual std::optional<std::string> loggingStarted(
        const RecordingKey& recording) = 0;
    // Whether a complete data file of the recording holds at least `pages` pages.
    [[nodiscard]] virtual bool downloadedWhole(const RecordingKey& recording, int pages) = 0;
    // Drops a data file's entry (never the file); false when there is none.
    virtual bool forget(std::int64_t id) = 0;

    // The launching computer's offset from UTC, in minutes, when the launch was made here.
    [[nodiscard]] virtual std::optional<int> launchUtcOffset(const RecordingKey& recording) = 0;
    // Every logger the library knows of, by serial number.
    [[nodiscard]] virtual std::vector<std::int64_t> loggers() = 0;
    // What happened to one logger, oldest first.
    [[nodiscard]] virtual std::vector<LibraryEvent> events(std::int64_t serial) = 0;
    // The data files the library has noted as held by the team store `server` (as the server
    // names itself: "host:port/database as user").
    [[nodiscard]] virtual std::vector<std::int64_t> pushedTo(const std::string& server) = 0;
    virtual void recordPushes(const std::vector<std::int64_t>& dataFiles,
                              const std::string& server) = 0;

    // What the library did on its own that the user should hear of (a damaged file set aside);
    // nothing once it has been taken.
    [[nodiscard]] virtual std::optional<std::string> takeNotice() { return std::nullopt; }
};

}  // namespace tilt
