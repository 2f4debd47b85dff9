#include "remote/ui/datagram_outbox.h"

#include <deque>
#include <mutex>
#include <utility>

#include "common/ui/latest_value.h"

namespace tilt::remote::ui {

struct DatagramOutbox::Mailbox final : DatagramSink, std::enable_shared_from_this<Mailbox> {
    std::mutex mutex;
    std::deque<std::string> waiting;
    bool wakePosted = false;  // a wake-up is on its way to the user-interface thread
    // Used on the user-interface thread only; empty once the outbox is gone.
    std::function<void(const std::string&)> deliver;

    void send(const std::string& datagram) override {
        bool wake = false;
        {
            const std::lock_guard lock(mutex);
            waiting.push_back(datagram);
            if (waiting.size() > kLimit) {
                waiting.pop_front();
            }
            wake = !std::exchange(wakePosted, true);
        }
        if (wake) {
            common::ui::postToUiThread([self = shared_from_this()] { self->sendWaiting(); });
        }
    }

    void sendWaiting() {
        std::deque<std::string> batch;
        {
            const std::lock_guard lock(mutex);
            wakePosted = false;
            batch.swap(waiting);
        }
        if (!deliver) {
            return;
        }
        for (const std::string& datagram : batch) {
            deliver(datagram);
        }
    }
};

DatagramOutbox::DatagramOutbox(std::function<void(const std::string&)> send)
    : mailbox_(std::make_shared<Mailbox>()) {
    mailbox_->deliver = std::move(send);
}

DatagramOutbox::~DatagramOutbox() {
    mailbox_->deliver = nullptr;
}

std::shared_ptr<DatagramSink> DatagramOutbox::sink() const {
    return mailbox_;
}

void DatagramOutbox::flush() {
    mailbox_->sendWaiting();
}

}  // namespace tilt::remote::ui
