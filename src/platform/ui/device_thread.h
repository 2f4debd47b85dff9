#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace tilt {
class ErrorReporter;
class Messages;
namespace link {
class JobScope;
class PortCatalogue;
}  // namespace link
}  // namespace tilt

namespace tilt::platform::ui {

// What a window tells the device thread about an operation it starts.
struct Operation {
    std::string title;   // for the user: "Auto Detect"
    std::string source;  // for the error log: the procedure that started it, "cmdAutoDetect_Click"
    // The menu entry that started it, if one did: it stays enabled while the operation runs,
    // so that a second click can stop it.
    QPointer<QAction> entry = nullptr;
    // The port it opens, and the window it works for as the error log names it: the port
    // primitives name this window, every other report of the job the window active then.
    std::int16_t commPort = 0;
    std::string screen{};
};

// The one thread on which the program talks to the device. Windows hand it operations (plain
// sequential functions over a DeviceLink); it runs them one at a time, so only one operation
// ever has the port open, and hands their results back on the user-interface thread. The
// windows themselves never wait on the device.
//
// The pattern for a window:
//
//     device.start<Result>(this, {.title = "Download", .source = "mnuDownload_Click",
//                                 .commPort = port, .screen = "DownloadErase"},
//         [=](const link::JobScope& job) { return someOperation(job, ...); },  // device thread
//         [this](Result r) { show r, write it into the shared state; },        // UI thread
//         [this] { re-enable the controls; });                                 // UI thread, always
//
// The operation gets a scope of its own: a link on the program's port catalogue, carrying the
// stop token that stop() triggers, the operation's port, and the error handler the thread was
// made with, naming the window active when a failure comes. Progress goes to the window through a
// function made by DeviceThread::toWindow; a question to the user goes through ask(). An operation
// that throws tilt::Error is reported to the error handler under its source name; `done` is
// then skipped.
class DeviceThread final : public QObject {
  public:
    DeviceThread(link::PortCatalogue& catalogue, ErrorReporter& errors, Messages& messages,
                 QObject* parent = nullptr);
    ~DeviceThread() override;
    DeviceThread(const DeviceThread&) = delete;
    DeviceThread& operator=(const DeviceThread&) = delete;

    // Starts `work` unless another operation holds the device; then the user is told which one
    // and nothing is sent. `done` and `ended` run in `owner`'s context, and not at all once
    // `owner` is gone.
    template <typename Result>
    bool start(QObject* owner, Operation operation,
               std::function<Result(const link::JobScope&)> work, std::function<void(Result)> done,
               std::function<void()> ended = {}) {
        auto job = [work = std::move(work), done = std::move(done)](const link::JobScope& scope) {
            auto result = std::make_shared<Result>(work(scope));
            return std::function<void()>([done, result] {
                if (done) {
                    done(std::move(*result));
                }
            });
        };
        return launch(owner, std::move(operation), std::move(job), std::move(ended));
    }

    // Asks the running operation to stop; it ends at its next pause or wait.
    void stop();

    // A menu entry that starts an operation: while any other operation runs it is disabled, and
    // afterwards enabled again (unless its window disabled it meanwhile), however that ended.
    void guardEntry(QAction* entry);

    // While an operation runs: tells the user which one, as a refused start does, and returns
    // true. For a command that changes the windows before it starts its operation.
    bool refuseWhileBusy(const std::string& title);

    // Stops the running operation and waits for the thread to end, serving what the operation
    // still asks of the user-interface thread meanwhile. Nothing starts afterwards. The program
    // calls this before it destroys any window an operation could report to.
    void shutdown();

    [[nodiscard]] bool busy() const { return running_.has_value(); }

    // Wraps `show` (a window's progress display) into a function that an operation may call
    // from any thread: each call runs `show` on the user-interface thread, unless `owner` is
    // gone by then. Make it on the user-interface thread, before the operation starts.
    template <typename... Args, typename Show>
    [[nodiscard]] static std::function<void(Args...)> toWindow(QObject* owner, Show show) {
        QPointer<QObject> guard(owner);
        return [guard, show = std::move(show)](Args... args) {
            postToUi([guard, show, args...] {
                if (guard) {
                    show(args...);
                }
            });
        };
    }

    // Runs `f` on the user-interface thread and returns its result; from an operation, waits
    // for it (a dialog, a question). `ifGone` is the answer once `owner` is gone, or once the
    // program is closing: no dialog opens then.
    template <typename R, typename F>
    R ask(QObject* owner, F f, R ifGone) {
        QPointer<QObject> guard(owner);
        R answer = std::move(ifGone);
        runOnUiAndWait([&] {
            if (guard && !shutDown_) {
                answer = f();
            }
        });
        return answer;
    }

  private:
    // The name of the window active now, asked of the user-interface thread; empty when none of
    // the program's is.
    static std::string activeScreen();
    static void postToUi(std::function<void()> f);
    static void runOnUiAndWait(const std::function<void()>& f);

    using Job = std::function<std::function<void()>(const link::JobScope&)>;
    bool launch(QObject* owner, Operation operation, Job job, std::function<void()> ended);
    void finish(const QPointer<QObject>& owner, const std::function<void()>& done,
                const std::function<void()>& ended, const std::shared_ptr<struct Failure>& failure);

    void holdEntries();
    void releaseEntries();
    void entrySwitched(QAction* entry, bool enabled);

    link::PortCatalogue& catalogue_;
    ErrorReporter& errors_;
    Messages& messages_;
    bool shutDown_ = false;
    QThread thread_;
    QObject* worker_;  // lives on thread_
    std::optional<Operation> running_;
    std::stop_source stopSource_;
    std::vector<QPointer<QAction>> guarded_;
    std::vector<QPointer<QAction>> held_;  // disabled by the running operation, to enable after
    bool switching_ = false;               // the guard itself is switching entries
};

}  // namespace tilt::platform::ui
