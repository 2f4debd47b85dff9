#pragma once

#include <array>
#include <cstddef>

#include "link/clock.h"

namespace tilt::link {

// How fast the logger on this connection answers, learnt from its replies: the time from a
// request going out to the last byte of its reply. From it follows how long a quiet line means
// that a reply, or the rest of one, is not coming. At 19200 baud the rest of a reply cut short
// comes within a few byte times; but loggers differ, and asking again while a slow one is still
// answering would shift every later reply, so the limit follows the pace this logger shows.
class ReplyPace {
  public:
    // Replies it takes before the limit follows their 95th percentile. A connection's first
    // replies already tell a fast logger from a slow one: from the first on, the limit is a wide
    // margin over the slowest seen, so one lost early reply does not cost the caller's whole limit.
    static constexpr std::size_t kLearnFrom = 3;
    static constexpr int kEarlySafetyFactor = 10;
    // How many of the newest replies the pace is taken from.
    static constexpr std::size_t kRemembered = 64;
    // The limit is this many times the reply time that 95 in 100 replies keep within...
    static constexpr int kSafetyFactor = 3;
    // ...and never less than this: some forty byte times at 19200 baud, room for the wake-up of
    // a busy computer (or a USB adapter that hands bytes on every few milliseconds), so that a
    // reply is not given up on for the host's own delay.
    static constexpr Nanos kLeastLimit = std::chrono::milliseconds(20);

    // A reply came whole, `took` after its request went out.
    void replied(Nanos took);

    // A reply was judged cut, or lost: the next limit is twice as long (up to the caller's own),
    // so a logger that has slowed down is heard out; a whole reply ends the widening.
    void judgedCut();

    // How long the line may stay quiet, from the request or from the newest byte of its reply,
    // before the reply counts as cut. `fallback` (the limit the caller has always used) holds
    // until the first reply, and bounds the learnt limit.
    [[nodiscard]] Nanos silenceLimit(Nanos fallback) const;

    // Replies given up on and asked for again on this connection: a bad cable shows here.
    [[nodiscard]] long askedAgain() const { return askedAgain_; }
    void countAskedAgain() { ++askedAgain_; }

    // A new connection: nothing is known of the logger behind it.
    void forget() { *this = ReplyPace{}; }

  private:
    // The 95th percentile of the remembered replies, times the safety factor; before there are
    // enough of them, the early factor times the slowest.
    [[nodiscard]] Nanos learntLimit() const;

    std::array<Nanos, kRemembered> times_{};
    std::size_t count_ = 0;  // replies seen, of which the newest kRemembered are kept
    int widenings_ = 0;      // cuts in a row since the last whole reply
    long askedAgain_ = 0;
};

}  // namespace tilt::link
