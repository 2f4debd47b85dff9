#pragma once

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "common/ui/latest_value.h"

namespace tilt::live::ui {

// What a live window asks of its feed, whatever its readings are.
class FrameFeed {
  public:
    virtual ~FrameFeed() = default;
    // Hands over what is waiting now (user-interface thread).
    virtual void flush() = 0;
    // Drops what is waiting (user-interface thread).
    virtual void discard() = 0;
};

// Every reading of a sampling loop, handed to the window once a frame as one batch: the readings
// that came since the last frame, oldest first. The loop adds each reading as it comes (device
// thread); a LatestValue carrying the running count wakes the window at most once a frame. So
// the window repaints at display rate, never works through a queue of signals, and still sees
// every reading, which the strip chart and the rate need. A window that does not take its
// readings for a long while loses the oldest, never the newest.
template <typename Sample>
class LiveFeed final : public FrameFeed {
  public:
    using Deliver = std::function<void(std::vector<Sample>)>;

    // `deliver` runs on the user-interface thread, in `owner`'s lifetime only.
    LiveFeed(QObject* owner, Deliver deliver)
        : batch_(std::make_shared<Batch>()),
          deliver_(std::move(deliver)),
          wake_(owner, [this](std::uint64_t) { deliverBatch(); }) {}

    // What the loop calls with each reading, from any thread. It keeps the batch alive on its
    // own, and its readings go nowhere once the window is gone.
    [[nodiscard]] std::function<void(const Sample&)> publisher() const {
        return [batch = batch_, wake = wake_.publisher()](const Sample& sample) {
            wake(batch->add(sample));
        };
    }

    void flush() override {
        wake_.discard();
        deliverBatch();
    }

    void discard() override {
        wake_.discard();
        (void)batch_->take();
    }

    // The most readings kept for a window that does not take them: minutes of the fastest loop.
    static constexpr std::size_t kMostWaiting = std::size_t{1} << 16;

  private:
    struct Batch {
        std::mutex mutex;
        std::vector<Sample> readings;
        std::uint64_t count = 0;

        std::uint64_t add(const Sample& sample) {
            const std::lock_guard lock(mutex);
            if (readings.size() >= kMostWaiting) {
                readings.erase(readings.begin(),
                               readings.begin() + static_cast<std::ptrdiff_t>(kMostWaiting / 2));
            }
            readings.push_back(sample);
            return ++count;
        }

        std::vector<Sample> take() {
            const std::lock_guard lock(mutex);
            return std::exchange(readings, {});
        }
    };

    void deliverBatch() {
        auto readings = batch_->take();
        if (!readings.empty()) {
            deliver_(std::move(readings));
        }
    }

    std::shared_ptr<Batch> batch_;
    Deliver deliver_;
    common::ui::LatestValue<std::uint64_t> wake_;
};

}  // namespace tilt::live::ui
