#include "frame/frame_window.h"

#include <QHBoxLayout>
#include <QLocale>

#include "common/startup.h"
#include "common/ui/active_window.h"
#include "common/ui/app_context.h"
#include "config/ui/calibrate_window.h"
#include "config/ui/configuration_window.h"
#include "config/ui/eeprom_window.h"
#include "frame/about_window.h"
#include "frame/artwork.h"
#include "frame/list_bar.h"
#include "frame/main_window.h"
#include "library/ui/recordings_window.h"
#include "link/port_catalogue.h"
#include "link/ui/connect_window.h"
#include "live/ui/accelerometers_window.h"
#include "live/ui/angles_window.h"
#include "logging/ui/download_window.h"
#include "remote/ui/remote_session_window.h"
#include "view/ui/button_push_graph_window.h"
#include "view/ui/data_file_drop.h"
#include "view/ui/graph_window.h"

namespace tilt::frame {

namespace {
constexpr int kNavigationGroup = 1;
constexpr QSize kInitialSize(860, 560);
}  // namespace

FrameWindow::FrameWindow(AppContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context) {
    setObjectName(QStringLiteral("MDIForm1"));
    setProperty(common::ui::kScreenNameProperty, QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Veltrimonic Tiltavarometer"));
    setWindowIcon(productIcon());

    buildNavigation();
    main_ = new MainWindow(
        context_, windows_,
        [this](int first, int last, bool on) { setNavigationItemsEnabled(first, last, on); },
        [this] {
            connectedPort_ = 0;
            showConnectionStatus();
        });
    setMenuBar(main_->createMenuBar());

    auto* central = new QWidget;
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(navigation_);
    layout->addWidget(main_, 1);
    setCentralWidget(central);
    resize(kInitialSize);
    setAcceptDrops(true);

    registerWindows();
    // What the status line says of the logger follows the program's own writes.
    connect(&context_.loggerEvents, &common::ui::LoggerEvents::configurationWritten, this,
            [this] { showConnectionStatus(); });
}

void FrameWindow::buildNavigation() {
    navigation_ = new ListBar;
    navigation_->setObjectName(QStringLiteral("ListBar1"));
    // The items do what the main window's entries of the same name do.
    navigation_->addBarItem(kNavigationGroup, QStringLiteral("Connect"),
                            navigationIcon(NavigationPicture::Connect), true,
                            [this] { main_->showConnect(); });
    navigation_->addBarItem(kNavigationGroup, QStringLiteral("Download-View Data"),
                            navigationIcon(NavigationPicture::Download), false,
                            [this] { main_->showDownload(); });
    navigation_->addBarItem(kNavigationGroup, QStringLiteral("Configure Device"),
                            navigationIcon(NavigationPicture::Configure), false,
                            [this] { main_->showConfiguration(); });
    navigation_->addBarItem(kNavigationGroup, QStringLiteral("Launch"),
                            navigationIcon(NavigationPicture::Launch), false,
                            [this] { main_->launch(); });
}

void FrameWindow::registerWindows() {
    using Modality = WindowRegistry::Modality;
    const auto setNavigationEnabled = [this](bool on) { setNavigationItemsEnabled(1, 4, on); };
    const auto opener = [this](WindowId id) { return [this, id] { windows_.show(id); }; };
    windows_.add(WindowId::Connect, QStringLiteral("Connect"), Modality::Modal, [this] {
        return new link::ui::ConnectWindow(
            context_, [this](bool ok) { onConnectFinished(ok); }, this);
    });
    windows_.add(WindowId::Download, QStringLiteral("DownloadErase"), Modality::Modeless,
                 [=, this] {
                     return new logging::ui::DownloadWindow(
                         context_,
                         {.setNavigationEnabled = setNavigationEnabled,
                          .showGraph = opener(WindowId::Graph),
                          .showButtonPushGraph = opener(WindowId::ButtonPushGraph),
                          .graphFile = [this](const QString& file) { openDataFile(file); }},
                         this);
                 });
    windows_.add(WindowId::Configuration, QStringLiteral("Configuration"), Modality::Modeless,
                 [=, this] {
                     return new config::ui::ConfigurationWindow(
                         context_,
                         {.showEeprom = opener(WindowId::Eeprom),
                          .showAccelerometers = opener(WindowId::Accelerometers),
                          .showAngles = opener(WindowId::Angles),
                          .showCalibrate = opener(WindowId::Calibrate)},
                         setNavigationEnabled, this);
                 });
    windows_.add(WindowId::Eeprom, QStringLiteral("EEPROM"), Modality::Modal,
                 [this] { return new config::ui::EepromWindow(context_, this); });
    windows_.add(WindowId::Calibrate, QStringLiteral("Calibrate"), Modality::Modeless,
                 [this] { return new config::ui::CalibrateWindow(context_, this); });
    windows_.add(WindowId::Angles, QStringLiteral("Angles"), Modality::Modeless,
                 [this] { return new live::ui::AnglesWindow(context_, this); });
    windows_.add(WindowId::Accelerometers, QStringLiteral("Accelerometers"), Modality::Modeless,
                 [this] { return new live::ui::AccelerometersWindow(context_, this); });
    windows_.add(WindowId::RemoteSession, QStringLiteral("RemoteSession"), Modality::Modeless,
                 [this] { return new remote::ui::RemoteSessionWindow(context_, this); });
    windows_.add(WindowId::Graph, QStringLiteral("Graph"), Modality::Modeless,
                 [this] { return new view::ui::GraphWindow(context_, this); });
    windows_.add(WindowId::ButtonPushGraph, QStringLiteral("GraphBP"), Modality::Modeless,
                 [this] { return new view::ui::ButtonPushGraphWindow(context_, this); });
    windows_.add(WindowId::Recordings, QStringLiteral("Recordings"), Modality::Modeless, [this] {
        // The folder and the import dialogs are the system's own.
        return new library::ui::RecordingsWindow(
            context_,
            {.openInGraph = [this](const QString& file) { openDataFile(file); },
             .showFolder = {},
             .chooseImport = {},
             .storeQuestions = {}},
            this);
    });
    windows_.add(WindowId::About, QStringLiteral("About"), Modality::Modal,
                 [this] { return new AboutWindow(context_.state.appVersion, this); });
}

void FrameWindow::openDataFile(const QString& path) {
    if (auto* graph = windows_.show<view::ui::RecordingWindow>(WindowId::Graph)) {
        graph->openFile(path);
    }
}

void FrameWindow::dragEnterEvent(QDragEnterEvent* event) {
    view::ui::acceptDataFileDrag(*event);
}

void FrameWindow::dropEvent(QDropEvent* event) {
    if (const auto file = view::ui::takeDroppedDataFile(*event)) {
        openDataFile(*file);
    }
}

void FrameWindow::startUp(const StartupInputs& inputs) {
    tilt::runStartup(context_.state, inputs, context_.errors);
    showConnectionStatus();
}

void FrameWindow::setDeviceCommandsEnabled(bool enabled) {
    main_->setDeviceMenusEnabled(enabled);
    setNavigationItemsEnabled(2, 4, enabled);
}

void FrameWindow::setNavigationItemsEnabled(int first, int last, bool enabled) {
    for (int item = first; item <= last; ++item) {
        navigation_->setItemEnabled(kNavigationGroup, item, enabled);
    }
    navigation_->refresh();
}

void FrameWindow::onConnectFinished(bool connected) {
    setDeviceCommandsEnabled(connected);
    connectedPort_ = connected ? context_.state.commPort : 0;
    showConnectionStatus();
}

void FrameWindow::showConnectionStatus() {
    const std::int16_t port = context_.state.commPort;
    if (port == 0) {
        main_->showConnectionStatus(tr("No port is selected. Choose Connect to select one."));
        return;
    }
    if (port != connectedPort_) {
        main_->showConnectionStatus(
            tr("Not connected. Choose Connect to select the logger's serial port."));
        return;
    }
    QString name = QStringLiteral("Comm %1").arg(port);
    if (const auto entry = link::findPort(context_.catalogue, port)) {
        name += QStringLiteral(" (%1)").arg(QString::fromStdString(entry->name));
    }
    main_->showConnectionStatus(
        tr("Connected to the Tiltavarometer on %1.\nTare X %2°, tare Y %3°, update time "
           "increment %4.")
            .arg(name, QLocale().toString(context_.state.configuration.tareX, 'f', 1),
                 QLocale().toString(context_.state.configuration.tareY, 'f', 1),
                 QLocale().toString(context_.state.configuration.updateTimeIncrement)));
}

}  // namespace tilt::frame
