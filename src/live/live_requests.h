#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <variant>

namespace tilt::live {

enum class Axis { X, Y };

// Store the attitude last read as the axis's tare (the raw word into its tare cells), or clear
// the tare (0 into them).
struct TareRequest {
    Axis axis = Axis::X;
    bool remove = false;
};

// Write a DAC setting (1 to 3) into its cells; the value is checked (0 to 65535) before it is
// asked for.
struct DacRequest {
    int dac = 1;
    int value = 0;
};

using LoopRequest = std::variant<TareRequest, DacRequest>;

// Requests a window makes while a sampling loop runs: posted from the window's thread, carried
// out by the loop between two replies. The window never waits for them.
class LoopRequests {
  public:
    void post(LoopRequest request) {
        const std::lock_guard lock(mutex_);
        pending_.push_back(request);
    }

    [[nodiscard]] bool empty() const {
        const std::lock_guard lock(mutex_);
        return pending_.empty();
    }

    [[nodiscard]] std::optional<LoopRequest> take() {
        const std::lock_guard lock(mutex_);
        if (pending_.empty()) {
            return std::nullopt;
        }
        LoopRequest request = pending_.front();
        pending_.pop_front();
        return request;
    }

  private:
    mutable std::mutex mutex_;
    std::deque<LoopRequest> pending_;
};

}  // namespace tilt::live
