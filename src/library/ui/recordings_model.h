#pragma once

#include <QAbstractTableModel>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/recordings_library.h"

namespace tilt::library::ui {

// A data file the library keeps, as the Recordings window shows it.
struct RecordingRow {
    DataFileEntry entry;
    bool missing = false;  // the file is no longer where it was recorded
};

// How long the linear recordings among `rows` last, by entry id: their sample slots over the
// sampling frequency their files' headers give. Recordings whose length is not known (bin
// recordings, files gone or unreadable, a header without a frequency) are left out.
[[nodiscard]] std::unordered_map<std::int64_t, double> recordingDurations(
    const std::vector<RecordingRow>& rows, std::stop_token stop = {});

// A time the library keeps, "2026-11-02T08:30:00.000", as the window shows it:
// "2026-11-02 08:30:00".
[[nodiscard]] QString shownTime(const std::string& iso);

// "39.6 s", "6 min 36 s", "15 h 02 min".
[[nodiscard]] QString durationText(double seconds);

// The Recordings window's table: one row per data file, in the library's order. Every cell's
// text is made once, before the rows arrive (off the window's thread), so that showing, sorting
// and filtering thousands of rows format nothing.
class RecordingsModel final : public QAbstractTableModel {
  public:
    enum Column {
        Logger,
        LaunchTime,
        Mode,
        Samples,
        Duration,
        Downloaded,
        Complete,
        TeamStore,
        File,
        Columns
    };

    // Where a data file stands with the team store.
    enum class InStore {
        NotInUse,  // no team store is set up, nor was one pushed to
        Pushed,
        ToPush,
        Waits  // incomplete: pushed once its download is completed
    };

    // A row with the texts it shows.
    struct ShownRow {
        RecordingRow row;
        std::array<QString, Columns> texts;
        std::optional<std::int64_t> launchedAt;  // ms on the logger's clock, for sorting
        std::optional<double> seconds;           // the duration, once known
        QString searched;                        // every text, and the header's launch time
        InStore inStore = InStore::NotInUse;
    };

    // The rows, and the team store they are shown against, if known.
    struct Loaded {
        std::vector<ShownRow> rows;
        std::optional<std::string> storeServer;
    };

    // How many data files wait for the team store.
    struct StoreCounts {
        int toPush = 0;
        int waits = 0;  // incomplete downloads
    };

    using QAbstractTableModel::QAbstractTableModel;

    // The library's data files with their texts, whether each file is still there, and, with
    // `storeInUse`, where each stands with the team store `server` (not known yet: nothing is
    // known to be there); on any thread. Throws LibraryError.
    [[nodiscard]] static Loaded load(RecordingsLibrary& library,
                                     const std::optional<std::string>& server, bool storeInUse);
    void setRows(Loaded loaded);
    [[nodiscard]] StoreCounts storeCounts() const;
    [[nodiscard]] const std::optional<std::string>& storeServer() const { return storeServer_; }
    void setDurations(const std::unordered_map<std::int64_t, double>& secondsById);
    // The file of entry `id` was found gone since the rows came.
    void setMissing(std::int64_t id);
    void remove(std::int64_t id);

    [[nodiscard]] const RecordingRow& recording(int row) const { return rows_[slot(row)].row; }
    [[nodiscard]] std::optional<int> rowOf(std::int64_t id) const;

    // Whether every word of `words` is found, in any case, in the texts of `row`.
    [[nodiscard]] bool matches(int row, const QStringList& words) const;
    // The order of two rows by `column`: numbers as numbers, times as times.
    [[nodiscard]] bool lessThan(int column, int left, int right) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

  private:
    [[nodiscard]] static std::size_t slot(int row) { return static_cast<std::size_t>(row); }
    static ShownRow textsOf(const DataFileEntry& e, InStore inStore, const QLocale& locale);
    static void markMissing(ShownRow& s);
    static void fillSearched(ShownRow& s, const DataFileEntry& e);
    [[nodiscard]] QVariant toolTip(const ShownRow& s, std::size_t column) const;

    std::vector<ShownRow> rows_;
    std::optional<std::string> storeServer_;
    bool durationsRead_ = false;
};

}  // namespace tilt::library::ui
