#include "library/ui/recordings_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>
#include <array>

#include "common/messages.h"
#include "common/recordings_library.h"
#include "common/ui/app_context.h"
#include "library/import_files.h"
#include "library/ui/logger_history.h"
#include "library/ui/recordings_filter.h"
#include "library/ui/recordings_model.h"
#include "library/ui/serial_jobs.h"
#include "library/ui/table_views.h"
#include "view/ui/recording_outputs.h"

namespace tilt::library::ui {

namespace {

constexpr const char* kDataFilter = "TLG Files (*.tlg)";
constexpr const char* kCsvFilter = "CSV File (*.csv)";
constexpr const char* kJsonFilter = "JSON Lines (*.json)";
constexpr const char* kPdfFilter = "PDF Document (*.pdf)";
// A message box longer than this would leave the screen; the rest are counted.
constexpr std::size_t kRefusalLines = 40;
constexpr qint64 kPictureWaitMs = 10000;
constexpr const char* kRead = "be read";

QString plural(qsizetype count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(count == 1 ? one : many));
}

}  // namespace

// What a read of the library hands the window: the rows with their texts made, and the files
// whose lengths are to be read from their headers.
struct RecordingsWindow::LoadedRows {
    RecordingsModel::Loaded shown;
    std::vector<RecordingRow> withLength;
};

RecordingsWindow::RecordingsWindow(common::ui::AppContext& context, RecordingsWindowLinks links,
                                   QWidget* parent)
    : QMainWindow(parent), context_(context), links_(std::move(links)) {
    setObjectName(QStringLiteral("Recordings"));
    setWindowTitle(QStringLiteral("Recordings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    const auto failed = [this](const QString& why) {
        libraryFailed(why, kRead, true);
        updateActions();
    };
    libraryJobs_ = std::make_unique<SerialJobs>(failed);
    fileJobs_ = std::make_unique<SerialJobs>([](const QString&) {});
    importJobs_ = std::make_unique<SerialJobs>(failed);
    storePush_ = std::make_unique<TeamStorePush>(
        context_, *this, links_.storeQuestions,
        TeamStoreReports{[this](const QString& progress) {
                             statusBar()->showMessage(progress);
                             updateActions();
                         },
                         [this](const QString& outcome) {
                             statusBar()->showMessage(outcome);
                             updateActions();
                             load(false);  // what the server now holds
                         }});
    model_ = new RecordingsModel(this);
    filter_ = new RecordingsFilter(*model_, this);
    outputs_ = new view::ui::RecordingOutputs(*this, context_);
    buildMenus();
    buildControls();
    resize(1120, 720);
    load(false);
}

RecordingsWindow::~RecordingsWindow() {
    // A push and an import stop at their next file; a library call in progress ends first.
    storePush_.reset();
    importJobs_.reset();
    fileJobs_.reset();
    libraryJobs_.reset();
}

bool RecordingsWindow::busy() const {
    return libraryJobs_->busy() || fileJobs_->busy() || importJobs_->busy() || storePush_->busy() ||
           outputs_->busy();
}

void RecordingsWindow::prepareForPicture() {
    QElapsedTimer waited;
    waited.start();
    while (busy() && waited.elapsed() < kPictureWaitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

void RecordingsWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !history_->empty()) {
        makeRoomForHistory();
    }
}

// The history shrinks to its one line while it has nothing to show; given something, it gets
// two fifths of the height again.
void RecordingsWindow::makeRoomForHistory() {
    const int height = split_->height();
    split_->setSizes({height * 3 / 5, height * 2 / 5});
}

void RecordingsWindow::closeEvent(QCloseEvent* event) {
    importJobs_->stop();
    fileJobs_->stop();
    storePush_->stop();
    QMainWindow::closeEvent(event);
}

void RecordingsWindow::buildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QString& caption, auto handler,
                      const QKeySequence& key = {}) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    importActions_ = {
        add(
            file, "mnuImport", QStringLiteral("&Import…"),
            [this] { importFrom(ImportSource::Files); }, QKeySequence(Qt::CTRL | Qt::Key_I)),
        add(file, "mnuImportFolder", QStringLiteral("Import &Folder…"),
            [this] { importFrom(ImportSource::Folder); }),
    };
    file->addSeparator();
    add(file, "mnuRefresh", QStringLiteral("&Refresh"), &RecordingsWindow::refresh,
        QKeySequence::Refresh);
    file->addSeparator();
    add(file, "mnuClose", QStringLiteral("&Close"), &RecordingsWindow::close, QKeySequence::Close);

    QMenu* recording = menuBar()->addMenu(QStringLiteral("&Recording"));
    QAction* open = add(recording, "mnuOpenGraph", QStringLiteral("&Open in Graph"),
                        &RecordingsWindow::openInGraph);
    exportAction_ =
        add(recording, "mnuExportData", QStringLiteral("&Export…"), &RecordingsWindow::exportData);
    reportAction_ =
        add(recording, "mnuReport", QStringLiteral("&Report…"), &RecordingsWindow::saveReport);
    QAction* folder = add(recording, "mnuShowFolder", QStringLiteral("Show &Folder"),
                          &RecordingsWindow::showFolder);
    recording->addSeparator();
    QAction* forgetAction = add(recording, "mnuForget", QStringLiteral("For&get…"),
                                &RecordingsWindow::forget, QKeySequence::Delete);
    rowActions_ = {open, exportAction_, reportAction_, folder, forgetAction};

    QMenu* store = menuBar()->addMenu(QStringLiteral("&Store"));
    pushAction_ =
        add(store, "mnuPush", QStringLiteral("&Push to Team Store"), &RecordingsWindow::pushToStore,
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    stopPushAction_ =
        add(store, "mnuStopPush", QStringLiteral("&Stop Push"), [this] { storePush_->stop(); });
    store->addSeparator();
    add(store, "mnuStoreConnection", QStringLiteral("Team Store &Connection…"),
        &RecordingsWindow::chooseStoreConnection);
    connect(outputs_, &view::ui::RecordingOutputs::busyChanged, this, [this] { updateActions(); });
}

void RecordingsWindow::buildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    filterBox_ = new QLineEdit(central);
    filterBox_->setObjectName(QStringLiteral("txtFilter"));
    filterBox_->setPlaceholderText(
        QStringLiteral("Filter: logger, launch time, mode, file… (every word must match)"));
    filterBox_->setClearButtonEnabled(true);
    filterBox_->setAccessibleName(QStringLiteral("Filter"));
    for (auto* clear : filterBox_->findChildren<QAbstractButton*>()) {
        clear->setObjectName(QStringLiteral("cmdClearFilter"));
        clear->setAccessibleName(QStringLiteral("Clear the filter"));
    }
    count_ = new QLabel(central);
    count_->setObjectName(QStringLiteral("lblCount"));
    top->addWidget(filterBox_, 1);
    top->addSpacing(12);
    top->addWidget(count_);
    layout->addLayout(top);
    connect(filterBox_, &QLineEdit::textChanged, this, [this](const QString& text) {
        filter_->setFilterWords(text);
        updateCount();
    });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        filterBox_->setFocus();
        filterBox_->selectAll();
    });

    problem_ = new QLabel(central);
    problem_->setObjectName(QStringLiteral("lblLibraryProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(
        QStringLiteral("QLabel { background: #fff3cd; color: #533f03; border: 1px solid #e6c65c; "
                       "padding: 6px; }"));
    problem_->hide();
    layout->addWidget(problem_);

    buildTable(central);

    history_ = new LoggerHistory(central);
    split_ = new QSplitter(Qt::Vertical, central);
    split_->addWidget(table_);
    split_->addWidget(history_);
    split_->setStretchFactor(0, 1);
    split_->setChildrenCollapsible(false);
    layout->addWidget(split_, 1);
    setCentralWidget(central);

    statusBar()->showMessage(
        QStringLiteral("Double-click a recording to open it in the Graph window; right-click for "
                       "more."));
    storeStanding_ = new QLabel(this);
    storeStanding_->setObjectName(QStringLiteral("lblTeamStore"));
    storeStanding_->hide();
    statusBar()->addPermanentWidget(storeStanding_);
    updateActions();
    updateCount();
}

void RecordingsWindow::buildTable(QWidget* parent) {
    table_ = new QTableView(parent);
    table_->setObjectName(QStringLiteral("tblRecordings"));
    table_->setModel(filter_);
    styleTable(*table_, QStringLiteral("Recordings"));
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    nameCornerButton(*table_, "cmdAllRecordings", QStringLiteral("Every recording"), false);
    table_->setAlternatingRowColors(true);
    table_->setShowGrid(false);
    table_->setTextElideMode(Qt::ElideMiddle);
    table_->setSortingEnabled(true);
    table_->sortByColumn(RecordingsModel::Downloaded, Qt::DescendingOrder);
    sizeColumns();
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!table_->indexAt(at).isValid()) {
            return;
        }
        QMenu menu(this);
        menu.addActions(QList<QAction*>(rowActions_.begin(), rowActions_.end() - 1));
        menu.addSeparator();
        menu.addAction(rowActions_.back());
        menu.exec(table_->viewport()->mapToGlobal(at));
    });
    connect(table_, &QAbstractItemView::activated, this, [this] { openInGraph(); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { chosenChanged(); });
}

// Widths from the longest texts a column usually holds, not from the rows: the same at once for
// ten rows or ten thousand.
void RecordingsWindow::sizeColumns() {
    const QFontMetrics metrics = table_->fontMetrics();
    const QFontMetrics header = table_->horizontalHeader()->fontMetrics();
    static const std::array<const char*, RecordingsModel::File> widest = {
        "000000",      "2026-12-30 23:59:59", "Linear, X and Y", "540,000",
        "15 h 00 min", "2026-12-30 23:59:59", "Complete",        "To push"};
    for (int column = 0; column < RecordingsModel::File; ++column) {
        const QString caption =
            model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        // Room for the sort arrow beside the caption.
        table_->setColumnWidth(column, std::max(metrics.horizontalAdvance(QString::fromLatin1(
                                                    widest[static_cast<std::size_t>(column)])),
                                                header.horizontalAdvance(caption) + 20) +
                                           16);
    }
}

template <typename Query, typename Answer>
void RecordingsWindow::askLibrary(Query query, Answer answer, const char* couldNot, bool userAsked,
                                  std::function<void()> unanswered) {
    libraryJobs_->post([this, query = std::move(query), answer = std::move(answer), couldNot,
                        userAsked,
                        unanswered = std::move(unanswered)](std::stop_token) -> SerialJobs::Then {
        try {
            auto result = query(context_.library);
            auto notice = context_.library.takeNotice();
            return
                [this, answer, result = std::move(result), notice = std::move(notice)]() mutable {
                    libraryAnswered(notice);
                    answer(std::move(result));
                };
        } catch (const LibraryError& e) {
            return [this, why = QString::fromStdString(e.what()), couldNot, userAsked, unanswered] {
                libraryFailed(why, couldNot, userAsked);
                if (unanswered) {
                    unanswered();
                }
            };
        }
    });
}

void RecordingsWindow::libraryAnswered(const std::optional<std::string>& notice) {
    failing_ = false;
    problem_->hide();
    if (notice) {
        context_.messages.show(*notice);
    }
}

void RecordingsWindow::libraryFailed(const QString& why, const char* couldNot, bool userAsked) {
    const QString said = QStringLiteral("The recordings library could not %1: %2.")
                             .arg(QString::fromLatin1(couldNot), why);
    problem_->setText(said + QStringLiteral(" File > Refresh reads it again."));
    problem_->show();
    // One message for one problem: the reads that follow it fail alike, quietly.
    if (!failing_ || userAsked) {
        context_.messages.show(said.toStdString());
    }
    failing_ = true;
    updateCount();
}

void RecordingsWindow::refresh() {
    load(true);
}

void RecordingsWindow::load(bool userAsked) {
    if (!loaded_) {
        count_->setText(QStringLiteral("Reading the library…"));
    }
    wantedHistory_.reset();  // snapshots may have come too
    askLibrary(
        [storeInUse = storePush_->inUse(),
         server = storePush_->server()](RecordingsLibrary& library) {
            LoadedRows loaded;
            loaded.shown = RecordingsModel::load(library, server, storeInUse);
            for (const auto& shown : loaded.shown.rows) {
                if (shown.row.entry.mode == RecordingMode::Linear && !shown.row.missing) {
                    loaded.withLength.push_back(shown.row);
                }
            }
            return loaded;
        },
        [this](LoadedRows loaded) { rowsLoaded(std::move(loaded)); }, kRead, userAsked);
}

void RecordingsWindow::rowsLoaded(LoadedRows loaded) {
    // The lengths come from the files' headers: read after the table is shown. A reading
    // overtaken by a newer one is dropped half done.
    fileJobs_->stop();
    fileJobs_->post([this, files = std::move(loaded.withLength)](std::stop_token stop) {
        auto seconds = recordingDurations(files, stop);
        if (stop.stop_requested()) {
            return SerialJobs::Then();
        }
        return SerialJobs::Then(
            [this, seconds = std::move(seconds)] { model_->setDurations(seconds); });
    });
    const bool first = !loaded_;
    loaded_ = true;
    model_->setRows(std::move(loaded.shown));
    updateStoreStanding();
    if (chosenId_ && model_->rowOf(*chosenId_)) {
        choose(*chosenId_);
    } else if (first && filter_->rowCount() > 0) {
        table_->setCurrentIndex(filter_->index(0, 0));
    } else {
        chosenChanged();
    }
    updateCount();
}

void RecordingsWindow::choose(std::int64_t id) {
    if (const auto row = model_->rowOf(id)) {
        const QModelIndex at = filter_->mapFromSource(model_->index(*row, 0));
        if (at.isValid()) {
            table_->setCurrentIndex(at);
            table_->scrollTo(at);
        }
    }
}

const RecordingRow* RecordingsWindow::chosen() const {
    const QModelIndex at = filter_->mapToSource(table_->currentIndex());
    if (!at.isValid() || !table_->selectionModel()->isRowSelected(table_->currentIndex().row())) {
        return nullptr;
    }
    return &model_->recording(at.row());
}

void RecordingsWindow::chosenChanged() {
    const RecordingRow* row = chosen();
    if (row) {
        chosenId_ = row->entry.id;
        showHistoryOf(row->entry.recording.serial);
    }
    updateActions();
}

void RecordingsWindow::showHistoryOf(std::int64_t serial) {
    if (wantedHistory_ == serial) {
        return;
    }
    wantedHistory_ = serial;
    askLibrary([serial](RecordingsLibrary& library) { return library.snapshots(serial); },
               [this, serial](std::vector<ConfigSnapshot> snapshots) {
                   // Answers to earlier choices are passed over.
                   if (wantedHistory_ != serial) {
                       return;
                   }
                   const bool wasEmpty = history_->empty();
                   history_->showSnapshots(serial, std::move(snapshots));
                   if (wasEmpty && !history_->empty() && split_->isVisible()) {
                       makeRoomForHistory();
                   }
               },
               kRead, false,
               [this, serial] {
                   if (wantedHistory_ == serial) {
                       history_->showNothing(
                           QStringLiteral("The configurations of logger %1 could not be read.")
                               .arg(serial));
                       wantedHistory_.reset();  // asked again when the logger is chosen again
                   }
               });
}

void RecordingsWindow::updateActions() {
    const bool any = chosen() != nullptr;
    for (QAction* action : rowActions_) {
        action->setEnabled(any);
    }
    exportAction_->setEnabled(any && !outputs_->busy());
    reportAction_->setEnabled(any && !outputs_->busy());
    for (QAction* action : importActions_) {
        action->setEnabled(!importJobs_->busy());
    }
    pushAction_->setEnabled(!storePush_->busy());
    stopPushAction_->setEnabled(storePush_->busy());
}

void RecordingsWindow::pushToStore() {
    storePush_->push();
    updateActions();
}

void RecordingsWindow::chooseStoreConnection() {
    if (storePush_->chooseConnection()) {
        load(false);
    }
}

// What waits for the team store, beside the status bar's messages.
void RecordingsWindow::updateStoreStanding() {
    const auto& server = model_->storeServer();
    if (!storePush_->inUse()) {
        storeStanding_->hide();
        return;
    }
    const RecordingsModel::StoreCounts counts = model_->storeCounts();
    QString text = counts.toPush == 0 ? QStringLiteral("Team store: all pushed")
                                      : QStringLiteral("Team store: %1 to push")
                                            .arg(plural(counts.toPush, "data file", "data files"));
    if (counts.waits > 0) {
        text += QStringLiteral(", %1 waiting for a whole download").arg(counts.waits);
    }
    storeStanding_->setText(text);
    storeStanding_->setToolTip(
        server ? QStringLiteral("The team store at %1.").arg(QString::fromStdString(*server))
               : QStringLiteral("Not reached from here yet: Store > Push to Team Store finds out "
                                "what it holds."));
    storeStanding_->show();
}

void RecordingsWindow::updateCount() {
    if (!loaded_) {
        count_->setText(failing_ ? QStringLiteral("Library not read") : count_->text());
        return;
    }
    const int all = model_->rowCount();
    const int shown = filter_->rowCount();
    if (all == 0) {
        count_->setText(QStringLiteral("No recordings yet"));
        table_->setToolTip(
            QStringLiteral("Downloads are added as they are made; File > Import… "
                           "adds data files made before."));
        return;
    }
    table_->setToolTip({});
    count_->setText(
        shown == all
            ? plural(all, "recording", "recordings")
            : QStringLiteral("%1 of %2").arg(shown).arg(plural(all, "recording", "recordings")));
}

const RecordingRow* RecordingsWindow::chosenFile(const char* doing) {
    const RecordingRow* row = chosen();
    if (!row) {
        return nullptr;
    }
    if (!QFileInfo::exists(QString::fromStdString(row->entry.path))) {
        const std::int64_t id = row->entry.id;
        const std::string path = row->entry.path;
        model_->setMissing(id);
        context_.messages.show("The data file " + path +
                               " is missing: it was moved or deleted after it was recorded here, "
                               "so it cannot be " +
                               doing +
                               ". Import it from where it is now (File > Import…), or forget "
                               "this entry.");
        return nullptr;
    }
    return row;
}

void RecordingsWindow::openInGraph() {
    if (const RecordingRow* row = chosenFile("opened"); row && links_.openInGraph) {
        links_.openInGraph(QString::fromStdString(row->entry.path));
    }
}

FileDialogs::Request RecordingsWindow::saveBeside(const RecordingRow& row, const std::string& title,
                                                  const std::string& filter,
                                                  const std::string& suffix) const {
    const QFileInfo file(QString::fromStdString(row.entry.path));
    FileDialogs::Request request;
    request.title = title;
    request.filter = filter;
    request.selectedFilter = filter.substr(0, filter.find(";;"));
    request.folder = file.absolutePath().toStdString();
    request.fileName = file.completeBaseName().toStdString() + "." + suffix;
    request.defaultSuffix = suffix;
    return request;
}

void RecordingsWindow::exportData() {
    const RecordingRow* row = chosenFile("exported");
    if (!row) {
        return;
    }
    const QString file = QString::fromStdString(row->entry.path);
    if (const auto out = context_.fileDialogs.save(
            saveBeside(*row, "Export Data", std::string(kCsvFilter) + ";;" + kJsonFilter, "csv"))) {
        outputs_->exportData(file, QString::fromStdString(*out));
    }
}

void RecordingsWindow::saveReport() {
    const RecordingRow* row = chosenFile("put in a report");
    if (!row) {
        return;
    }
    const QString file = QString::fromStdString(row->entry.path);
    if (const auto pdf = context_.fileDialogs.save(saveBeside(*row, "Report", kPdfFilter, "pdf"))) {
        outputs_->report(file, QString::fromStdString(*pdf));
    }
}

void RecordingsWindow::showFolder() {
    const RecordingRow* row = chosenFile("shown in its folder");
    if (!row) {
        return;
    }
    const QString folder = QFileInfo(QString::fromStdString(row->entry.path)).absolutePath();
    const QUrl url = QUrl::fromLocalFile(folder);
    const bool shown = links_.showFolder ? links_.showFolder(url) : QDesktopServices::openUrl(url);
    if (!shown) {
        context_.messages.show("The folder " + folder.toStdString() +
                               " could not be shown: no file manager answered.");
    }
}

void RecordingsWindow::forget() {
    const RecordingRow* row = chosen();
    if (!row) {
        return;
    }
    const std::int64_t id = row->entry.id;
    if (context_.messages.ask("Forget the entry of " + row->entry.path +
                                  "?\n\nThe library drops what it knows of this download; the "
                                  "file itself stays where it is.",
                              Messages::Buttons::YesNo) != Messages::Answer::Yes) {
        return;
    }
    askLibrary([id](RecordingsLibrary& library) { return library.forget(id); },
               [this, id](bool) {
                   // Gone from the library either way: another program may have forgotten it.
                   model_->remove(id);
                   if (chosenId_ == id) {
                       chosenId_.reset();
                   }
                   updateActions();
                   updateCount();
               },
               "forget the entry", true);
}

QStringList RecordingsWindow::chooseImport(ImportSource source) {
    if (links_.chooseImport) {
        return links_.chooseImport(source);
    }
    const QString folder = QString::fromStdString(context_.paths.dataFiles().string());
    if (source == ImportSource::Folder) {
        const QString chosenFolder = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Import a Folder of Data Files"), folder);
        return chosenFolder.isEmpty() ? QStringList() : QStringList{chosenFolder};
    }
    return QFileDialog::getOpenFileNames(
        this, QStringLiteral("Import Data Files"), folder,
        QString::fromLatin1(kDataFilter) + QStringLiteral(";;All Files (*)"));
}

void RecordingsWindow::importFrom(ImportSource source) {
    if (importJobs_->busy()) {
        return;
    }
    const QStringList paths = chooseImport(source);
    if (paths.isEmpty()) {
        return;
    }
    statusBar()->showMessage(QStringLiteral("Importing data files…"));
    importJobs_->post([this, paths](std::stop_token stop) -> SerialJobs::Then {
        std::vector<std::string> refused;
        try {
            const ImportCounts counts = importDataFiles(
                context_.library, paths,
                [&refused](const RefusedFile& file) { refused.push_back(file.message); }, stop);
            auto notice = context_.library.takeNotice();
            return [this, counts, refused = std::move(refused), notice = std::move(notice)] {
                libraryAnswered(notice);
                importEnded(counts, refused);
            };
        } catch (const LibraryError& e) {
            return [this, why = QString::fromStdString(e.what())] {
                statusBar()->clearMessage();
                libraryFailed(why, "record the import", true);
                updateActions();
                load(false);  // what was imported before it failed
            };
        }
    });
    updateActions();
}

void RecordingsWindow::importEnded(const ImportCounts& counts,
                                   const std::vector<std::string>& refused) {
    updateActions();
    if (counts.stopped) {
        statusBar()->clearMessage();
        return;
    }
    const std::string summary = importSummary(counts);
    statusBar()->showMessage(QString::fromStdString(summary));
    std::string text = summary;
    for (std::size_t i = 0; i < refused.size() && i < kRefusalLines; ++i) {
        text += (i == 0 ? "\n\n" : "\n") + refused[i];
    }
    if (refused.size() > kRefusalLines) {
        text += "\n… and " + std::to_string(refused.size() - kRefusalLines) +
                " more refused; tiltctl library import lists every one.";
    }
    context_.messages.show(text);
    load(false);
}

}  // namespace tilt::library::ui
