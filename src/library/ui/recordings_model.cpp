#include "library/ui/recordings_model.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>
#include <unordered_set>

#include "view/dated_export.h"
#include "view/recording_clock.h"

namespace tilt::library::ui {

namespace {

QString modeText(const DataFileEntry& e) {
    if (e.mode == RecordingMode::Bin) {
        return QStringLiteral("Bin");
    }
    switch (e.channel) {
        case 1:
            return QStringLiteral("Linear, X");
        case 2:
            return QStringLiteral("Linear, Y");
        case 3:
            return QStringLiteral("Linear, X and Y");
        default:
            return QStringLiteral("Linear, channel %1").arg(e.channel);
    }
}

QString samplesText(const DataFileEntry& e, const QLocale& locale) {
    const QString count = locale.toString(static_cast<qlonglong>(e.slotCount));
    if (e.mode == RecordingMode::Bin) {
        return e.slotCount == 1 ? QStringLiteral("1 page pair")
                                : QStringLiteral("%1 page pairs").arg(count);
    }
    return count;
}

QString programText(const std::string& program) {
    if (program == "import") {
        return QStringLiteral("Imported");
    }
    if (program == "tiltctl") {
        return QStringLiteral("Downloaded by tiltctl");
    }
    return QStringLiteral("Downloaded by this program");
}

// Nothing sorts before any value.
template <typename T>
bool lessOptional(const std::optional<T>& a, const std::optional<T>& b) {
    return b && (!a || *a < *b);
}

namespace fs = std::filesystem;

bool fileExists(const fs::path& file) {
    std::error_code ignored;
    return fs::exists(file, ignored);
}

// The plain files of a folder by name; nothing when it cannot be listed. Links are left out:
// whether they lead anywhere is for a look-up of their own.
std::optional<std::unordered_set<std::string>> listing(const fs::path& folder) {
    std::error_code error;
    std::unordered_set<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (!it->is_symlink(ignored)) {
            names.insert(it->path().filename().string());
        }
    }
    if (error) {
        return std::nullopt;
    }
    return names;
}

// Which of the entries' files are gone (1) and which are there (0). A folder that holds several
// of them is listed once instead of looking each file up: for thousands of downloads in one data
// folder that is most of the wait. A name its folder's listing lacks is still looked up itself (a
// file system that ignores case may spell it otherwise).
std::vector<char> missingFiles(const std::vector<DataFileEntry>& entries) {
    std::unordered_map<std::string, std::vector<std::size_t>> byFolder;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        byFolder[fs::path(entries[i].path).parent_path().string()].push_back(i);
    }
    std::vector<char> missing(entries.size(), 0);
    for (const auto& [folder, inFolder] : byFolder) {
        const auto names = inFolder.size() > 1 ? listing(folder) : std::nullopt;
        for (const std::size_t i : inFolder) {
            const fs::path file(entries[i].path);
            missing[i] = !(names && names->contains(file.filename().string())) && !fileExists(file);
        }
    }
    return missing;
}

QString inStoreText(RecordingsModel::InStore inStore) {
    switch (inStore) {
        case RecordingsModel::InStore::Pushed:
            return QStringLiteral("Pushed");
        case RecordingsModel::InStore::ToPush:
            return QStringLiteral("To push");
        case RecordingsModel::InStore::Waits:
            return QStringLiteral("Waits");
        case RecordingsModel::InStore::NotInUse:
            break;
    }
    return {};
}

}  // namespace

std::unordered_map<std::int64_t, double> recordingDurations(const std::vector<RecordingRow>& rows,
                                                            std::stop_token stop) {
    std::unordered_map<std::int64_t, double> seconds;
    for (const RecordingRow& r : rows) {
        if (stop.stop_requested()) {
            break;
        }
        if (r.missing || r.entry.mode != RecordingMode::Linear) {
            continue;
        }
        try {
            const auto header = view::readRecordingHeader(r.entry.path);
            if (const auto frequency =
                    view::parseSamplingFrequency(header.fields.samplingFrequency)) {
                seconds[r.entry.id] = static_cast<double>(r.entry.slotCount) / *frequency;
            }
        } catch (const std::exception&) {
            // A file that cannot be read now has no length to show; opening it will say why.
        }
    }
    return seconds;
}

QString shownTime(const std::string& iso) {
    QString text = QString::fromStdString(iso.substr(0, 19));
    if (text.size() > 10 && text[10] == QLatin1Char('T')) {
        text[10] = QLatin1Char(' ');
    }
    return text;
}

QString durationText(double seconds) {
    if (seconds < 59.95) {
        // A tenth of a second is a sample at 10 a second: worth showing for short recordings.
        const double tenths = std::round(seconds * 10) / 10;
        return QStringLiteral("%1 s").arg(QLocale().toString(tenths, 'g', 3));
    }
    const auto whole = static_cast<long long>(std::llround(seconds));
    if (whole < 3600) {
        return QStringLiteral("%1 min %2 s")
            .arg(whole / 60)
            .arg(whole % 60, 2, 10, QLatin1Char('0'));
    }
    const long long minutes = (whole + 30) / 60;
    return QStringLiteral("%1 h %2 min")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

RecordingsModel::ShownRow RecordingsModel::textsOf(const DataFileEntry& e, InStore inStore,
                                                   const QLocale& locale) {
    ShownRow s;
    s.inStore = inStore;
    s.texts[TeamStore] = inStoreText(inStore);
    s.launchedAt = view::parseLaunchTime(e.recording.launchTime);
    std::string launch;
    if (s.launchedAt) {
        view::appendIsoTime(launch, *s.launchedAt);
    }
    s.texts[Logger] = QString::number(e.recording.serial);
    s.texts[LaunchTime] =
        s.launchedAt ? shownTime(launch) : QString::fromStdString(e.recording.launchTime);
    s.texts[Mode] = modeText(e);
    s.texts[Samples] = samplesText(e, locale);
    s.texts[Downloaded] = shownTime(e.downloadedAt);
    s.texts[Complete] = e.complete ? QStringLiteral("Yes") : QStringLiteral("No");
    s.texts[File] = QString::fromStdString(e.path);
    fillSearched(s, e);
    return s;
}

void RecordingsModel::markMissing(ShownRow& s) {
    s.row.missing = true;
    s.seconds.reset();
    s.texts[Duration].clear();
    s.texts[File] = QString::fromStdString(s.row.entry.path) + QStringLiteral("  (missing)");
    fillSearched(s, s.row.entry);
}

void RecordingsModel::fillSearched(ShownRow& s, const DataFileEntry& e) {
    // The launch time also as the data file's header writes it, as a user may copy it from there.
    s.searched.clear();
    s.searched.reserve(256);
    for (const QString& text : s.texts) {
        s.searched += text + QLatin1Char('\n');
    }
    s.searched +=
        QString::fromStdString(e.recording.launchTime) + QLatin1Char('\n') + programText(e.program);
}

RecordingsModel::Loaded RecordingsModel::load(RecordingsLibrary& library,
                                              const std::optional<std::string>& server,
                                              bool storeInUse) {
    Loaded loaded;
    loaded.storeServer = storeInUse ? server : std::nullopt;
    std::unordered_set<std::int64_t> pushed;
    if (loaded.storeServer) {
        const auto ids = library.pushedTo(*loaded.storeServer);
        pushed.insert(ids.begin(), ids.end());
    }
    std::vector<DataFileEntry> entries = library.dataFiles();
    std::vector<ShownRow>& rows = loaded.rows;
    rows.reserve(entries.size());
    std::optional<std::vector<char>> gone;
    {
        // Looking for thousands of files takes as long as making their texts: both at once.
        std::jthread looking([&entries, &gone]() noexcept {
            try {
                gone = missingFiles(entries);
            } catch (const std::exception&) {
                // Looked up one by one below.
            }
        });
        const QLocale locale;
        for (const DataFileEntry& e : entries) {
            const InStore inStore = !storeInUse             ? InStore::NotInUse
                                    : pushed.contains(e.id) ? InStore::Pushed
                                    : e.complete            ? InStore::ToPush
                                                            : InStore::Waits;
            rows.push_back(textsOf(e, inStore, locale));
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool missing = gone ? (*gone)[i] != 0 : !fileExists(entries[i].path);
        rows[i].row.entry = std::move(entries[i]);
        if (missing) {
            markMissing(rows[i]);
        }
    }
    return loaded;
}

RecordingsModel::StoreCounts RecordingsModel::storeCounts() const {
    StoreCounts counts;
    for (const ShownRow& s : rows_) {
        counts.toPush += s.inStore == InStore::ToPush ? 1 : 0;
        counts.waits += s.inStore == InStore::Waits ? 1 : 0;
    }
    return counts;
}

void RecordingsModel::setRows(Loaded loaded) {
    std::vector<ShownRow>& rows = loaded.rows;
    storeServer_ = std::move(loaded.storeServer);
    // Lengths already read stay shown until they are read again.
    std::unordered_map<std::int64_t, double> known;
    for (const ShownRow& s : rows_) {
        if (s.seconds) {
            known.emplace(s.row.entry.id, *s.seconds);
        }
    }
    beginResetModel();
    durationsRead_ = false;
    rows_ = std::move(rows);
    if (!known.empty()) {
        for (ShownRow& s : rows_) {
            const auto found = known.find(s.row.entry.id);
            if (found != known.end() && !s.row.missing) {
                s.seconds = found->second;
                s.texts[Duration] = durationText(found->second);
                fillSearched(s, s.row.entry);
            }
        }
    }
    endResetModel();
}

void RecordingsModel::setDurations(const std::unordered_map<std::int64_t, double>& secondsById) {
    durationsRead_ = true;
    for (ShownRow& s : rows_) {
        const auto found = secondsById.find(s.row.entry.id);
        s.seconds = found == secondsById.end() ? std::nullopt : std::optional(found->second);
        s.texts[Duration] = s.seconds ? durationText(*s.seconds) : QString();
        fillSearched(s, s.row.entry);
    }
    if (!rows_.empty()) {
        emit dataChanged(index(0, Duration), index(rowCount() - 1, Duration));
    }
}

void RecordingsModel::setMissing(std::int64_t id) {
    const auto row = rowOf(id);
    if (!row || rows_[slot(*row)].row.missing) {
        return;
    }
    markMissing(rows_[slot(*row)]);
    emit dataChanged(index(*row, 0), index(*row, Columns - 1));
}

void RecordingsModel::remove(std::int64_t id) {
    if (const auto row = rowOf(id)) {
        beginRemoveRows({}, *row, *row);
        rows_.erase(rows_.begin() + *row);
        endRemoveRows();
    }
}

std::optional<int> RecordingsModel::rowOf(std::int64_t id) const {
    const auto found = std::find_if(rows_.begin(), rows_.end(),
                                    [id](const ShownRow& s) { return s.row.entry.id == id; });
    if (found == rows_.end()) {
        return std::nullopt;
    }
    return static_cast<int>(found - rows_.begin());
}

bool RecordingsModel::matches(int row, const QStringList& words) const {
    const QString& searched = rows_[slot(row)].searched;
    return std::all_of(words.begin(), words.end(), [&](const QString& word) {
        return searched.contains(word, Qt::CaseInsensitive);
    });
}

bool RecordingsModel::lessThan(int column, int left, int right) const {
    const ShownRow& a = rows_[slot(left)];
    const ShownRow& b = rows_[slot(right)];
    const DataFileEntry& x = a.row.entry;
    const DataFileEntry& y = b.row.entry;
    switch (column) {
        case Logger:
            return x.recording.serial < y.recording.serial;
        case LaunchTime:
            return a.launchedAt == b.launchedAt ? x.recording.launchTime < y.recording.launchTime
                                                : lessOptional(a.launchedAt, b.launchedAt);
        case Samples:
            return x.slotCount < y.slotCount;
        case Duration:
            return lessOptional(a.seconds, b.seconds);
        case Downloaded:
            return x.downloadedAt < y.downloadedAt;
        case Complete:
            return x.complete < y.complete;
        default:
            return QString::compare(a.texts[static_cast<std::size_t>(column)],
                                    b.texts[static_cast<std::size_t>(column)],
                                    Qt::CaseInsensitive) < 0;
    }
}

int RecordingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant RecordingsModel::data(const QModelIndex& at, int role) const {
    if (!at.isValid() || at.row() >= rowCount() || at.column() >= Columns) {
        return {};
    }
    const ShownRow& s = rows_[slot(at.row())];
    const auto column = static_cast<std::size_t>(at.column());
    switch (role) {
        case Qt::DisplayRole:
            return s.texts[column];
        case Qt::TextAlignmentRole:
            return column == Samples || column == Duration
                       ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                       : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::ForegroundRole:
            if (s.row.missing) {
                return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
            }
            return {};
        case Qt::ToolTipRole:
            return toolTip(s, column);
        default:
            return {};
    }
}

QVariant RecordingsModel::toolTip(const ShownRow& s, std::size_t column) const {
    if (column == File) {
        const QString path = QString::fromStdString(s.row.entry.path);
        return s.row.missing
                   ? QStringLiteral("%1\nThe file is no longer here: it was moved or deleted.")
                         .arg(path)
                   : path;
    }
    if (column == Downloaded) {
        return programText(s.row.entry.program);
    }
    if (column == Complete && !s.row.entry.complete) {
        return QStringLiteral(
            "The download stopped before the end of the recording: resume it to complete the "
            "file.");
    }
    if (column == TeamStore && s.inStore != InStore::NotInUse) {
        const QString server =
            storeServer_ ? QString::fromStdString(*storeServer_) : QStringLiteral("the team store");
        switch (s.inStore) {
            case InStore::Pushed:
                return QStringLiteral("In the team store at %1.").arg(server);
            case InStore::ToPush:
                return QStringLiteral("Not yet in %1: Store > Push to Team Store sends it.")
                    .arg(server);
            default:
                return QStringLiteral(
                    "Pushed once its download is complete: the team store takes whole "
                    "recordings only.");
        }
    }
    if (column == Duration && s.texts[column].isEmpty() && !s.row.missing) {
        if (s.row.entry.mode == RecordingMode::Bin) {
            return QStringLiteral("A bin recording keeps counts per angle, not samples in time.");
        }
        return durationsRead_
                   ? QStringLiteral("Not known: the file's header gives no sampling frequency.")
                   : QStringLiteral("Being read from the file…");
    }
    return {};
}

QVariant RecordingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const std::array<const char*, Columns> kCaptions = {
        "Logger",     "Launch time", "Mode",       "Samples", "Duration",
        "Downloaded", "Complete",    "Team store", "File"};
    return section >= 0 && section < Columns
               ? QString::fromLatin1(kCaptions[static_cast<std::size_t>(section)])
               : QVariant();
}

}  // namespace tilt::library::ui
