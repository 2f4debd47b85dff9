#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace tilt::common::ui {

// How often a window repaints live readings: about 60 times a second.
inline constexpr std::chrono::milliseconds kFrameInterval{16};

// Runs `deliver` on the user-interface thread at most once a frame, however often it is woken.
// Lives on the user-interface thread.
class FramePacer final : public QObject {
  public:
    FramePacer(std::chrono::milliseconds frame, std::function<void()> deliver, QObject* parent);

    // Delivers at once when a frame has passed since the last delivery, else at the frame's end.
    void wake();

    // Delivers at once, whatever the time.
    void deliverNow();

  private:
    void due();

    std::chrono::milliseconds frame_;
    std::function<void()> deliver_;
    QElapsedTimer sinceDelivery_;
    QTimer timer_;
};

// Runs `f` on the user-interface thread, later; callable from any thread.
void postToUiThread(std::function<void()> f);

// A mailbox for live readings: an operation publishes every value it has (from the device
// thread, as fast as the device answers), and the window is handed the newest one at most once
// a frame. Values published in between replace each other, so a fast device never floods the
// window with queued signals, and the last value is never lost.
template <typename T>
class LatestValue {
  public:
    // `deliver` runs on the user-interface thread, in `owner`'s lifetime only.
    LatestValue(QObject* owner, std::function<void(T)> deliver,
                std::chrono::milliseconds frame = kFrameInterval)
        : slot_(std::make_shared<Slot>()) {
        slot_->pacer = new FramePacer(
            frame, [slot = slot_, deliver = std::move(deliver)] { slot->deliverTo(deliver); },
            owner);
    }
    ~LatestValue() { delete slot_->pacer.data(); }
    LatestValue(const LatestValue&) = delete;
    LatestValue& operator=(const LatestValue&) = delete;

    // What an operation calls with each new value, from any thread. It keeps the mailbox alive
    // on its own, and its values go nowhere once the owner is gone.
    [[nodiscard]] std::function<void(T)> publisher() const {
        return [slot = slot_](T value) { slot->put(std::move(value)); };
    }

    // Hands over the value waiting, if any, now (user-interface thread).
    void flush() {
        if (slot_->pacer) {
            slot_->pacer->deliverNow();
        }
    }

    // Drops the value waiting, if any (user-interface thread).
    void discard() { (void)slot_->take(); }

  private:
    struct Slot : std::enable_shared_from_this<Slot> {
        std::mutex mutex;
        std::optional<T> value;
        bool wakePosted = false;     // a wake-up is on its way to the pacer
        QPointer<FramePacer> pacer;  // used on the user-interface thread only

        void put(T v) {
            bool post = false;
            {
                const std::lock_guard lock(mutex);
                value = std::move(v);
                post = !std::exchange(wakePosted, true);
            }
            if (post) {
                postToUiThread([self = this->shared_from_this()] {
                    if (self->pacer) {
                        self->pacer->wake();
                    }
                });
            }
        }

        std::optional<T> take() {
            const std::lock_guard lock(mutex);
            wakePosted = false;
            return std::exchange(value, std::nullopt);
        }

        void deliverTo(const std::function<void(T)>& deliver) {
            if (auto v = take()) {
                deliver(std::move(*v));
            }
        }
    };

    std::shared_ptr<Slot> slot_;
};

}  // namespace tilt::common::ui
