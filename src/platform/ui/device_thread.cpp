#include "platform/ui/device_thread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/messages.h"
#include "common/ui/active_window.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "platform/precise_timers.h"

namespace tilt::platform::ui {

// What escaped an operation, carried to the user-interface thread.
struct Failure {
    std::int32_t number = 0;
    std::string description;
};

namespace {
// Unexpected library failures get a number of their own so that they are recognisable in logs.
constexpr std::int32_t kInternalError = 51;
}  // namespace

std::string DeviceThread::activeScreen() {
    std::string name;
    runOnUiAndWait([&name] { name = common::ui::activeWindowName(); });
    return name;
}

DeviceThread::DeviceThread(link::PortCatalogue& catalogue, ErrorReporter& errors,
                           Messages& messages, QObject* parent)
    : QObject(parent),
      catalogue_(catalogue),
      errors_(errors),
      messages_(messages),
      worker_(new QObject) {
    thread_.setObjectName(QStringLiteral("device"));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
    QMetaObject::invokeMethod(worker_, &platform::preciseTimers, Qt::QueuedConnection);
}

DeviceThread::~DeviceThread() {
    shutdown();
}

void DeviceThread::shutdown() {
    shutDown_ = true;
    stop();
    thread_.quit();
    // An operation may be waiting for the user-interface thread (a message box it asked for):
    // keep serving it until the thread has ended.
    while (!thread_.wait(QDeadlineTimer(20))) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void DeviceThread::stop() {
    stopSource_.request_stop();
}

void DeviceThread::postToUi(std::function<void()> f) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(f), Qt::QueuedConnection);
}

void DeviceThread::runOnUiAndWait(const std::function<void()>& f) {
    QObject* app = QCoreApplication::instance();
    if (QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, f, Qt::BlockingQueuedConnection);
}

bool DeviceThread::refuseWhileBusy(const std::string& title) {
    if (!running_) {
        return false;
    }
    messages_.show("The device is busy with \"" + running_->title + "\".\r\n" +
                   "Wait until it has finished, or stop it, then try \"" + title + "\" again.");
    return true;
}

void DeviceThread::guardEntry(QAction* entry) {
    std::erase_if(guarded_, [](const QPointer<QAction>& gone) { return gone.isNull(); });
    guarded_.emplace_back(entry);
    connect(entry, &QAction::enabledChanged, this,
            [this, entry](bool enabled) { entrySwitched(entry, enabled); });
    // A window opened while a job runs: its entries wait for the job too.
    if (running_ && entry->isEnabled()) {
        entrySwitched(entry, true);
    }
}

void DeviceThread::holdEntries() {
    switching_ = true;
    for (const QPointer<QAction>& entry : guarded_) {
        if (entry && entry != running_->entry && entry->isEnabled()) {
            entry->setEnabled(false);
            held_.push_back(entry);
        }
    }
    switching_ = false;
}

void DeviceThread::releaseEntries() {
    switching_ = true;
    for (const QPointer<QAction>& entry : held_) {
        if (entry) {
            entry->setEnabled(true);
        }
    }
    held_.clear();
    switching_ = false;
}

// A window switching an entry while another operation runs: an entry it enables stays disabled
// until the operation ends; one it disables is left for the window to enable again.
void DeviceThread::entrySwitched(QAction* entry, bool enabled) {
    if (switching_ || !running_ || entry == running_->entry) {
        return;
    }
    const auto held = std::find(held_.begin(), held_.end(), entry);
    if (!enabled) {
        if (held != held_.end()) {
            held_.erase(held);
        }
        return;
    }
    switching_ = true;
    entry->setEnabled(false);
    switching_ = false;
    if (held == held_.end()) {
        held_.emplace_back(entry);
    }
}

bool DeviceThread::launch(QObject* owner, Operation operation, Job job,
                          std::function<void()> ended) {
    if (shutDown_ || refuseWhileBusy(operation.title)) {
        return false;
    }
    running_ = operation;
    holdEntries();
    stopSource_ = std::stop_source();

    QPointer<QObject> guard(owner);
    const std::stop_token stop = stopSource_.get_token();
    QMetaObject::invokeMethod(
        worker_,
        [this, guard, stop, commPort = operation.commPort, screen = operation.screen,
         job = std::move(job), ended = std::move(ended)] {
            std::function<void()> done;
            auto failure = std::make_shared<Failure>();
            try {
                link::DeviceLink link(catalogue_);
                link.setStopToken(stop);
                done = job(link::JobScope(link, commPort, errors_, screen, &activeScreen));
            } catch (const Error& e) {
                *failure = {e.number(), e.description()};
            } catch (const std::exception& e) {
                *failure = {kInternalError, e.what()};
            }
            QMetaObject::invokeMethod(
                this, [this, guard, done, ended, failure] { finish(guard, done, ended, failure); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}

void DeviceThread::finish(const QPointer<QObject>& owner, const std::function<void()>& done,
                          const std::function<void()>& ended,
                          const std::shared_ptr<Failure>& failure) {
    const Operation operation = *running_;
    running_.reset();
    releaseEntries();
    if (!done) {
        errors_.handleError(failure->number, operation.source, common::ui::activeWindowName(owner),
                            failure->description);
    } else if (owner) {
        done();
    }
    if (owner && ended) {
        ended();
    }
}

}  // namespace tilt::platform::ui
