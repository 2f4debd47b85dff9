#include "frame/mdi_form1.h"

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
#include "link/port_catalogue.h"
#include "link/ui/connect_window.h"
#include "live/ui/accelerometers_window.h"
#include "live/ui/angles_window.h"
#include "logging/ui/download_window.h"
#include "remote/ui/remote_session_window.h"
#include "view/ui/data_file_drop.h"
#include "view/ui/graph_bp_window.h"
#include "view/ui/graph_window.h"

namespace tilt::frame {

namespace {
constexpr int kNavigationGroup = 1;
constexpr QSize kInitialSize(860, 560);
}  // namespace

MDIForm1::MDIForm1(AppContext& context, QWidget* parent) : QMainWindow(parent), context_(context) {
    setObjectName(QStringLiteral("MDIForm1"));
    setProperty(common::ui::kScreenNameProperty, QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Veltrimonic Tiltavarometer"));
    setWindowIcon(productIcon());

    buildListBar();
    main_ = new Main(
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
    layout->addWidget(ListBar1_);
    layout->addWidget(main_, 1);
    setCentralWidget(central);
    resize(kInitialSize);
    setAcceptDrops(true);

    registerWindows();
    // What the status line says of the logger follows the program's own writes.
    connect(&context_.loggerEvents, &common::ui::LoggerEvents::configurationWritten, this,
            [this] { showConnectionStatus(); });
}

void MDIForm1::buildListBar() {
    ListBar1_ = new ListBar;
    ListBar1_->setObjectName(QStringLiteral("ListBar1"));
    ListBar1_->addBarItem(kNavigationGroup, QStringLiteral("Connect"),
                          navigationIcon(NavigationPicture::Connect), true);
    ListBar1_->addBarItem(kNavigationGroup, QStringLiteral("Download-View Data"),
                          navigationIcon(NavigationPicture::Download), false);
    ListBar1_->addBarItem(kNavigationGroup, QStringLiteral("Configure Device"),
                          navigationIcon(NavigationPicture::Configure), false);
    ListBar1_->addBarItem(kNavigationGroup, QStringLiteral("Launch"),
                          navigationIcon(NavigationPicture::Launch), false);
    connect(ListBar1_, &ListBar::ItemClick, this, &MDIForm1::ListBar1_ItemClick);
}

void MDIForm1::registerWindows() {
    using Modality = WindowRegistry::Modality;
    windows_.add(QStringLiteral("Connect"), Modality::Modal, [this] {
        return new link::ui::Connect(
            context_, [this](bool ok) { onConnectFinished(ok); }, this);
    });
    windows_.add(QStringLiteral("DownloadErase"), Modality::Modeless, [this] {
        return new logging::ui::DownloadErase(
            context_, windows_, [this](bool on) { setNavigationItemsEnabled(1, 4, on); }, this);
    });
    windows_.add(QStringLiteral("Configuration"), Modality::Modeless, [this] {
        return new config::ui::Configuration(
            context_, windows_, [this](bool on) { setNavigationItemsEnabled(1, 4, on); }, this);
    });
    windows_.add(QStringLiteral("EEPROM"), Modality::Modal,
                 [this] { return new config::ui::EEPROM(context_, this); });
    windows_.add(QStringLiteral("Calibrate"), Modality::Modeless,
                 [this] { return new config::ui::Calibrate(context_, this); });
    windows_.add(QStringLiteral("Angles"), Modality::Modeless,
                 [this] { return new live::ui::Angles(context_, this); });
    windows_.add(QStringLiteral("Accelerometers"), Modality::Modeless,
                 [this] { return new live::ui::Accelerometers(context_, this); });
    windows_.add(QStringLiteral("RemoteSession"), Modality::Modeless,
                 [this] { return new remote::ui::RemoteSession(context_, this); });
    windows_.add(QStringLiteral("Graph"), Modality::Modeless,
                 [this] { return new view::ui::Graph(context_, this); });
    windows_.add(QStringLiteral("GraphBP"), Modality::Modeless,
                 [this] { return new view::ui::GraphBP(context_, this); });
    windows_.add(QStringLiteral("About"), Modality::Modal,
                 [this] { return new About(context_.state.AppVersion, this); });
}

void MDIForm1::openDataFile(const QString& path) {
    if (auto* graph =
            qobject_cast<view::ui::RecordingWindow*>(windows_.show(QStringLiteral("Graph")))) {
        graph->openFile(path);
    }
}

void MDIForm1::dragEnterEvent(QDragEnterEvent* event) {
    view::ui::acceptDataFileDrag(*event);
}

void MDIForm1::dropEvent(QDropEvent* event) {
    if (const auto file = view::ui::takeDroppedDataFile(*event)) {
        openDataFile(*file);
    }
}

void MDIForm1::MDIForm_Load(const StartupInputs& inputs) {
    tilt::MDIForm_Load(context_.state, inputs, context_.errors);
    showConnectionStatus();
}

void MDIForm1::ListBar1_ItemClick(int group, const QString& text) {
    if (group != kNavigationGroup) {
        return;
    }
    if (text == QStringLiteral("Connect")) {
        main_->mnuConnect_Click();
    } else if (text == QStringLiteral("Download-View Data")) {
        main_->mnuDownloaderase_Click();
    } else if (text == QStringLiteral("Configure Device")) {
        main_->mnuConfiguration_Click();
    } else if (text == QStringLiteral("Launch")) {
        main_->mnuLaunch_Click();
    }
}

void MDIForm1::setDeviceCommandsEnabled(bool enabled) {
    main_->setDeviceMenusEnabled(enabled);
    setNavigationItemsEnabled(2, 4, enabled);
}

void MDIForm1::setNavigationItemsEnabled(int first, int last, bool enabled) {
    for (int item = first; item <= last; ++item) {
        ListBar1_->setItemEnabled(kNavigationGroup, item, enabled);
    }
    ListBar1_->Refresh();
}

void MDIForm1::onConnectFinished(bool connected) {
    setDeviceCommandsEnabled(connected);
    connectedPort_ = connected ? context_.state.commPort : 0;
    showConnectionStatus();
}

void MDIForm1::showConnectionStatus() {
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
