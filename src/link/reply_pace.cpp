#include "link/reply_pace.h"

#include <algorithm>
#include <vector>

namespace tilt::link {

void ReplyPace::replied(Nanos took) {
    times_[count_ % kRemembered] = took;
    ++count_;
    widenings_ = 0;
}

void ReplyPace::judgedCut() {
    widenings_ = std::min(widenings_ + 1, 16);
}

Nanos ReplyPace::learntLimit() const {
    const std::size_t kept = std::min(count_, kRemembered);
    if (kept < kLearnFrom) {
        return *std::max_element(times_.begin(),
                                 times_.begin() + static_cast<std::ptrdiff_t>(kept)) *
               kEarlySafetyFactor;
    }
    std::vector<Nanos> sorted(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(kept));
    // The smallest time that at least 95 in 100 of the kept replies keep within.
    const std::size_t rank = (kept * 95 + 99) / 100 - 1;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank),
                     sorted.end());
    return sorted[rank] * kSafetyFactor;
}

Nanos ReplyPace::silenceLimit(Nanos fallback) const {
    if (count_ == 0) {
        return fallback;
    }
    Nanos limit = std::max(learntLimit(), kLeastLimit);
    for (int i = 0; i < widenings_ && limit < fallback; ++i) {
        limit *= 2;
    }
    return std::min(limit, fallback);
}

}  // namespace tilt::link
