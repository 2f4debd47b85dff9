#include "platform/sqlite_library.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

#include "platform/data_root.h"

namespace tilt::platform {

namespace {

// Each schema version's statements, applied in order to bring an older file up to date.
const std::vector<std::vector<const char*>> kMigrations = {
    {
        "CREATE TABLE loggers (serial INTEGER PRIMARY KEY, firmware TEXT NOT NULL DEFAULT '', "
        "first_seen TEXT NOT NULL, last_seen TEXT NOT NULL)",
        "CREATE TABLE recordings (id INTEGER PRIMARY KEY, serial INTEGER NOT NULL REFERENCES "
        "loggers(serial), launch_time TEXT NOT NULL, logging_started TEXT, "
        "UNIQUE (serial, launch_time))",
        "CREATE TABLE data_files (id INTEGER PRIMARY KEY, recording INTEGER NOT NULL REFERENCES "
        "recordings(id), path TEXT NOT NULL, size INTEGER NOT NULL, sha256 TEXT NOT NULL, "
        "mode INTEGER NOT NULL, channel INTEGER NOT NULL, pages INTEGER NOT NULL, "
        "slots INTEGER NOT NULL, complete INTEGER NOT NULL, downloaded_at TEXT NOT NULL, "
        "program TEXT NOT NULL, UNIQUE (recording, path))",
        "CREATE INDEX data_files_sha256 ON data_files (sha256)",
        "CREATE TABLE snapshots (id INTEGER PRIMARY KEY, serial INTEGER NOT NULL REFERENCES "
        "loggers(serial), taken_at TEXT NOT NULL, kind TEXT NOT NULL, cells TEXT NOT NULL)",
        "CREATE TABLE events (id INTEGER PRIMARY KEY, serial INTEGER NOT NULL REFERENCES "
        "loggers(serial), at TEXT NOT NULL, kind TEXT NOT NULL, result TEXT NOT NULL, "
        "detail TEXT NOT NULL)",
    },
    {
        // Where each data file has been pushed (a team store, as the server names itself:
        // "host:port/database as user"), and the launching computer's UTC offset.
        "CREATE TABLE pushes (data_file INTEGER NOT NULL REFERENCES data_files(id) ON DELETE "
        "CASCADE, server TEXT NOT NULL, pushed_at TEXT NOT NULL, PRIMARY KEY (data_file, server))",
        "ALTER TABLE recordings ADD COLUMN utc_offset_minutes INTEGER",
    },
};

QString nowText() {
    return QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
}

// Whole numbers bound as SQLite's 64-bit integers (Qt would bind a `long` as text).
QVariant number(std::int64_t value) {
    return QVariant::fromValue(static_cast<qlonglong>(value));
}

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

// SQLite's answers for a file that is no database, or a damaged one.
bool isDamagedFile(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("26") || code == QLatin1String("11") ||
           error.text().contains(QLatin1String("not a database"), Qt::CaseInsensitive) ||
           error.text().contains(QLatin1String("malformed"), Qt::CaseInsensitive);
}

class DamagedFile : public LibraryError {
  public:
    using LibraryError::LibraryError;
};

}  // namespace

// One connection, on the calling thread, for the length of one call.
class SqliteLibrary::Connection {
  public:
    explicit Connection(SqliteLibrary& library)
        : library_(library), name_(QStringLiteral("tilt-library-%1").arg(next_++)) {
        try {
            open();
        } catch (const DamagedFile&) {
            close();
            setAside();
            open();
        }
    }
    ~Connection() { close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs one statement with `values` bound to its placeholders in order.
    QSqlQuery run(const QString& sql, const QVariantList& values = {}) {
        QSqlQuery query(QSqlDatabase::database(name_, false));
        query.setForwardOnly(true);
        if (!query.prepare(sql)) {
            fail(query.lastError());
        }
        for (const QVariant& value : values) {
            query.addBindValue(value);
        }
        if (!query.exec()) {
            fail(query.lastError());
        }
        return query;
    }

    // A write that holds the file from its first statement: a second writer waits for it.
    template <typename Work>
    auto write(Work work) {
        run(QStringLiteral("BEGIN IMMEDIATE"));
        try {
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                run(QStringLiteral("COMMIT"));
            } else {
                auto result = work();
                run(QStringLiteral("COMMIT"));
                return result;
            }
        } catch (...) {
            QSqlQuery(QSqlDatabase::database(name_, false)).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
    }

    std::int64_t loggerSeen(std::int64_t serial, const std::string& firmware) {
        const QString now = nowText();
        run(QStringLiteral("INSERT INTO loggers (serial, firmware, first_seen, last_seen) "
                           "VALUES (?, ?, ?, ?) ON CONFLICT (serial) DO UPDATE SET last_seen = "
                           "excluded.last_seen, firmware = CASE WHEN excluded.firmware = '' THEN "
                           "firmware ELSE excluded.firmware END"),
            {number(serial), text(firmware), now, now});
        return serial;
    }

    std::int64_t recordingId(const RecordingKey& key) {
        loggerSeen(key.serial, {});
        run(QStringLiteral("INSERT INTO recordings (serial, launch_time) VALUES (?, ?) "
                           "ON CONFLICT (serial, launch_time) DO NOTHING"),
            {number(key.serial), text(key.launchTime)});
        QSqlQuery found =
            run(QStringLiteral("SELECT id FROM recordings WHERE serial = ? AND launch_time = ?"),
                {number(key.serial), text(key.launchTime)});
        found.next();
        return found.value(0).toLongLong();
    }

  private:
    void open() {
        std::error_code ignored;
        std::filesystem::create_directories(library_.file_.parent_path(), ignored);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(QString::fromStdString(library_.file_.string()));
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        if (!db.open()) {
            fail(db.lastError());
        }
        run(QStringLiteral("PRAGMA foreign_keys = ON"));
        run(QStringLiteral("PRAGMA journal_mode = WAL"));
        std::call_once(library_.checked_, [this] { migrate(); });
    }

    void close() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isValid()) {
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name_);
    }

    void migrate() {
        run(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"));
        QSqlQuery found =
            run(QStringLiteral("SELECT COALESCE(MAX(version), 0) FROM schema_version"));
        found.next();
        const int version = found.value(0).toInt();
        if (version > kSchemaVersion) {
            throw LibraryError("the library " + library_.file_.string() +
                               " was made by a newer version of this program (its schema is " +
                               std::to_string(version) + ", this version knows " +
                               std::to_string(kSchemaVersion) +
                               "); update the program to record into it");
        }
        for (int next = version + 1; next <= kSchemaVersion; ++next) {
            write([&] {
                for (const char* statement : kMigrations[static_cast<std::size_t>(next - 1)]) {
                    run(QString::fromLatin1(statement));
                }
                run(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"), {next});
            });
        }
    }

    // Moves a damaged file (and its journal) aside, under a name that still says "library".
    void setAside() {
        const std::filesystem::path& file = library_.file_;
        const auto stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const std::filesystem::path aside =
            file.parent_path() /
            (file.stem().string() + "-damaged-" + stamp.toStdString() + file.extension().string());
        std::error_code error;
        std::filesystem::rename(file, aside, error);
        if (error) {
            throw LibraryError("the library " + file.string() +
                               " is damaged and could not be set aside: " + error.message());
        }
        for (const char* journal : {"-wal", "-shm"}) {
            std::filesystem::remove(file.string() + journal, error);
        }
        const std::lock_guard lock(library_.noticeMutex_);
        library_.notice_ = "The recordings library " + file.string() +
                           " was damaged. It was set aside as " + aside.string() +
                           " and a new library started.";
    }

    [[noreturn]] void fail(const QSqlError& error) const {
        const std::string why = error.text().toStdString();
        if (isDamagedFile(error)) {
            throw DamagedFile("the library " + library_.file_.string() + " is damaged: " + why);
        }
        if (error.text().contains(QLatin1String("locked"), Qt::CaseInsensitive) ||
            error.text().contains(QLatin1String("busy"), Qt::CaseInsensitive)) {
            throw LibraryError("the library " + library_.file_.string() +
                               " is held by another program (" + why +
                               "); close the program that holds it");
        }
        if (error.text().contains(QLatin1String("readonly"), Qt::CaseInsensitive) ||
            error.text().contains(QLatin1String("read-only"), Qt::CaseInsensitive) ||
            error.text().contains(QLatin1String("unable to open"), Qt::CaseInsensitive)) {
            throw LibraryError("the library " + library_.file_.string() + " cannot be written (" +
                               why + "); check that you may write to it and to its folder");
        }
        throw LibraryError("the library " + library_.file_.string() + " failed: " + why);
    }

    SqliteLibrary& library_;
    QString name_;
    static inline std::atomic<long> next_{0};
};

namespace {

const QString kDataFileColumns = QStringLiteral(
    "d.id, r.serial, r.launch_time, l.firmware, d.mode, d.channel, d.path, d.size, d.sha256, "
    "d.pages, d.slots, d.complete, d.downloaded_at, d.program, r.logging_started "
    "FROM data_files d JOIN recordings r ON r.id = d.recording JOIN loggers l ON l.serial = "
    "r.serial");

DataFileEntry dataFileOf(const QSqlQuery& row) {
    DataFileEntry e;
    e.id = row.value(0).toLongLong();
    e.recording = {row.value(1).toLongLong(), row.value(2).toString().toStdString()};
    e.firmware = row.value(3).toString().toStdString();
    e.mode = static_cast<RecordingMode>(row.value(4).toInt());
    e.channel = row.value(5).toInt();
    e.path = row.value(6).toString().toStdString();
    e.size = row.value(7).toULongLong();
    e.sha256 = row.value(8).toString().toStdString();
    e.pages = row.value(9).toInt();
    e.slotCount = row.value(10).toLongLong();
    e.complete = row.value(11).toBool();
    e.downloadedAt = row.value(12).toString().toStdString();
    e.program = row.value(13).toString().toStdString();
    if (!row.value(14).isNull()) {
        e.loggingStarted = row.value(14).toString().toStdString();
    }
    return e;
}

}  // namespace

SqliteLibrary::SqliteLibrary(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path SqliteLibrary::fileIn(const std::filesystem::path& dataRoot) {
    return dataRoot / "library.sqlite";
}

std::filesystem::path SqliteLibrary::inDataRoot() {
    return fileIn(dataPaths().root);
}

std::int64_t SqliteLibrary::recordDataFile(const DataFileEntry& given) {
    DataFileEntry entry = given;
    if (entry.sha256.empty()) {
        QFile data(QString::fromStdString(entry.path));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (data.open(QIODevice::ReadOnly) && hash.addData(&data)) {
            entry.sha256 = hash.result().toHex().toStdString();
        }
    }
    Connection db(*this);
    return db.write([&] {
        const std::int64_t recording = db.recordingId(entry.recording);
        db.loggerSeen(entry.recording.serial, entry.firmware);
        // New content under the same entry is not what a team store was given.
        db.run(QStringLiteral("DELETE FROM pushes WHERE data_file IN (SELECT id FROM data_files "
                              "WHERE recording = ? AND path = ? AND sha256 <> ?)"),
               {number(recording), text(entry.path), text(entry.sha256)});
        db.run(QStringLiteral(
                   "INSERT INTO data_files (recording, path, size, sha256, mode, channel, pages, "
                   "slots, complete, downloaded_at, program) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                   "?, ?) ON CONFLICT (recording, path) DO UPDATE SET size = excluded.size, "
                   "sha256 = excluded.sha256, mode = excluded.mode, channel = excluded.channel, "
                   "pages = excluded.pages, slots = excluded.slots, complete = excluded.complete, "
                   "downloaded_at = excluded.downloaded_at, program = excluded.program"),
               {number(recording), text(entry.path),
                QVariant::fromValue(static_cast<qulonglong>(entry.size)), text(entry.sha256),
                cellValue(entry.mode), entry.channel, entry.pages,
                QVariant::fromValue(static_cast<qlonglong>(entry.slotCount)),
                entry.complete ? 1 : 0, text(entry.downloadedAt), text(entry.program)});
        QSqlQuery id = db.run(QStringLiteral("SELECT id FROM data_files WHERE recording = ? AND "
                                             "path = ?"),
                              {number(recording), text(entry.path)});
        id.next();
        return static_cast<std::int64_t>(id.value(0).toLongLong());
    });
}

void SqliteLibrary::recordSnapshot(const ConfigSnapshot& snapshot) {
    QJsonObject cells;
    for (const auto& [name, value] : snapshot.values) {
        cells.insert(text(name), text(value));
    }
    Connection db(*this);
    db.write([&] {
        db.loggerSeen(snapshot.serial, {});
        db.run(QStringLiteral(
                   "INSERT INTO snapshots (serial, taken_at, kind, cells) VALUES (?, ?, ?, ?)"),
               {number(snapshot.serial), text(snapshot.takenAt), text(snapshot.kind),
                QString::fromUtf8(QJsonDocument(cells).toJson(QJsonDocument::Compact))});
    });
}

void SqliteLibrary::recordEvent(const LibraryEvent& event) {
    Connection db(*this);
    db.write([&] {
        db.loggerSeen(event.serial, {});
        db.run(QStringLiteral(
                   "INSERT INTO events (serial, at, kind, result, detail) VALUES (?, ?, ?, ?, ?)"),
               {number(event.serial), text(event.at), text(event.kind), text(event.result),
                text(event.detail)});
    });
}

void SqliteLibrary::recordLoggingStart(const RecordingKey& recording, const std::string& at,
                                       std::optional<int> utcOffsetMinutes) {
    Connection db(*this);
    db.write([&] {
        const std::int64_t id = db.recordingId(recording);
        db.run(QStringLiteral("UPDATE recordings SET logging_started = ?, utc_offset_minutes = ? "
                              "WHERE id = ?"),
               {text(at), utcOffsetMinutes ? QVariant(*utcOffsetMinutes) : QVariant(), number(id)});
    });
}

std::vector<DataFileEntry> SqliteLibrary::dataFiles(std::optional<std::int64_t> serial) {
    Connection db(*this);
    QSqlQuery rows =
        serial ? db.run(QStringLiteral("SELECT ") + kDataFileColumns +
                            QStringLiteral(
                                " WHERE r.serial = ? ORDER BY d.downloaded_at DESC, d.id DESC"),
                        {number(*serial)})
               : db.run(QStringLiteral("SELECT ") + kDataFileColumns +
                        QStringLiteral(" ORDER BY d.downloaded_at DESC, d.id DESC"));
    std::vector<DataFileEntry> entries;
    while (rows.next()) {
        entries.push_back(dataFileOf(rows));
    }
    return entries;
}

std::optional<DataFileEntry> SqliteLibrary::dataFile(std::int64_t id) {
    Connection db(*this);
    QSqlQuery row =
        db.run(QStringLiteral("SELECT ") + kDataFileColumns + QStringLiteral(" WHERE d.id = ?"),
               {number(id)});
    return row.next() ? std::optional(dataFileOf(row)) : std::nullopt;
}

std::optional<DataFileEntry> SqliteLibrary::dataFileWithSha256(const std::string& sha256) {
    Connection db(*this);
    QSqlQuery row = db.run(QStringLiteral("SELECT ") + kDataFileColumns +
                               QStringLiteral(" WHERE d.sha256 = ? ORDER BY d.id LIMIT 1"),
                           {text(sha256)});
    return row.next() ? std::optional(dataFileOf(row)) : std::nullopt;
}

std::vector<ConfigSnapshot> SqliteLibrary::snapshots(std::int64_t serial) {
    Connection db(*this);
    QSqlQuery rows = db.run(QStringLiteral("SELECT id, serial, taken_at, kind, cells FROM "
                                           "snapshots WHERE serial = ? ORDER BY taken_at, id"),
                            {number(serial)});
    std::vector<ConfigSnapshot> all;
    while (rows.next()) {
        ConfigSnapshot s;
        s.id = rows.value(0).toLongLong();
        s.serial = rows.value(1).toLongLong();
        s.takenAt = rows.value(2).toString().toStdString();
        s.kind = rows.value(3).toString().toStdString();
        const QJsonObject cells =
            QJsonDocument::fromJson(rows.value(4).toString().toUtf8()).object();
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            s.values[it.key().toStdString()] = it.value().toString().toStdString();
        }
        all.push_back(std::move(s));
    }
    return all;
}

std::optional<std::string> SqliteLibrary::loggingStarted(const RecordingKey& recording) {
    Connection db(*this);
    QSqlQuery row = db.run(QStringLiteral("SELECT logging_started FROM recordings WHERE serial = ? "
                                          "AND launch_time = ? AND logging_started IS NOT NULL"),
                           {number(recording.serial), text(recording.launchTime)});
    return row.next() ? std::optional(row.value(0).toString().toStdString()) : std::nullopt;
}

bool SqliteLibrary::downloadedWhole(const RecordingKey& recording, int pages) {
    Connection db(*this);
    QSqlQuery row = db.run(
        QStringLiteral("SELECT 1 FROM data_files d JOIN recordings r ON r.id = d.recording WHERE "
                       "r.serial = ? AND r.launch_time = ? AND d.complete = 1 AND d.pages >= ? "
                       "LIMIT 1"),
        {number(recording.serial), text(recording.launchTime), pages});
    return row.next();
}

bool SqliteLibrary::forget(std::int64_t id) {
    Connection db(*this);
    return db.write([&] {
        QSqlQuery gone =
            db.run(QStringLiteral("DELETE FROM data_files WHERE id = ?"), {number(id)});
        return gone.numRowsAffected() > 0;
    });
}

std::optional<int> SqliteLibrary::launchUtcOffset(const RecordingKey& recording) {
    Connection db(*this);
    QSqlQuery row = db.run(QStringLiteral("SELECT utc_offset_minutes FROM recordings WHERE serial "
                                          "= ? AND launch_time = ? AND utc_offset_minutes IS NOT "
                                          "NULL"),
                           {number(recording.serial), text(recording.launchTime)});
    return row.next() ? std::optional(row.value(0).toInt()) : std::nullopt;
}

std::vector<std::int64_t> SqliteLibrary::loggers() {
    Connection db(*this);
    QSqlQuery rows = db.run(QStringLiteral("SELECT serial FROM loggers ORDER BY serial"));
    std::vector<std::int64_t> all;
    while (rows.next()) {
        all.push_back(rows.value(0).toLongLong());
    }
    return all;
}

std::vector<LibraryEvent> SqliteLibrary::events(std::int64_t serial) {
    Connection db(*this);
    QSqlQuery rows = db.run(QStringLiteral("SELECT serial, at, kind, result, detail FROM events "
                                           "WHERE serial = ? ORDER BY at, id"),
                            {number(serial)});
    std::vector<LibraryEvent> all;
    while (rows.next()) {
        all.push_back({rows.value(0).toLongLong(), rows.value(1).toString().toStdString(),
                       rows.value(2).toString().toStdString(),
                       rows.value(3).toString().toStdString(),
                       rows.value(4).toString().toStdString()});
    }
    return all;
}

std::vector<std::int64_t> SqliteLibrary::pushedTo(const std::string& server) {
    Connection db(*this);
    QSqlQuery rows =
        db.run(QStringLiteral("SELECT data_file FROM pushes WHERE server = ?"), {text(server)});
    std::vector<std::int64_t> all;
    while (rows.next()) {
        all.push_back(rows.value(0).toLongLong());
    }
    return all;
}

void SqliteLibrary::recordPushes(const std::vector<std::int64_t>& dataFiles,
                                 const std::string& server) {
    if (dataFiles.empty()) {
        return;
    }
    Connection db(*this);
    db.write([&] {
        for (const std::int64_t id : dataFiles) {
            db.run(QStringLiteral("INSERT OR IGNORE INTO pushes (data_file, server, pushed_at) "
                                  "VALUES (?, ?, ?)"),
                   {number(id), text(server), nowText()});
        }
    });
}

std::optional<std::string> SqliteLibrary::takeNotice() {
    const std::lock_guard lock(noticeMutex_);
    return std::exchange(notice_, std::nullopt);
}

}  // namespace tilt::platform
