#include "logging/ui/launch_panel.h"

#include <QProgressBar>
#include <QVBoxLayout>

#include "link/device_link.h"
#include "shell/messages.h"
#include "shell/number_text.h"
#include "shell/ui/app_context.h"
#include "shell/ui/device_thread.h"

namespace tilt::logging::ui {

namespace {
constexpr int kLastPage = 2047;
constexpr int kNavigationItems = 4;
}  // namespace

LaunchPanel::LaunchPanel(shell::ui::AppContext& context, Shell shell, QWidget* parent)
    : QGroupBox(QStringLiteral("Erase"), parent), context_(context), shell_(std::move(shell)) {
    setObjectName(QStringLiteral("fraErase"));
    PBar_ = new QProgressBar(this);
    PBar_->setObjectName(QStringLiteral("PBar"));
    PBar_->setRange(0, kLastPage);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PBar_);
    setMaximumWidth(420);
    hide();
}

void LaunchPanel::mnuLaunch_Click() {
    if (context_.state.CommPort == 0) {
        context_.messages.show(std::string(kNoPortSelected));
        return;
    }
    const auto answer =
        context_.messages.ask(destructiveQuestion(kLaunchWarning), Messages::Buttons::YesNo);
    if (answer != Messages::Answer::Yes) {
        return;
    }
    for (const char* menu : {"mnuFile", "mnuTools", "mnuHelp"}) {
        shell_.setMenuEnabled(menu, false);
    }
    shell_.setNavigationItemsEnabled(1, kNavigationItems, false);
    setTitle(QStringLiteral("Erase"));
    PBar_->setValue(0);
    show();

    auto progress = shell::ui::DeviceThread::toWindow<double>(
        this, [this](double pages) { showErasedPages(pages); });
    ErrorReporter& errors = context_.errors;
    const std::int16_t port = context_.state.CommPort;
    const bool started = context_.device.start<LaunchEnd>(
        this, {"Launch", "mnuLaunch_Click"},
        [&errors, port, progress](link::DeviceLink& link) {
            return launchLogging(link, port, errors, [&](double pages) { progress(pages); });
        },
        [this](LaunchEnd end) { launchEnded(end); });
    if (!started) {
        launchEnded(LaunchEnd::Failed);
    }
}

void LaunchPanel::showErasedPages(double pages) {
    PBar_->setValue(static_cast<int>(pages));
    setTitle(QStringLiteral("Erasing page ") + QString::fromStdString(numberText(pages)));
}

void LaunchPanel::launchEnded(LaunchEnd end) {
    setTitle(QStringLiteral("Erase"));
    hide();
    // After a failure that went through the error handler, there is nothing more to say.
    if (const auto message = launchEndMessage(end); !message.empty()) {
        context_.messages.show(std::string(message));
    }
    if (end == LaunchEnd::Launched) {
        shell_.setMenuEnabled("mnuDisplay", false);
        if (shell_.launched) {
            shell_.launched();
        }
    }
    // Whatever happened, the user can connect again; the device commands wait for that.
    shell_.setMenuEnabled("mnuTools", false);
    shell_.setMenuEnabled("mnuFile", true);
    shell_.setMenuEnabled("mnuHelp", true);
    shell_.setNavigationItemsEnabled(1, 1, true);
}

}  // namespace tilt::logging::ui
