#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/file_dialogs.h"
#include "common/ui/pictured.h"
#include "library/ui/team_store_push.h"

class QAction;
class QLabel;
class QLineEdit;
class QSplitter;
class QTableView;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::view::ui {
class RecordingOutputs;
}  // namespace tilt::view::ui

namespace tilt::library {
struct ImportCounts;
}  // namespace tilt::library

namespace tilt::library::ui {

class LoggerHistory;
class RecordingsFilter;
class RecordingsModel;
class SerialJobs;
struct RecordingRow;

enum class ImportSource { Files, Folder };

// What the Recordings window reaches outside itself, filled in by the frame that knows the other
// windows and the system.
struct RecordingsWindowLinks {
    // Shows a data file in the Graph window.
    std::function<void(const QString& file)> openInGraph;
    // Opens a folder in the system's file manager; QDesktopServices when not given.
    std::function<bool(const QUrl& folder)> showFolder;
    // The data files, or the folder, to import; Qt's file dialogs when not given. Nothing when
    // the user cancelled.
    std::function<QStringList(ImportSource source)> chooseImport;
    // The team store's connection and password, when a push needs them.
    TeamStoreQuestions storeQuestions;
};

// The Recordings window: every data file the library keeps, sortable and filtered as the user
// types, each openable in the Graph window, exported, reported, shown in its folder or
// forgotten; the chosen recording's logger's configuration history below; File > Import… for
// data files made elsewhere; Store > Push to Team Store, and what still waits for it. The library
// and the files are read on threads of their own: a library that is held or damaged, or ten
// thousand files to look at, never freeze the window.
class RecordingsWindow final : public QMainWindow, public common::ui::Pictured {
  public:
    RecordingsWindow(common::ui::AppContext& context, RecordingsWindowLinks links,
                     QWidget* parent = nullptr);
    ~RecordingsWindow() override;

    // Reads the library again.
    void refresh();
    // What the Recording menu does with the chosen row.
    void openInGraph();
    void exportData();
    void saveReport();
    void showFolder();
    void forget();
    void importFrom(ImportSource source);
    void pushToStore();
    void chooseStoreConnection();

    // Work on the library or on files whose outcome the window has not shown yet.
    [[nodiscard]] bool busy() const;

    // Waits for the library's rows and the files' lengths.
    void prepareForPicture() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildControls();
    void buildTable(QWidget* parent);
    void sizeColumns();
    void makeRoomForHistory();
    void load(bool userAsked);
    // Runs `query` on the library's thread and hands its answer to `answer` on this one. A
    // failure says the library could not do what `couldNot` says: once while failures follow
    // one another, unless the user asked.
    template <typename Query, typename Answer>
    void askLibrary(Query query, Answer answer, const char* couldNot, bool userAsked,
                    std::function<void()> unanswered = {});
    void libraryAnswered(const std::optional<std::string>& notice);
    void libraryFailed(const QString& why, const char* couldNot, bool userAsked);
    struct LoadedRows;
    void rowsLoaded(LoadedRows loaded);
    void chosenChanged();
    void showHistoryOf(std::int64_t serial);
    [[nodiscard]] const RecordingRow* chosen() const;
    // The chosen row when its file is still there; otherwise the user is told why `doing` cannot
    // be done, and the row shown as missing.
    [[nodiscard]] const RecordingRow* chosenFile(const char* doing);
    void choose(std::int64_t id);
    [[nodiscard]] FileDialogs::Request saveBeside(const RecordingRow& row, const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& suffix) const;
    [[nodiscard]] QStringList chooseImport(ImportSource source);
    void importEnded(const ImportCounts& counts, const std::vector<std::string>& refused);
    void updateActions();
    void updateCount();
    void updateStoreStanding();

    common::ui::AppContext& context_;
    RecordingsWindowLinks links_;
    RecordingsModel* model_ = nullptr;
    RecordingsFilter* filter_ = nullptr;
    QTableView* table_ = nullptr;
    QLineEdit* filterBox_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* problem_ = nullptr;
    LoggerHistory* history_ = nullptr;
    QSplitter* split_ = nullptr;
    view::ui::RecordingOutputs* outputs_ = nullptr;
    std::vector<QAction*> rowActions_;
    QAction* exportAction_ = nullptr;
    QAction* reportAction_ = nullptr;
    std::vector<QAction*> importActions_;
    QAction* pushAction_ = nullptr;
    QAction* stopPushAction_ = nullptr;
    QLabel* storeStanding_ = nullptr;

    bool loaded_ = false;   // the library has answered once
    bool failing_ = false;  // the last library call failed, and the user was told why
    std::optional<std::int64_t> chosenId_;       // chosen again when the rows come anew
    std::optional<std::int64_t> wantedHistory_;  // the logger whose history was asked for last

    // Last, so that they end first: their work reports to the members above.
    std::unique_ptr<SerialJobs> libraryJobs_;
    std::unique_ptr<SerialJobs> fileJobs_;
    std::unique_ptr<SerialJobs> importJobs_;
    std::unique_ptr<TeamStorePush> storePush_;
};

}  // namespace tilt::library::ui
