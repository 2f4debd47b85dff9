#include "frame/main_window.h"

#include <QFont>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QVBoxLayout>

#include "common/messages.h"
#include "common/ui/app_context.h"
#include "frame/artwork.h"
#include "frame/window_registry.h"
#include "logging/ui/launch_panel.h"
#include "platform/ui/device_thread.h"

namespace tilt::frame {

namespace {
constexpr int kPictureSize = 160;

// A menu's title entry, owned by the window so that it can be found by name and switched.
QAction* menuAction(QMenu* menu, QObject* owner, const char* name, const QString& caption) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    action->setMenu(menu);
    return action;
}
}  // namespace

MainWindow::MainWindow(AppContext& context, WindowRegistry& windows,
                       std::function<void(int, int, bool)> setNavigationItemsEnabled,
                       std::function<void()> launched, QWidget* parent)
    : QWidget(parent), context_(context), windows_(windows) {
    setObjectName(QStringLiteral("Main"));
    buildActions();
    buildPanel(std::move(setNavigationItemsEnabled), std::move(launched));
    bindHotKeys();
}

QAction* MainWindow::addEntry(QMenu* menu, const char* name, const QString& caption,
                              void (MainWindow::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, handler);
    menu->addAction(action);
    return action;
}

void MainWindow::buildActions() {
    auto* fileMenu = new QMenu(this);
    menuAction(fileMenu, this, "mnuFile", tr("&File"));
    addEntry(fileMenu, "mnuConnect", tr("&Connect"), &MainWindow::showConnect);
    addEntry(fileMenu, "mnuRecordings", tr("&Recordings…"), &MainWindow::showRecordings)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    fileMenu->addSeparator()->setObjectName(QStringLiteral("mnuSep"));
    addEntry(fileMenu, "mnuExit", tr("E&xit"), &MainWindow::exitProgram);

    auto* toolsMenu = new QMenu(this);
    toolsMenu_ = menuAction(toolsMenu, this, "mnuTools", tr("&Tools"));
    addEntry(toolsMenu, "mnuDownloadErase", tr("&Download-View Data"), &MainWindow::showDownload);
    addEntry(toolsMenu, "mnuConfiguration", tr("&Configure Device"),
             &MainWindow::showConfiguration);
    context_.device.guardEntry(
        addEntry(toolsMenu, "mnuLaunch", tr("&Launch"), &MainWindow::launch));
    addEntry(toolsMenu, "mnuGraph", tr("&Graph"), &MainWindow::showGraph)->setVisible(false);
    addEntry(toolsMenu, "mnuGBP", tr("Graph &Button Pushes"), &MainWindow::showButtonPushGraph)
        ->setVisible(false);
    addEntry(toolsMenu, "mnuCalibrate", tr("Cali&brate"), &MainWindow::showCalibrate)
        ->setVisible(false);
    toolsMenu_->setEnabled(false);

    auto* displayMenu = new QMenu(this);
    displayMenu_ = menuAction(displayMenu, this, "mnuDisplay", tr("&Display"));
    addEntry(displayMenu, "mnuAcc", tr("A&ccelerometers"), &MainWindow::showAccelerometers);
    addEntry(displayMenu, "mnuAngles", tr("&Angles"), &MainWindow::showAngles);
    addEntry(displayMenu, "mnuRemote", tr("&Remote Session"), &MainWindow::showRemoteSession)
        ->setVisible(false);
    displayMenu_->setVisible(context_.technician);
    setDisplayMenuEnabled(false);

    auto* helpMenu = new QMenu(this);
    menuAction(helpMenu, this, "mnuHelp", tr("&Help"));
    addEntry(helpMenu, "mnuHelpHelp", tr("&Help"), &MainWindow::showHelp);
    addEntry(helpMenu, "mnuAbout", tr("&About"), &MainWindow::showAbout);
}

QMenuBar* MainWindow::createMenuBar() {
    auto* bar = new QMenuBar;
    for (const char* name : {"mnuFile", "mnuTools", "mnuDisplay", "mnuHelp"}) {
        bar->addAction(findChild<QAction*>(QString::fromLatin1(name)));
    }
    return bar;
}

void MainWindow::buildPanel(std::function<void(int, int, bool)> setNavigationItemsEnabled,
                            std::function<void()> launched) {
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picProduct"));
    picture->setPixmap(productPicture(kPictureSize));
    picture->setAlignment(Qt::AlignCenter);

    auto* product = new QLabel(QStringLiteral("Tiltavarometer"), this);
    product->setObjectName(QStringLiteral("lblProduct"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 2.4);
    big.setBold(true);
    product->setFont(big);
    product->setAlignment(Qt::AlignCenter);

    auto* maker = new QLabel(tr("Veltrimonic inclination datalogger"), this);
    maker->setAlignment(Qt::AlignCenter);
    maker->setForegroundRole(QPalette::PlaceholderText);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(2);
    layout->addWidget(picture);
    layout->addSpacing(12);
    layout->addWidget(product);
    layout->addWidget(maker);
    layout->addSpacing(24);
    layout->addWidget(status_);
    launchPanel_ = new logging::ui::LaunchPanel(
        context_,
        {[this](const char* menu, bool on) { setMenuEnabled(menu, on); },
         std::move(setNavigationItemsEnabled), std::move(launched)},
        this);
    layout->addSpacing(12);
    layout->addWidget(launchPanel_, 0, Qt::AlignHCenter);
    layout->addStretch(3);
}

void MainWindow::bindHotKeys() {
    // Window-wide, so the keys work whichever control has the focus.
    auto* ctrlF6 = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6), this);
    ctrlF6->setContext(Qt::WindowShortcut);
    connect(ctrlF6, &QShortcut::activated, this, &MainWindow::toggleRemoteSessionEntry);
    auto* ctrlF9 = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9), this);
    ctrlF9->setContext(Qt::WindowShortcut);
    connect(ctrlF9, &QShortcut::activated, this, &MainWindow::toggleDisplayMenu);
}

void MainWindow::setDeviceMenusEnabled(bool enabled) {
    toolsMenu_->setEnabled(enabled);
    setDisplayMenuEnabled(enabled);
}

void MainWindow::setDisplayMenuEnabled(bool enabled) {
    displayEnabled_ = enabled;
    displayMenu_->setEnabled(enabled);
}

void MainWindow::showConnectionStatus(const QString& text) {
    status_->setText(text);
}

bool MainWindow::portSelected() {
    if (context_.state.commPort == 0) {
        context_.messages.show(std::string(kNoPortSelected));
        return false;
    }
    return true;
}

void MainWindow::showGuarded(WindowId id) {
    if (portSelected()) {
        windows_.show(id);
    }
}

void MainWindow::showConnect() {
    windows_.show(WindowId::Connect);
}

void MainWindow::exitProgram() {
    if (context_.exitProgram) {
        context_.exitProgram();
    }
}

void MainWindow::showDownload() {
    showGuarded(WindowId::Download);
}

void MainWindow::showConfiguration() {
    showGuarded(WindowId::Configuration);
}

void MainWindow::launch() {
    launchPanel_->launch();  // it checks the port itself
}

void MainWindow::setMenuEnabled(const char* menu, bool enabled) {
    if (std::string_view(menu) == "mnuDisplay") {
        setDisplayMenuEnabled(enabled);
    } else if (QAction* action = findChild<QAction*>(QString::fromLatin1(menu))) {
        action->setEnabled(enabled);
    }
}

void MainWindow::showGraph() {
    windows_.show(WindowId::Graph);
}

void MainWindow::showButtonPushGraph() {
    windows_.show(WindowId::ButtonPushGraph);
}

void MainWindow::showCalibrate() {
    showGuarded(WindowId::Calibrate);
}

void MainWindow::showAccelerometers() {
    showGuarded(WindowId::Accelerometers);
}

void MainWindow::showAngles() {
    showGuarded(WindowId::Angles);
}

void MainWindow::showRemoteSession() {
    showGuarded(WindowId::RemoteSession);
}

void MainWindow::showHelp() {
    context_.messages.show(
        "Please refer to the Software Help Manual located on the distribution media!");
}

void MainWindow::showRecordings() {
    windows_.show(WindowId::Recordings);  // the library needs no logger
}

void MainWindow::showAbout() {
    windows_.show(WindowId::About);
}

void MainWindow::toggleRemoteSessionEntry() {
    QAction* remote = findChild<QAction*>(QStringLiteral("mnuRemote"));
    remote->setVisible(!remote->isVisible());
}

void MainWindow::toggleDisplayMenu() {
    auto entry = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name));
    };
    const bool wasEnabled = displayEnabled_;
    setDisplayMenuEnabled(!wasEnabled);
    entry("mnuAcc")->setVisible(wasEnabled);
    entry("mnuAngles")->setVisible(wasEnabled);
    entry("mnuRemote")->setVisible(!wasEnabled);
}

}  // namespace tilt::frame
