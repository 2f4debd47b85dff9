#include "link/poll.h"

#include "link/device_link.h"
#include "link/quiet_line.h"

namespace tilt::link {

namespace {
// A reply that went wrong may still be arriving; the line counts as quiet once no byte has
// come for this long. A line that never goes quiet is given up on after the bound.
constexpr Nanos kQuietAfter = ms(2);
constexpr Nanos kQuietBound = ms(500);
}  // namespace

void Poller::waitForQuiet() {
    // After a late reply, the answers to the requests sent while it was awaited are let come
    // and go before the next request, so that no reply is ever taken for a later request's.
    waitForQuietLine(link_, drainLate_ ? kPollReplyTimeout : kQuietAfter, kQuietBound);
    drainLate_ = false;
}

void Poller::dropAll() {
    link_.pace().countAskedAgain();  // what went wrong is asked for afresh
    held_.reset();
    inFlight_ = false;
    lineDirty_ = true;
}

void Poller::ask() {
    if (lineDirty_) {
        waitForQuiet();
        lineDirty_ = false;
    }
    if (link_.stopRequested()) {
        return;
    }
    link_.discardInput();  // a stray byte is never taken for the reply
    link_.sendByte(command_);
    askedAt_ = link_.now();
    inFlight_ = true;
}

std::optional<PolledReply> Poller::next(bool askAgainAtOnce) {
    if (!inFlight_) {
        ask();
        if (!inFlight_) {
            return std::nullopt;  // stopped
        }
    }
    const bool arrived = link_.waitForReply(replyBytes_, askedAt_, kPollReplyTimeout);
    if (link_.stopRequested()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> reply = link_.readAll();
    inFlight_ = false;
    if (!arrived || reply.size() != replyBytes_) {
        // A reply shifted by a surplus byte of the one held shows as a wrong count too.
        dropAll();
        lineDirty_ = arrived;  // too many at once: the rest of it may follow
        return std::nullopt;
    }
    const Nanos complete = link_.now();
    if (link_.lastReplyWasLate()) {
        askAgainAtOnce = false;
        lineDirty_ = drainLate_ = true;
    }
    if (askAgainAtOnce) {
        link_.sendByte(command_);
        askedAt_ = link_.now();
        inFlight_ = true;
    }
    link_.clock().sleepUntil(complete + kSurplusWindow, link_.stopToken());
    const bool late = link_.now() - complete >= kNextReplyEarliest;
    if (link_.bytesWaiting() > 0) {
        if (!askAgainAtOnce || !late) {
            // Longer than it looked, or shifted by the held reply's surplus byte: both go, and
            // so does the request already sent, whose reply would collide with the rest of
            // this one.
            dropAll();
            return std::nullopt;
        }
        // The next reply's first byte, or this one's surplus: the next reply's check tells.
        // The reply held before cannot be confirmed by this one.
        held_ = PolledReply{std::move(reply), complete};
        return std::nullopt;
    }
    std::optional<PolledReply> passed = std::move(held_);
    held_ = PolledReply{std::move(reply), complete};
    return passed;
}

std::optional<PolledReply> Poller::settle() {
    std::optional<PolledReply> last = std::move(held_);
    held_.reset();
    if (link_.stopRequested()) {
        // The loop ends here: the held reply has passed its own check, and a stopped link waits
        // for nothing more.
        inFlight_ = false;
        lineDirty_ = true;
        return last;
    }
    // What should come now: the reply of a request on its way, and nothing else. Anything more
    // or less is the held reply's late surplus byte, or a fault in this reply: the held reply
    // goes too.
    std::size_t expected = 0;
    if (inFlight_) {
        (void)link_.waitForReply(replyBytes_, askedAt_, kPollReplyTimeout);
        expected = replyBytes_;
    }
    inFlight_ = false;
    waitForQuiet();
    if (link_.bytesWaiting() != expected) {
        last.reset();
    }
    link_.discardInput();
    lineDirty_ = false;
    return last;
}

std::optional<std::vector<std::uint8_t>> poll(DeviceLink& link, std::uint8_t command,
                                              std::size_t replyBytes) {
    Poller poller(link, command, replyBytes);
    (void)poller.next(false);
    auto reply = poller.settle();
    if (!reply) {
        return std::nullopt;
    }
    return std::move(reply->bytes);
}

}  // namespace tilt::link
