#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "common/recordings_library.h"

namespace tilt::platform {

// The recordings library in one SQLite file (Qt SQL, QSQLITE): WAL journal, foreign keys on, a
// schema version brought up to date when the file is first used. Each call opens its own
// connection on the calling thread, so device jobs, windows and other programs may use the same
// file at once; a writer that finds it locked waits a short while, then gives up with
// LibraryError. A file that is no SQLite database is set aside beside it (its name keeps
// "library") and a new one started; takeNotice() then says so, once.
class SqliteLibrary final : public RecordingsLibrary {
  public:
    static constexpr int kSchemaVersion = 2;
    static constexpr int kBusyTimeoutMs = 500;

    explicit SqliteLibrary(std::filesystem::path file);

    // "library.sqlite" in the data root.
    [[nodiscard]] static std::filesystem::path fileIn(const std::filesystem::path& dataRoot);
    // The file in this user's data root ($TILTAVAROMETER_HOME, or the user's data folder).
    [[nodiscard]] static std::filesystem::path inDataRoot();

    std::int64_t recordDataFile(const DataFileEntry& entry) override;
    void recordSnapshot(const ConfigSnapshot& snapshot) override;
    void recordEvent(const LibraryEvent& event) override;
    void recordLoggingStart(const RecordingKey& recording, const std::string& at,
                            std::optional<int> utcOffsetMinutes = {}) override;
    [[nodiscard]] std::vector<DataFileEntry> dataFiles(
        std::optional<std::int64_t> serial = {}) override;
    [[nodiscard]] std::optional<DataFileEntry> dataFile(std::int64_t id) override;
    [[nodiscard]] std::optional<DataFileEntry> dataFileWithSha256(
        const std::string& sha256) override;
    [[nodiscard]] std::vector<ConfigSnapshot> snapshots(std::int64_t serial) override;
    [[nodiscard]] std::optional<std::string> loggingStarted(const RecordingKey& recording) override;
    [[nodiscard]] bool downloadedWhole(const RecordingKey& recording, int pages) override;
    bool forget(std::int64_t id) override;
    [[nodiscard]] std::optional<int> launchUtcOffset(const RecordingKey& recording) override;
    [[nodiscard]] std::vector<std::int64_t> loggers() override;
    [[nodiscard]] std::vector<LibraryEvent> events(std::int64_t serial) override;
    [[nodiscard]] std::vector<std::int64_t> pushedTo(const std::string& server) override;
    void recordPushes(const std::vector<std::int64_t>& dataFiles,
                      const std::string& server) override;

    [[nodiscard]] std::optional<std::string> takeNotice() override;

    [[nodiscard]] const std::filesystem::path& file() const { return file_; }

  private:
    class Connection;
    friend class Connection;

    std::filesystem::path file_;
    std::mutex noticeMutex_;
    std::optional<std::string> notice_;
    std::once_flag checked_;  // the schema is brought up to date once per object
};

}  // namespace tilt::platform
