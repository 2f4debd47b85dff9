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

Main::Main(AppContext& context, WindowRegistry& windows,
           std::function<void(int, int, bool)> setNavigationItemsEnabled,
           std::function<void()> launched, QWidget* parent)
    : QWidget(parent), context_(context), windows_(windows) {
    setObjectName(QStringLiteral("Main"));
    buildActions();
    buildPanel(std::move(setNavigationItemsEnabled), std::move(launched));
    bindHotKeys();
}

QAction* Main::addEntry(QMenu* menu, const char* name, const QString& caption,
                        void (Main::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, handler);
    menu->addAction(action);
    return action;
}

void Main::buildActions() {
    auto* fileMenu = new QMenu(this);
    menuAction(fileMenu, this, "mnuFile", tr("&File"));
    addEntry(fileMenu, "mnuConnect", tr("&Connect"), &Main::mnuConnect_Click);
    fileMenu->addSeparator()->setObjectName(QStringLiteral("mnuSep"));
    addEntry(fileMenu, "mnuExit", tr("E&xit"), &Main::mnuExit_Click);

    auto* toolsMenu = new QMenu(this);
    mnuTools_ = menuAction(toolsMenu, this, "mnuTools", tr("&Tools"));
    addEntry(toolsMenu, "mnuDownloadErase", tr("&Download-View Data"),
             &Main::mnuDownloaderase_Click);
    addEntry(toolsMenu, "mnuConfiguration", tr("&Configure Device"), &Main::mnuConfiguration_Click);
    context_.device.guardEntry(
        addEntry(toolsMenu, "mnuLaunch", tr("&Launch"), &Main::mnuLaunch_Click));
    addEntry(toolsMenu, "mnuGraph", tr("&Graph"), &Main::mnuGraph_Click)->setVisible(false);
    addEntry(toolsMenu, "mnuGBP", tr("Graph &Button Pushes"), &Main::mnuGBP_Click)
        ->setVisible(false);
    addEntry(toolsMenu, "mnuCalibrate", tr("Cali&brate"), &Main::mnuCalibrate_Click)
        ->setVisible(false);
    mnuTools_->setEnabled(false);

    auto* displayMenu = new QMenu(this);
    mnuDisplay_ = menuAction(displayMenu, this, "mnuDisplay", tr("&Display"));
    addEntry(displayMenu, "mnuAcc", tr("A&ccelerometers"), &Main::mnuAcc_Click);
    addEntry(displayMenu, "mnuAngles", tr("&Angles"), &Main::mnuAngles_Click);
    addEntry(displayMenu, "mnuRemote", tr("&Remote Session"), &Main::mnuRemote_Click)
        ->setVisible(false);
    mnuDisplay_->setVisible(context_.technician);
    setDisplayMenuEnabled(false);

    auto* helpMenu = new QMenu(this);
    menuAction(helpMenu, this, "mnuHelp", tr("&Help"));
    addEntry(helpMenu, "mnuHelpHelp", tr("&Help"), &Main::mnuHelpHelp_Click);
    addEntry(helpMenu, "mnuAbout", tr("&About"), &Main::mnuAbout_Click);
}

QMenuBar* Main::createMenuBar() {
    auto* bar = new QMenuBar;
    for (const char* name : {"mnuFile", "mnuTools", "mnuDisplay", "mnuHelp"}) {
        bar->addAction(findChild<QAction*>(QString::fromLatin1(name)));
    }
    return bar;
}

void Main::buildPanel(std::function<void(int, int, bool)> setNavigationItemsEnabled,
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
    launch_ = new logging::ui::LaunchPanel(
        context_,
        {[this](const char* menu, bool on) { setMenuEnabled(menu, on); },
         std::move(setNavigationItemsEnabled), std::move(launched)},
        this);
    layout->addSpacing(12);
    layout->addWidget(launch_, 0, Qt::AlignHCenter);
    layout->addStretch(3);
}

void Main::bindHotKeys() {
    // Window-wide, so the keys work whichever control has the focus.
    auto* ctrlF6 = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6), this);
    ctrlF6->setContext(Qt::WindowShortcut);
    connect(ctrlF6, &QShortcut::activated, this, &Main::toggleRemoteSessionEntry);
    auto* ctrlF9 = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9), this);
    ctrlF9->setContext(Qt::WindowShortcut);
    connect(ctrlF9, &QShortcut::activated, this, &Main::toggleDisplayMenu);
}

void Main::setDeviceMenusEnabled(bool enabled) {
    mnuTools_->setEnabled(enabled);
    setDisplayMenuEnabled(enabled);
}

void Main::setDisplayMenuEnabled(bool enabled) {
    displayEnabled_ = enabled;
    mnuDisplay_->setEnabled(enabled);
}

void Main::showConnectionStatus(const QString& text) {
    status_->setText(text);
}

bool Main::portSelected() {
    if (context_.state.commPort == 0) {
        context_.messages.show(std::string(kNoPortSelected));
        return false;
    }
    return true;
}

void Main::showGuarded(const QString& windowClass) {
    if (portSelected()) {
        windows_.show(windowClass);
    }
}

void Main::mnuConnect_Click() {
    windows_.show(QStringLiteral("Connect"));
}

void Main::mnuExit_Click() {
    if (context_.exitProgram) {
        context_.exitProgram();
    }
}

void Main::mnuDownloaderase_Click() {
    showGuarded(QStringLiteral("DownloadErase"));
}

void Main::mnuConfiguration_Click() {
    showGuarded(QStringLiteral("Configuration"));
}

void Main::mnuLaunch_Click() {
    launch_->mnuLaunch_Click();  // it checks the port itself
}

void Main::setMenuEnabled(const char* menu, bool enabled) {
    if (std::string_view(menu) == "mnuDisplay") {
        setDisplayMenuEnabled(enabled);
    } else if (QAction* action = findChild<QAction*>(QString::fromLatin1(menu))) {
        action->setEnabled(enabled);
    }
}

void Main::mnuGraph_Click() {
    windows_.show(QStringLiteral("Graph"));
}

void Main::mnuGBP_Click() {
    windows_.show(QStringLiteral("GraphBP"));
}

void Main::mnuCalibrate_Click() {
    showGuarded(QStringLiteral("Calibrate"));
}

void Main::mnuAcc_Click() {
    showGuarded(QStringLiteral("Accelerometers"));
}

void Main::mnuAngles_Click() {
    showGuarded(QStringLiteral("Angles"));
}

void Main::mnuRemote_Click() {
    showGuarded(QStringLiteral("RemoteSession"));
}

void Main::mnuHelpHelp_Click() {
    context_.messages.show(
        "Please refer to the Software Help Manual located on the distribution media!");
}

void Main::mnuAbout_Click() {
    windows_.show(QStringLiteral("About"));
}

void Main::toggleRemoteSessionEntry() {
    QAction* remote = findChild<QAction*>(QStringLiteral("mnuRemote"));
    remote->setVisible(!remote->isVisible());
}

void Main::toggleDisplayMenu() {
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
