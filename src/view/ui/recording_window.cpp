#include "view/ui/recording_window.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

#include "common/error.h"
#include "common/file_dialogs.h"
#include "common/messages.h"
#include "common/ui/app_context.h"
#include "view/plot/graph_image.h"
#include "view/plot/plot_control.h"
#include "view/ui/data_file_drop.h"
#include "view/ui/recording_outputs.h"

namespace tilt::view::ui {

namespace {

constexpr const char* kDataFilter = "TLG Files (*.tlg)";
constexpr const char* kPngFilter = "PNG Picture (*.png)";
constexpr const char* kPdfFilter = "PDF Document (*.pdf)";
constexpr const char* kCsvFilter = "CSV File (*.csv)";
constexpr const char* kJsonFilter = "JSON Lines (*.json)";

QGroupBox* graphFrame(const QString& caption, PlotControl* graph, QWidget* parent) {
    auto* frame = new QGroupBox(caption, parent);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(graph);
    return frame;
}

}  // namespace

QLineEdit* namedBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaximumWidth(90);
    return box;
}

QPushButton* namedButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

RecordingWindow::RecordingWindow(common::ui::AppContext& context, const QString& caption,
                                 QWidget* parent)
    : QMainWindow(parent), context_(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setWindowTitle(caption);
    setAcceptDrops(true);
    buildMenus();
    buildControls();
    resize(900, 720);
}

void RecordingWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    auto add = [&](const char* name, const QString& caption, auto handler) {
        QAction* action = file->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add("mnuOpen", QStringLiteral("&Open"), [this] { chooseAndOpenFile(); });
    add("mnuExport", QStringLiteral("Export &Image…"), &RecordingWindow::exportGraphs);
    outputs_ = new RecordingOutputs(*this, context_);
    QAction* exportData =
        add("mnuExportData", QStringLiteral("Export &Data…"), &RecordingWindow::exportData);
    QAction* report = add("mnuReport", QStringLiteral("&Report…"), &RecordingWindow::saveReport);
    connect(outputs_, &RecordingOutputs::busyChanged, this, [exportData, report](bool busy) {
        exportData->setEnabled(!busy);
        report->setEnabled(!busy);
    });
    file->addSeparator();
    add("mnuReturn", QStringLiteral("&Return"), &RecordingWindow::leave);
}

void RecordingWindow::buildControls() {
    auto* central = new QWidget(this);
    layout_ = new QVBoxLayout(central);

    auto* dataFile = new QGroupBox(QStringLiteral("Data File"), central);
    auto* fileLine = new QHBoxLayout(dataFile);
    fileNameBox_ = new QLineEdit(dataFile);
    fileNameBox_->setObjectName(QStringLiteral("txtFileName"));
    fileNameBox_->setReadOnly(true);
    fileNameBox_->setAccessibleName(QStringLiteral("Data file"));
    fileLine->addWidget(fileNameBox_);
    layout_->addWidget(dataFile);

    firstGraph_ = new PlotControl(central);
    firstGraph_->setObjectName(QStringLiteral("CWGraph1"));
    secondGraph_ = new PlotControl(central);
    secondGraph_->setObjectName(QStringLiteral("CWGraph2"));
    layout_->addWidget(graphFrame(QStringLiteral("X"), firstGraph_, central), 1);
    layout_->addWidget(graphFrame(QStringLiteral("Y"), secondGraph_, central), 1);
    setCentralWidget(central);

    readout_ = new QLabel(this);
    readout_->setObjectName(QStringLiteral("lblReadout"));
    statusBar()->addWidget(readout_, 1);
    statusBar()->showMessage(QStringLiteral("Wheel: zoom · drag: pan · double-click: whole graph"));
    for (PlotControl* graph : {firstGraph_, secondGraph_}) {
        connect(graph, &PlotControl::readoutChanged, this, [this](const QString& text) {
            statusBar()->clearMessage();
            readout_->setText(text);
        });
    }
}

void RecordingWindow::addControls(QWidget* controls) {
    layout_->insertWidget(1, controls);
}

QString RecordingWindow::fileName() const {
    return fileNameBox_->text();
}

void RecordingWindow::setFileName(const QString& file) {
    fileNameBox_->setText(file);
}

void RecordingWindow::showMessage(std::string_view message) {
    context_.messages.show(std::string(message));
}

std::optional<QString> RecordingWindow::chooseDataFile() {
    FileDialogs::Request request;
    request.title = "Open";
    request.filter = kDataFilter;
    request.selectedFilter = kDataFilter;
    request.folder = context_.paths.dataFiles().string();
    request.defaultSuffix = "tlg";
    const auto chosen = context_.fileDialogs.open(request);
    if (!chosen) {
        return std::nullopt;
    }
    return QString::fromStdString(*chosen);
}

void RecordingWindow::leave() {
    close();
}

FileDialogs::Request RecordingWindow::saveBesideFile(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& suffix) const {
    const QFileInfo shown(fileName());
    FileDialogs::Request request;
    request.title = title;
    request.filter = filter;
    request.selectedFilter = filter.substr(0, filter.find(";;"));
    request.folder =
        (shown.fileName().isEmpty() ? QString::fromStdString(context_.paths.dataFiles().string())
                                    : shown.absolutePath())
            .toStdString();
    request.fileName =
        (shown.completeBaseName().isEmpty() ? windowTitle() : shown.completeBaseName())
            .toStdString() +
        "." + suffix;
    request.defaultSuffix = suffix;
    return request;
}

void RecordingWindow::exportData() {
    if (fileName().isEmpty()) {
        showMessage("Open a data file first: File > Open.");
        return;
    }
    const auto chosen = context_.fileDialogs.save(
        saveBesideFile("Export Data", std::string(kCsvFilter) + ";;" + kJsonFilter, "csv"));
    if (chosen) {
        outputs_->exportData(fileName(), QString::fromStdString(*chosen));
    }
}

void RecordingWindow::saveReport() {
    if (fileName().isEmpty()) {
        showMessage("Open a data file first: File > Open.");
        return;
    }
    const auto chosen = context_.fileDialogs.save(saveBesideFile("Report", kPdfFilter, "pdf"));
    if (chosen) {
        outputs_->report(fileName(), QString::fromStdString(*chosen));
    }
}

void RecordingWindow::exportGraphs() {
    const QFileInfo shown(fileName());
    const auto chosen = context_.fileDialogs.save(
        saveBesideFile("Export Image", std::string(kPngFilter) + ";;" + kPdfFilter, "png"));
    if (!chosen) {
        return;
    }
    QString path = QString::fromStdString(*chosen);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QStringLiteral("png") && suffix != QStringLiteral("pdf")) {
        path += QStringLiteral(".png");
    }
    plot::GraphImage image;
    image.heading = (shown.fileName().isEmpty() ? windowTitle() : shown.fileName()) +
                    QStringLiteral(" — ") + shownPart();
    image.graphs = {{QStringLiteral("X"), firstGraph_}, {QStringLiteral("Y"), secondGraph_}};
    try {
        plot::saveGraphImage(path, image);
    } catch (const Error& e) {
        showMessage(std::string(e.what()) + ". Choose another folder or name and try again.");
    }
}

void RecordingWindow::dragEnterEvent(QDragEnterEvent* event) {
    acceptDataFileDrag(*event);
}

void RecordingWindow::dropEvent(QDropEvent* event) {
    if (const auto file = takeDroppedDataFile(*event)) {
        openFile(*file);
    }
}

}  // namespace tilt::view::ui
