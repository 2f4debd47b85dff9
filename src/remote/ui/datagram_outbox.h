#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "remote/angle_sending.h"

namespace tilt::remote::ui {

// Datagrams composed on another thread on their way to a socket of the user-interface thread
// (a socket belongs to the thread that made it, and the window's, bound to its local port, is
// the one the other side listens for). Any thread posts; the user-interface thread is woken
// once for all that wait and sends them in order, so a fast device never floods its event
// queue, and the poster never waits. Should that thread fall more than kLimit datagrams
// behind, the oldest are dropped: stale angles are no use to the other side, and UDP promises
// no delivery anyway.
class DatagramOutbox {
  public:
    // About two seconds of sampling at the device's pace.
    static constexpr std::size_t kLimit = 1024;

    // `send` runs on the user-interface thread for each datagram, while this outbox lives.
    explicit DatagramOutbox(std::function<void(const std::string&)> send);
    ~DatagramOutbox();  // what still waits is dropped
    DatagramOutbox(const DatagramOutbox&) = delete;
    DatagramOutbox& operator=(const DatagramOutbox&) = delete;

    // Where a sampling loop posts, from any thread. It keeps the mailbox alive on its own, and
    // what it posts goes nowhere once the outbox is gone.
    [[nodiscard]] std::shared_ptr<DatagramSink> sink() const;

    // Sends what waits now (user-interface thread).
    void flush();

  private:
    struct Mailbox;
    std::shared_ptr<Mailbox> mailbox_;
};

}  // namespace tilt::remote::ui
