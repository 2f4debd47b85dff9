#include "logging/ui/launch_panel.h"

#include <QProgressBar>
#include <QVBoxLayout>

#include "common/messages.h"
#include "common/number_text.h"
#include "common/ui/app_context.h"
#include "common/ui/library_problem.h"
#include "link/device_link.h"
#include "logging/download_report.h"
#include "logging/library_record.h"
#include "logging/ui/erase_consent.h"
#include "platform/ui/device_thread.h"

namespace tilt::logging::ui {

namespace {
constexpr int kLastPage = 2047;
constexpr int kNavigationItems = 4;

// A launch after its check: nothing when the user said No (or the port failed, which has been
// reported); what the library could not record.
struct CheckedLaunch {
    std::optional<LaunchResult> result;
    std::optional<std::string> libraryProblem;
};
}  // namespace

LaunchPanel::LaunchPanel(common::ui::AppContext& context, FrameControls frame, QWidget* parent)
    : QGroupBox(QStringLiteral("Erase"), parent), context_(context), frame_(std::move(frame)) {
    setObjectName(QStringLiteral("fraErase"));
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("PBar"));
    progressBar_->setRange(0, kLastPage);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progressBar_);
    setMaximumWidth(420);
    hide();
}

void LaunchPanel::launch() {
    if (context_.state.commPort == 0) {
        context_.messages.show(std::string(kNoPortSelected));
        return;
    }
    // The navigation bar reaches here while the Tools entry is disabled: a running job keeps
    // the device, and the menus are left as they are.
    if (context_.device.refuseWhileBusy("Launch")) {
        return;
    }
    for (const char* menu : {"mnuFile", "mnuTools", "mnuHelp"}) {
        frame_.setMenuEnabled(menu, false);
    }
    frame_.setNavigationItemsEnabled(1, kNavigationItems, false);
    setTitle(QStringLiteral("Checking the logger's recording"));
    progressBar_->setValue(0);
    show();

    auto launching =
        platform::ui::DeviceThread::toWindow<>(this, [this] { setTitle(QStringLiteral("Erase")); });
    auto progress = platform::ui::DeviceThread::toWindow<double>(
        this, [this](double pages) { showErasedPages(pages); });
    common::ui::AppContext& context = context_;
    const bool started = context_.device.start<CheckedLaunch>(
        this,
        {.title = "Launch",
         .source = "mnuLaunch_Click",
         .commPort = context_.state.commPort,
         .screen = std::string(kLaunchScreen)},
        [this, &context, launching, progress](const link::JobScope& job) {
            CheckedLaunch outcome;
            const EraseCheck check = checkBeforeErasing(job, context.library);
            if (check.portFailed || !askToErase(context, this, check, kLaunchWarning)) {
                return outcome;
            }
            launching();
            outcome.result = launchLogging(job, [&](double pages) { progress(pages); });
            if (check.recording) {
                outcome.libraryProblem =
                    recordLaunch(context.library, check.recording->serial, *outcome.result);
            }
            return outcome;
        },
        [this](const CheckedLaunch& outcome) {
            if (outcome.result) {
                launchEnded(*outcome.result);
            } else {
                hide();
                restoreMenus(false);
            }
            common::ui::tellLibraryProblem(context_, outcome.libraryProblem);
        });
    if (!started) {
        hide();
        restoreMenus(false);
    }
}

void LaunchPanel::showErasedPages(double pages) {
    progressBar_->setValue(static_cast<int>(pages));
    setTitle(QStringLiteral("Erasing page ") + QString::fromStdString(numberText(pages)));
}

void LaunchPanel::launchEnded(const LaunchResult& result) {
    setTitle(QStringLiteral("Erase"));
    hide();
    if (const auto message = launchEndMessage(result); !message.empty()) {
        context_.messages.show(message);
    }
    const bool launched = result.end == LaunchEnd::Launched;
    if (launched || result.loggingSent) {
        frame_.setMenuEnabled("mnuDisplay", false);
        if (frame_.launched) {
            frame_.launched();
        }
    }
    restoreMenus(true);
}

// After a launch, whatever happened, the user can connect again, and the device commands wait
// for that. A launch that never started leaves the menus as they were.
void LaunchPanel::restoreMenus(bool started) {
    frame_.setMenuEnabled("mnuTools", !started);
    frame_.setMenuEnabled("mnuFile", true);
    frame_.setMenuEnabled("mnuHelp", true);
    frame_.setNavigationItemsEnabled(1, started ? 1 : kNavigationItems, true);
}

}  // namespace tilt::logging::ui
