#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace tilt::library::ui {

// Work of a window on a thread of its own, one piece after the other, so that the window never
// waits on a file or on the library. Each piece runs there and returns what the window then does
// with its outcome; that runs on the window's thread. Pieces still waiting when this object goes
// are dropped; the one running is asked to stop and waited for, and its outcome dropped.
class SerialJobs final : public QObject {
  public:
    using Then = std::function<void()>;
    using Work = std::function<Then(std::stop_token)>;

    // `failed` hears of a piece that threw, with what it said, on the window's thread.
    explicit SerialJobs(std::function<void(const QString& why)> failed);
    ~SerialJobs() override;
    SerialJobs(const SerialJobs&) = delete;
    SerialJobs& operator=(const SerialJobs&) = delete;

    void post(Work work);
    // Asks the running piece to stop and drops the waiting ones, which it counts; the thread takes
    // new work after.
    int stop();
    // Pieces waiting, running, or whose outcome has not yet been handed over.
    [[nodiscard]] bool busy() const { return pending_ > 0; }

  private:
    void serve(std::stop_token end);
    void handOver(Then then);

    std::function<void(const QString&)> failed_;
    int pending_ = 0;  // on the window's thread
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<Work> waiting_;
    std::stop_source current_;  // of the piece that runs
    std::jthread thread_;       // last: it starts once the rest is in place
};

}  // namespace tilt::library::ui
