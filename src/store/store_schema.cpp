#include "store/store_schema.h"

#include "store/pg_connection.h"

namespace tilt::store {

namespace {

// Each step brings the schema from its index's version to the next.
const std::vector<std::vector<const char*>> kMigrations = {
    {
        "CREATE TABLE tilt_loggers (serial integer PRIMARY KEY, firmware text NOT NULL DEFAULT "
        "'', first_seen timestamptz NOT NULL DEFAULT now(), last_seen timestamptz NOT NULL "
        "DEFAULT now())",
        // A logging session of one logger: its launch time as the data file's header gives it,
        // and, where the launching computer's library knew them, the moment logging started and
        // that computer's UTC offset.
        "CREATE TABLE tilt_recordings (id bigserial PRIMARY KEY, serial integer NOT NULL "
        "REFERENCES tilt_loggers (serial), launch_time text NOT NULL, launched_at timestamp(3), "
        "logging_started timestamp(3), utc_offset_minutes integer, mode text NOT NULL, channel "
        "integer NOT NULL, UNIQUE (serial, launch_time))",
        "CREATE TABLE tilt_data_files (id bigserial PRIMARY KEY, recording bigint NOT NULL "
        "REFERENCES tilt_recordings (id), sha256 text NOT NULL UNIQUE, file_name text NOT NULL, "
        "size bigint NOT NULL, pages integer NOT NULL, slots bigint NOT NULL, downloaded_at "
        "text NOT NULL, program text NOT NULL, pushed_at timestamptz NOT NULL DEFAULT now())",
        // One row per sample slot: the time on the launching computer's clock as the dated
        // export gives it, the seconds from the first sample, each channel's angle as the file
        // has it, and the push marker. A logger is in one place at one moment: its serial number
        // and the time identify a sample, which is also what a query looks up. Its recording is
        // made in the same transaction as its samples, so no foreign key checks each row (that
        // would triple a push's time), and there is no second index to keep.
        "CREATE TABLE tilt_samples (recording bigint NOT NULL, serial integer NOT NULL, slot "
        "integer NOT NULL, at timestamp(3) NOT NULL, offset_ms bigint, x numeric, y numeric, "
        "push boolean NOT NULL, PRIMARY KEY (serial, at))",
        "CREATE TABLE tilt_snapshots (id bigserial PRIMARY KEY, serial integer NOT NULL "
        "REFERENCES tilt_loggers (serial), taken_at text NOT NULL, kind text NOT NULL, cells "
        "jsonb NOT NULL, UNIQUE (serial, taken_at, kind))",
        "CREATE TABLE tilt_events (id bigserial PRIMARY KEY, serial integer NOT NULL REFERENCES "
        "tilt_loggers (serial), at text NOT NULL, kind text NOT NULL, result text NOT NULL, "
        "detail text NOT NULL, UNIQUE (serial, at, kind, detail))",
    },
    {
        // Two recordings of one logger may share moments on the laptops' clocks (a clock set
        // back, the hour repeated when summer time ends): each keeps its samples. A query by
        // logger and time still reads the key in order.
        "ALTER TABLE tilt_samples DROP CONSTRAINT tilt_samples_pkey, ADD PRIMARY KEY (serial, "
        "at, recording)",
    },
};

constexpr const char* kVersionTable =
    "CREATE TABLE IF NOT EXISTS tilt_schema_version (version integer NOT NULL)";

int versionIn(PgConnection& connection) {
    const PgResult exists =
        connection.exec("SELECT to_regclass('tilt_schema_version') IS NOT NULL");
    if (exists.text(0, 0) != "t") {
        return 0;
    }
    const PgResult version = connection.exec(
        "SELECT coalesce(max(version), 0) FROM "
        "tilt_schema_version");
    return static_cast<int>(version.integer(0, 0));
}

std::string newerMessage(const PgConnection& connection, int version) {
    return "The team store at " + connection.server() + " holds schema version " +
           std::to_string(version) + ", newer than this program's (" +
           std::to_string(kStoreSchemaVersion) +
           "). Install the newer Tiltavarometer program to use it.";
}

}  // namespace

int initStore(PgConnection& connection) {
    connection.exec("BEGIN");
    try {
        // One init at a time: a second waits here, then finds the schema made.
        connection.exec("SELECT pg_advisory_xact_lock(7170300)");
        const int found = versionIn(connection);
        if (found > kStoreSchemaVersion) {
            throw StoreError(newerMessage(connection, found));
        }
        connection.exec(kVersionTable);
        for (int next = found + 1; next <= kStoreSchemaVersion; ++next) {
            for (const char* statement : kMigrations[static_cast<std::size_t>(next - 1)]) {
                connection.exec(statement);
            }
            connection.exec("INSERT INTO tilt_schema_version (version) VALUES ($1)",
                            {std::to_string(next)});
        }
        connection.exec("COMMIT");
        return found;
    } catch (...) {
        try {
            connection.exec("ROLLBACK");
        } catch (const StoreError&) {
        }
        throw;
    }
}

void requireStore(PgConnection& connection) {
    const int version = versionIn(connection);
    if (version == 0) {
        throw StoreError("The database at " + connection.server() +
                         " holds no Tiltavarometer team store. Whoever administers it runs "
                         "tiltctl store init --db URI once to create it.");
    }
    if (version > kStoreSchemaVersion) {
        throw StoreError(newerMessage(connection, version));
    }
    if (version < kStoreSchemaVersion) {
        throw StoreError("The team store at " + connection.server() + " holds schema version " +
                         std::to_string(version) +
                         ", older than this program's. Whoever administers it runs tiltctl store "
                         "init --db URI to bring it up to date.");
    }
}

std::vector<std::string> pushOnlyGrants(const std::string& role, const std::string& database,
                                        const std::string& schema) {
    const auto quoted = [](const std::string& name) {
        std::string text = "\"";
        for (const char c : name) {
            text += c == '"' ? std::string("\"\"") : std::string(1, c);
        }
        return text + "\"";
    };
    const std::string r = quoted(role);
    const std::string s = quoted(schema);
    std::string tables;
    for (const char* table : {"tilt_schema_version", "tilt_loggers", "tilt_recordings",
                              "tilt_data_files", "tilt_samples", "tilt_snapshots", "tilt_events"}) {
        tables += (tables.empty() ? "" : ", ") + s + "." + table;
    }
    std::string sequences;
    for (const char* table :
         {"tilt_recordings", "tilt_data_files", "tilt_snapshots", "tilt_events"}) {
        sequences += (sequences.empty() ? "" : ", ") + s + "." + table + "_id_seq";
    }
    return {
        "GRANT USAGE ON SCHEMA " + s + " TO " + r + ";",
        "GRANT SELECT, INSERT ON " + tables + " TO " + r + ";",
        "GRANT USAGE ON SEQUENCE " + sequences + " TO " + r + ";",
        // The staging table of a recording downloaded more than once.
        "GRANT TEMPORARY ON DATABASE " + quoted(database) + " TO " + r + ";",
    };
}

}  // namespace tilt::store
