#include "library/ui/serial_jobs.h"

#include <QString>
#include <exception>

namespace tilt::library::ui {

SerialJobs::SerialJobs(std::function<void(const QString& why)> failed)
    : failed_(std::move(failed)), thread_([this](std::stop_token end) { serve(end); }) {}

SerialJobs::~SerialJobs() {
    {
        const std::lock_guard lock(mutex_);
        waiting_.clear();
        current_.request_stop();
    }
    thread_.request_stop();
    thread_.join();
}

void SerialJobs::post(Work work) {
    ++pending_;
    {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(work));
    }
    wake_.notify_one();
}

int SerialJobs::stop() {
    const std::lock_guard lock(mutex_);
    // The dropped pieces will never hand over: they are no longer pending.
    const auto dropped = static_cast<int>(waiting_.size());
    pending_ -= dropped;
    waiting_.clear();
    current_.request_stop();
    return dropped;
}

void SerialJobs::serve(std::stop_token end) {
    while (true) {
        Work work;
        std::stop_token stop;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, end, [this] { return !waiting_.empty(); })) {
                return;
            }
            work = std::move(waiting_.front());
            waiting_.pop_front();
            current_ = std::stop_source();
            stop = current_.get_token();
        }
        Then then;
        try {
            then = work(stop);
        } catch (const std::exception& e) {
            then = [this, why = QString::fromStdString(e.what())] { failed_(why); };
        }
        handOver(std::move(then));
    }
}

void SerialJobs::handOver(Then then) {
    // Dropped by Qt when this object is gone: its destructor waits for this thread first.
    QMetaObject::invokeMethod(
        this,
        [this, then = std::move(then)] {
            --pending_;
            if (then) {
                then();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace tilt::library::ui
