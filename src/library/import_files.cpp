#include "library/import_files.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#include "common/error.h"
#include "common/recordings_library.h"
#include "view/recording_statistics.h"

namespace tilt::library {

namespace {

// The data files a path names: the file itself, or a folder's .tlg files (and its folders').
std::vector<QString> filesOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir()) {
        return {info.absoluteFilePath()};
    }
    std::vector<QString> files;
    QDirIterator it(path, {QStringLiteral("*.tlg"), QStringLiteral("*.TLG")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.push_back(QFileInfo(it.next()).absoluteFilePath());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string sha256Of(const QString& file) {
    QFile data(file);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!data.open(QIODevice::ReadOnly) || !hash.addData(&data)) {
        throw Error(errc::kPathFileAccess, "cannot be read");
    }
    return hash.result().toHex().toStdString();
}

// The entry of a file that reads back whole; throws when it does not.
DataFileEntry entryOf(const QString& file, const std::string& sha256, const std::string& now) {
    const std::string name = file.toStdString();
    const auto s = view::recordingStatistics(name);
    DataFileEntry e;
    e.recording = {static_cast<std::int64_t>(s.header.fields.serialNumber),
                   s.header.fields.launchTime};
    e.firmware = s.header.fields.firmwareVersion;
    e.mode = s.header.fields.mode;
    e.channel = s.header.channelValue;
    e.path = name;
    e.size = static_cast<std::uintmax_t>(QFileInfo(file).size());
    e.sha256 = sha256;
    e.pages = static_cast<int>(s.pages);
    e.slotCount = s.slotCount;
    e.complete = true;  // it read back whole
    e.downloadedAt = now;
    e.program = "import";
    return e;
}

}  // namespace

ImportCounts importDataFiles(RecordingsLibrary& library, const QStringList& paths,
                             const std::function<void(const RefusedFile&)>& refused,
                             std::stop_token stop) {
    ImportCounts counts;
    const std::string now = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toStdString();
    for (const QString& path : paths) {
        if (!QFileInfo::exists(path)) {
            ++counts.refused;
            refused({path.toStdString(), path.toStdString() + ": no such file or folder"});
            continue;
        }
        for (const QString& file : filesOf(path)) {
            if (stop.stop_requested()) {
                counts.stopped = true;
                return counts;
            }
            const std::string name = file.toStdString();
            try {
                const std::string sha256 = sha256Of(file);
                if (library.dataFileWithSha256(sha256)) {
                    ++counts.known;
                    continue;
                }
                (void)library.recordDataFile(entryOf(file, sha256, now));
                ++counts.imported;
            } catch (const LibraryError&) {
                throw;
            } catch (const std::exception& e) {
                // The readers' messages start with the file's name; others get it here.
                const std::string why = e.what();
                ++counts.refused;
                refused({name, why.starts_with(name) ? why : name + ": " + why});
            }
        }
    }
    return counts;
}

std::string importSummary(const ImportCounts& counts) {
    return "Imported " + std::to_string(counts.imported) +
           (counts.imported == 1 ? " data file" : " data files") + ", " +
           std::to_string(counts.known) + " already in the library, " +
           std::to_string(counts.refused) + " refused.";
}

}  // namespace tilt::library
