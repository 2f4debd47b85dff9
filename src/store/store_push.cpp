#include "store/store_push.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <unordered_set>

#include "common/error.h"
#include "store/pg_connection.h"
#include "store/store_schema.h"
#include "view/dated_export.h"

namespace tilt::store {

namespace {

constexpr std::size_t kCopyChunk = 1 << 18;
constexpr std::string_view kUniqueViolation = "23505";

// A text array parameter: {"a","b"} with each element quoted.
std::string textArray(const std::vector<std::string>& values) {
    std::string text = "{";
    for (const std::string& v : values) {
        if (text.size() > 1) {
            text.push_back(',');
        }
        text.push_back('"');
        for (const char c : v) {
            if (c == '"' || c == '\\') {
                text.push_back('\\');
            }
            text.push_back(c);
        }
        text.push_back('"');
    }
    return text + "}";
}

// The SHA-256s of `entries` that the server holds.
std::unordered_set<std::string> heldByServer(PgConnection& connection,
                                             const std::vector<DataFileEntry>& entries) {
    std::vector<std::string> hashes;
    hashes.reserve(entries.size());
    for (const DataFileEntry& e : entries) {
        hashes.push_back(e.sha256);
    }
    const PgResult held = connection.exec(
        "SELECT sha256 FROM tilt_data_files WHERE sha256 = ANY ($1::text[])", {textArray(hashes)});
    std::unordered_set<std::string> found;
    for (int row = 0; row < held.rows(); ++row) {
        found.insert(held.text(row, 0));
    }
    return found;
}

// The samples of a linear data file as COPY text rows of tilt_samples.
class CopyRows final : public view::ExportSink {
  public:
    CopyRows(std::string prefix, std::string file,
             const std::function<void(std::string_view)>& send)
        : prefix_(std::move(prefix)), file_(std::move(file)), send_(send) {
        buffer_.reserve(kCopyChunk + 256);
    }
    void note(std::string_view) override {}
    void columns(std::span<const std::string_view>) override {}
    void bins(const view::BinRow&) override {}
    void sample(const view::SampleRow& row) override {
        if (!row.time) {
            // The store finds samples by their time: a file that cannot time them stays out.
            throw Error(errc::kBadArgument,
                        file_ +
                            ": its samples have no time (the header gives no sampling "
                            "frequency, or its launch time is no date), so the team store "
                            "cannot take them.");
        }
        buffer_.append(prefix_);
        buffer_.append(std::to_string(row.slot));
        buffer_.push_back('\t');
        view::appendIsoTime(buffer_, *row.time);
        buffer_.push_back('\t');
        buffer_.append(row.offsetMs ? std::to_string(*row.offsetMs) : "\\N");
        buffer_.push_back('\t');
        buffer_.append(row.x.empty() ? "\\N" : row.x);
        buffer_.push_back('\t');
        buffer_.append(row.y.empty() ? "\\N" : row.y);
        buffer_.append(row.push ? "\tt\n" : "\tf\n");
        ++rows_;
        if (buffer_.size() >= kCopyChunk) {
            flush();
        }
    }
    void flush() {
        if (!buffer_.empty()) {
            send_(buffer_);
            buffer_.clear();
        }
    }
    [[nodiscard]] long rows() const { return rows_; }

  private:
    std::string prefix_;  // "recording\tserial\t"
    std::string file_;
    const std::function<void(std::string_view)>& send_;
    std::string buffer_;
    long rows_ = 0;
};

enum class Sent { Pushed, AlreadyThere };

// One data file in one transaction: its logger, its recording, itself and its samples.
Sent pushDataFile(PgConnection& connection, RecordingsLibrary& library, const DataFileEntry& e,
                  const view::RecordingHeader& header, long& samples) {
    std::optional<std::string> loggingStarted;
    std::optional<std::string> utcOffset;
    try {
        loggingStarted = library.loggingStarted(e.recording);
        if (const auto offset = library.launchUtcOffset(e.recording)) {
            utcOffset = std::to_string(*offset);
        }
    } catch (const LibraryError&) {
        // The samples' times then count from the launch stamp, as the export's do. The first
        // push of a recording sets how its samples are timed in the store.
    }
    const std::string serial = std::to_string(e.recording.serial);
    std::optional<std::string> launchedAt;
    if (const auto stamp = view::parseLaunchTime(e.recording.launchTime)) {
        std::string text;
        view::appendIsoTime(text, *stamp);
        launchedAt = text;
    }
    connection.exec("BEGIN");
    try {
        connection.exec(
            "INSERT INTO tilt_loggers (serial, firmware) VALUES ($1, $2) ON CONFLICT DO NOTHING",
            {serial, e.firmware});
        connection.exec(
            "INSERT INTO tilt_recordings (serial, launch_time, launched_at, logging_started, "
            "utc_offset_minutes, mode, channel) VALUES ($1, $2, $3, $4, $5, $6, $7) ON CONFLICT "
            "(serial, launch_time) DO NOTHING",
            {serial, e.recording.launchTime, launchedAt, loggingStarted, utcOffset,
             std::string(e.mode == RecordingMode::Bin ? "bin" : "linear"),
             std::to_string(e.channel)});
        const PgResult recording =
            connection.exec("SELECT id FROM tilt_recordings WHERE serial = $1 AND launch_time = $2",
                            {serial, e.recording.launchTime});
        const std::string recordingId = recording.text(0, 0);
        // Another computer pushing the same file waits here until it commits, then finds it.
        const PgResult inserted = connection.exec(
            "INSERT INTO tilt_data_files (recording, sha256, file_name, size, pages, slots, "
            "downloaded_at, program) VALUES ($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT "
            "(sha256) DO NOTHING RETURNING id",
            {recordingId, e.sha256, std::filesystem::path(e.path).filename().string(),
             std::to_string(e.size), std::to_string(e.pages), std::to_string(e.slotCount),
             e.downloadedAt, e.program});
        if (inserted.rows() == 0) {
            connection.exec("COMMIT");
            return Sent::AlreadyThere;
        }
        if (header.linear()) {
            // A recording with samples already (another download of it) gets only the slots it
            // lacks, through a staging table; a new one takes them straight.
            const bool hasSamples =
                connection
                    .exec("SELECT EXISTS (SELECT 1 FROM tilt_samples WHERE recording = $1)",
                          {recordingId})
                    .text(0, 0) == "t";
            if (hasSamples) {
                connection.exec(
                    "CREATE TEMP TABLE tilt_staging (LIKE tilt_samples) ON COMMIT DROP");
            }
            const std::string target = hasSamples ? "tilt_staging" : "tilt_samples";
            connection.copyIn(
                "COPY " + target +
                    " (recording, serial, slot, at, offset_ms, x, y, push) FROM STDIN",
                [&](const std::function<void(std::string_view)>& send) {
                    CopyRows rows(recordingId + "\t" + serial + "\t", e.path, send);
                    view::ExportOptions options;
                    // Timed as the export times them: from the moment logging started, when
                    // the launching computer's library knows it.
                    if (loggingStarted) {
                        options.loggingStarted = view::parseIsoTime(*loggingStarted);
                    }
                    (void)view::exportRecording(e.path, rows, options);
                    rows.flush();
                    samples += rows.rows();
                });
            if (hasSamples) {
                connection.exec(
                    "INSERT INTO tilt_samples SELECT * FROM tilt_staging ON CONFLICT "
                    "DO NOTHING");
            }
        }
        connection.exec("COMMIT");
        return Sent::Pushed;
    } catch (...) {
        try {
            connection.exec("ROLLBACK");
        } catch (const StoreError&) {
        }
        throw;
    }
}

// The snapshots and events of every logger the library knows, those the server lacks: one
// statement each for all of them, whatever the library's history.
void pushHistory(PgConnection& connection, RecordingsLibrary& library, PushResult& result) {
    std::vector<std::string> loggers;
    std::vector<std::string> snapshotSerials, takenAt, snapshotKinds, cells;
    std::vector<std::string> eventSerials, eventAt, eventKinds, results, details;
    for (const std::int64_t serial : library.loggers()) {
        const std::string s = std::to_string(serial);
        const auto snapshots = library.snapshots(serial);
        const auto events = library.events(serial);
        if (snapshots.empty() && events.empty()) {
            continue;
        }
        loggers.push_back(s);
        for (const ConfigSnapshot& snapshot : snapshots) {
            QJsonObject values;
            for (const auto& [name, value] : snapshot.values) {
                values.insert(QString::fromStdString(name), QString::fromStdString(value));
            }
            snapshotSerials.push_back(s);
            takenAt.push_back(snapshot.takenAt);
            snapshotKinds.push_back(snapshot.kind);
            cells.push_back(QJsonDocument(values).toJson(QJsonDocument::Compact).toStdString());
        }
        for (const LibraryEvent& event : events) {
            eventSerials.push_back(s);
            eventAt.push_back(event.at);
            eventKinds.push_back(event.kind);
            results.push_back(event.result);
            details.push_back(event.detail);
        }
    }
    if (loggers.empty()) {
        return;
    }
    connection.exec(
        "INSERT INTO tilt_loggers (serial) SELECT unnest($1::integer[]) ON CONFLICT DO NOTHING",
        {textArray(loggers)});
    result.snapshots += connection
                            .exec(
                                "INSERT INTO tilt_snapshots (serial, taken_at, kind, cells) "
                                "SELECT * FROM unnest($1::integer[], $2::text[], $3::text[], "
                                "$4::jsonb[]) ON CONFLICT DO NOTHING RETURNING id",
                                {textArray(snapshotSerials), textArray(takenAt),
                                 textArray(snapshotKinds), textArray(cells)})
                            .rows();
    result.events += connection
                         .exec(
                             "INSERT INTO tilt_events (serial, at, kind, result, detail) "
                             "SELECT * FROM unnest($1::integer[], $2::text[], $3::text[], "
                             "$4::text[], $5::text[]) ON CONFLICT DO NOTHING RETURNING id",
                             {textArray(eventSerials), textArray(eventAt), textArray(eventKinds),
                              textArray(results), textArray(details)})
                         .rows();
}

}  // namespace

std::string pushSummary(const PushResult& result) {
    std::string digits = std::to_string(result.samples);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return "Pushed " + std::to_string(result.pushed) +
           (result.pushed == 1 ? " data file" : " data files") + " (" + digits + " samples); " +
           std::to_string(result.alreadyThere) + " already in the store; " +
           std::to_string(result.waiting) + " waiting until their download is completed; " +
           std::to_string(result.snapshots) + " configurations and " +
           std::to_string(result.events) + " events sent.";
}

PushResult pushLibrary(PgConnection& connection, RecordingsLibrary& library,
                       const std::function<void(const PushProgress&)>& progress,
                       std::stop_token stop) {
    requireStore(connection);
    PushResult result;
    // Each complete data file once, with every library entry of the same content.
    std::vector<DataFileEntry> complete;
    std::map<std::string, std::vector<std::int64_t>> idsOf;
    for (DataFileEntry& e : library.dataFiles()) {
        if (!e.complete) {
            ++result.waiting;
            continue;
        }
        auto& ids = idsOf[e.sha256];
        ids.push_back(e.id);
        if (ids.size() == 1) {
            complete.push_back(std::move(e));
        }
    }
    // Oldest first: a recording's first download before a later one of it.
    std::reverse(complete.begin(), complete.end());
    const auto held = heldByServer(connection, complete);
    std::vector<std::int64_t> noted;
    std::vector<const DataFileEntry*> toSend;
    for (const DataFileEntry& e : complete) {
        if (held.contains(e.sha256)) {
            ++result.alreadyThere;
            noted.insert(noted.end(), idsOf[e.sha256].begin(), idsOf[e.sha256].end());
        } else {
            toSend.push_back(&e);
        }
    }
    const auto note = [&] {
        try {
            library.recordPushes(noted, connection.server());
        } catch (const LibraryError& e) {
            result.libraryProblem = couldNotRecord("push", e);
        }
        noted.clear();
    };
    note();
    // A stop asked for cancels the data file being sent: its transaction rolls back whole.
    const std::stop_callback cancelOnStop(stop, [&connection] { connection.cancel(); });
    int done = 0;
    for (const DataFileEntry* e : toSend) {
        if (stop.stop_requested()) {
            break;
        }
        if (progress) {
            progress({done, static_cast<int>(toSend.size()), e->path});
        }
        ++done;
        view::RecordingHeader header;
        try {
            header = view::readRecordingHeader(e->path);
        } catch (const Error& why) {
            result.unreadable.push_back(std::string(why.what()));
            continue;
        }
        long samples = 0;
        Sent sent = Sent::AlreadyThere;
        try {
            try {
                sent = pushDataFile(connection, library, *e, header, samples);
            } catch (const StoreError& failure) {
                if (failure.code() != kUniqueViolation) {
                    throw;
                }
                // Another computer sent samples of this recording meanwhile: again, through
                // the staging table this time.
                samples = 0;
                sent = pushDataFile(connection, library, *e, header, samples);
            }
        } catch (const StoreError&) {
            if (stop.stop_requested()) {
                break;  // cancelled: nothing of it was kept
            }
            throw;
        } catch (const Error& why) {  // the file is damaged beyond its header
            result.unreadable.push_back(std::string(why.what()));
            continue;
        }
        if (sent == Sent::Pushed) {
            ++result.pushed;
            result.samples += samples;
        } else {
            ++result.alreadyThere;
        }
        noted = idsOf[e->sha256];
        note();
    }
    result.stopped = stop.stop_requested();
    if (progress) {
        progress({done, static_cast<int>(toSend.size()), {}});
    }
    if (!result.stopped) {
        pushHistory(connection, library, result);
    }
    return result;
}

}  // namespace tilt::store
