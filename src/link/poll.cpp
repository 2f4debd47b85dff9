#include "link/poll.h"

#include "link/device_link.h"

namespace tilt::link {

namespace {
// A reply that went wrong may still be arriving; the line counts as quiet once no byte has
// come for this long.
constexpr Nanos kQuietAfter = ms(2);
}  // namespace

void Poller::waitForQuiet() {
    for (std::size_t seen = link_.bytesWaiting(); !link_.stopRequested();) {
        if (!link_.waitForBytes(seen + 1, link_.now() + kQuietAfter)) {
            break;
        }
        seen = link_.bytesWaiting();
    }
}

void Poller::ask() {
    if (lineDirty_) {
        waitForQuiet();
        lineDirty_ = false;
    }
    link_.discardInput();  // a stray byte is never taken for the reply
    link_.sendByte(command_);
    inFlight_ = true;
}

std::optional<std::vector<std::uint8_t>> Poller::next(bool askAgainAtOnce) {
    if (!inFlight_) {
        ask();
    }
    const bool arrived = link_.waitForBytes(replyBytes_, link_.now() + kPollReplyTimeout);
    if (link_.stopRequested()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> reply = link_.readAll();
    inFlight_ = false;
    if (!arrived || reply.size() != replyBytes_) {
        lineDirty_ = arrived;  // too many at once: the rest of it may follow
        return std::nullopt;
    }
    const Nanos complete = link_.now();
    if (askAgainAtOnce) {
        link_.sendByte(command_);
        inFlight_ = true;
    }
    link_.clock().sleepUntil(complete + kSurplusWindow, link_.stopToken());
    if (link_.bytesWaiting() > 0) {
        // The reply was longer than it looked: it is dropped, and so is the request already
        // sent, whose reply would collide with the rest of this one.
        inFlight_ = false;
        lineDirty_ = true;
        return std::nullopt;
    }
    return reply;
}

std::optional<std::vector<std::uint8_t>> poll(DeviceLink& link, std::uint8_t command,
                                              std::size_t replyBytes) {
    Poller poller(link, command, replyBytes);
    return poller.next(false);
}

}  // namespace tilt::link
