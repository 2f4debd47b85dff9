// The import of data files into a real SQLite library: folders searched, duplicates known by
// their SHA-256, foreign and damaged files refused with their names and reasons.
#include "library/import_files.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QFile>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "device/recording_file.h"
#include "platform/sqlite_library.h"
#include "support/core_application.h"
#include "support/sim_bench.h"
#include "support/temp_folder.h"

namespace tilt::library {
namespace {

namespace fs = std::filesystem;
using device::Preload;

std::string sha256Of(const std::string& file) {
    QFile data(QString::fromStdString(file));
    EXPECT_TRUE(data.open(QIODevice::ReadOnly)) << file;
    return QCryptographicHash::hash(data.readAll(), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

class Import : public testing::TempFolderTest {
  protected:
    static void SetUpTestSuite() { ensureCoreApplication(); }
    void SetUp() override {
        TempFolderTest::SetUp();
        library.emplace(folder / "home" / "library.sqlite");
    }

    std::string recording(const std::string& name, Preload preload, std::uint64_t seed) {
        const std::string file = path(name);
        fs::create_directories(fs::path(file).parent_path());
        device::downloadSimulatedRecording(testing::recording(preload, 3, seed), file);
        return file;
    }

    // Imports `paths`, keeping each refusal's line by the file it names.
    ImportCounts import(const QStringList& paths, std::stop_token stop = {}) {
        refusals.clear();
        return importDataFiles(
            *library, paths, [this](const RefusedFile& f) { refusals[f.file] = f.message; }, stop);
    }

    std::optional<platform::SqliteLibrary> library;  // in the test's folder
    std::map<std::string, std::string> refusals;
};

TEST_F(Import, AFolderWithDuplicatesAndForeignOrDamagedFiles_TheRestImportedOnce) {
    const std::string walk = recording("field/walk.tlg", Preload::Linear3, 1);
    const std::string bins = recording("field/deeper/bins.TLG", Preload::Bin, 2);
    fs::create_directories(path("field/copies"));
    fs::copy_file(walk, path("field/copies/walk again.tlg"));
    writeFile(path("field/notes.tlg"), "shopping list\r\n");
    writeFile(path("field/readme.txt"), "not a data file, and not looked at\r\n");
    // A download whose second page line lost its end: the reader stops there.
    std::string text = readFile(walk);
    const auto secondPage = text.find("\r\n2,");
    ASSERT_NE(secondPage, std::string::npos);
    writeFile(path("field/damaged.tlg"), text.substr(0, secondPage + 40) + "\r\n");

    const ImportCounts counts =
        import({QString::fromStdString(path("field")), QString::fromStdString(path("nowhere"))});
    EXPECT_EQ(counts.imported, 2);
    EXPECT_EQ(counts.known, 1) << "the second copy of walk.tlg";
    EXPECT_EQ(counts.refused, 3);
    EXPECT_FALSE(counts.stopped);
    EXPECT_EQ(importSummary(counts), "Imported 2 data files, 1 already in the library, 3 refused.");

    ASSERT_EQ(refusals.size(), 3U);
    EXPECT_EQ(refusals[path("nowhere")], path("nowhere") + ": no such file or folder");
    for (const char* name : {"field/notes.tlg", "field/damaged.tlg"}) {
        const std::string& line = refusals[path(name)];
        EXPECT_TRUE(line.starts_with(path(name))) << "names the file: " << line;
        EXPECT_GT(line.size(), path(name).size() + 10) << "and says why: " << line;
    }
    EXPECT_NE(refusals[path("field/notes.tlg")].find("is not a Tiltavarometer data file"),
              std::string::npos)
        << refusals[path("field/notes.tlg")];
    EXPECT_NE(refusals[path("field/damaged.tlg")].find("is damaged at line"), std::string::npos)
        << refusals[path("field/damaged.tlg")];

    const auto entries = library->dataFiles();
    ASSERT_EQ(entries.size(), 2U);
    std::map<RecordingMode, DataFileEntry> byMode;
    for (const auto& e : entries) {
        byMode[e.mode] = e;
    }
    const DataFileEntry& w = byMode[RecordingMode::Linear];
    EXPECT_TRUE(w.path == walk || w.path == path("field/copies/walk again.tlg")) << w.path;
    EXPECT_EQ(w.sha256, sha256Of(walk));
    EXPECT_EQ(w.channel, 3);
    EXPECT_EQ(w.pages, 3);
    EXPECT_EQ(w.slotCount, 3 * 132);
    EXPECT_EQ(w.size, fs::file_size(walk));
    EXPECT_TRUE(w.complete);
    EXPECT_EQ(w.program, "import");
    EXPECT_GT(w.recording.serial, 0);
    EXPECT_EQ(w.recording.launchTime.size(), 19U) << w.recording.launchTime;
    EXPECT_EQ(byMode[RecordingMode::Bin].path, bins) << "an upper-case suffix is a data file too";
    EXPECT_EQ(byMode[RecordingMode::Bin].sha256, sha256Of(bins));

    // Again, and a file named on its own: all known, nothing added.
    const ImportCounts again =
        import({QString::fromStdString(walk), QString::fromStdString(path("field/deeper"))});
    EXPECT_EQ(importSummary(again), "Imported 0 data files, 2 already in the library, 0 refused.");
    EXPECT_EQ(library->dataFiles().size(), 2U);
}

TEST_F(Import, AStopAskedForEndsItBeforeTheNextFile_ALibraryThatCannotRecordThrows) {
    recording("field/walk.tlg", Preload::Linear3, 1);
    std::stop_source stop;
    stop.request_stop();
    const ImportCounts stopped = import({QString::fromStdString(path("field"))}, stop.get_token());
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.imported, 0);
    EXPECT_TRUE(library->dataFiles().empty());

    platform::SqliteLibrary unreachable("/dev/null/library.sqlite");
    EXPECT_THROW((void)importDataFiles(unreachable, {QString::fromStdString(path("field"))},
                                       [](const RefusedFile&) {}),
                 LibraryError);
}

}  // namespace
}  // namespace tilt::library
