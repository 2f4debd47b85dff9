#include "device/sim_device.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tilt::device {

namespace {
// 10 bits a byte at 19200 baud.
constexpr Nanos kByteTime{520833};
constexpr int kFirmwareVersionTimes1000 = 2150;
constexpr double kBinPeriodPerIncrementSeconds = 10.0;

std::size_t argumentCount(std::uint8_t command) {
    switch (command) {
        case 'r':
            return 1;
        case 'p':
        case 'd':
            return 2;
        default:
            return 0;
    }
}

std::vector<std::uint8_t> wordBytes(int word) {
    const int w = word & 0xFFFF;
    return {static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w & 0xFF)};
}

int wrapToInt16(int value) {
    return ((value + 32768) % 65536 + 65536) % 65536 - 32768;
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}
}  // namespace

SimDevice::SimDevice(const SimOptions& options, Nanos powerUp)
    : options_(options),
      memory_(powerUpMemory(options)),
      attitude_(options.seed, options.attitude),
      faultRandom_(options.seed ^ 0xFA017ULL),
      noiseRandom_(options.seed ^ 0x0153ULL),
      delayRandom_(options.seed ^ 0xDE1AULL),
      byteTime_(options.pace ? kByteTime : Nanos{0}),
      powerUp_(powerUp),
      rxLineFree_(powerUp),
      txLineFree_(powerUp) {}

double SimDevice::seconds(Nanos t) const {
    return std::chrono::duration<double>(t - powerUp_).count();
}

void SimDevice::hostWrite(std::uint8_t byte, Nanos sentAt) {
    const Nanos start = std::max(sentAt, rxLineFree_);
    const Nanos end = start + byteTime_;
    rxLineFree_ = end;
    advanceTo(end);
    receive(byte, end);
}

void SimDevice::advanceTo(Nanos t) {
    if (eraseEnd_ && t >= *eraseEnd_) {
        const Nanos end = *eraseEnd_;
        eraseEnd_.reset();
        if (logAfterErase_) {
            logAfterErase_ = false;
            startLogging(end);
        }
    }
    if (logStart_) {
        logUpTo(t);
    }
}

std::optional<Nanos> SimDevice::nextArrival() const {
    if (outgoing_.empty()) {
        return std::nullopt;
    }
    return outgoing_.front().at;
}

std::vector<std::uint8_t> SimDevice::takeArrived(Nanos t) {
    std::vector<std::uint8_t> bytes;
    while (!outgoing_.empty() && outgoing_.front().at <= t) {
        bytes.push_back(outgoing_.front().value);
        outgoing_.pop_front();
    }
    return bytes;
}

void SimDevice::receive(std::uint8_t byte, Nanos at) {
    if (options_.keepRxLog) {
        rxLog_.push_back({at, byte});
    }
    if (erasing(at)) {
        // Busy erasing: only a start-logging command is remembered, for when the erase ends.
        if (pending_.empty() && byte == 'X') {
            logAfterErase_ = true;
        }
        return;
    }
    pending_.push_back(byte);
    if (pending_.size() > argumentCount(pending_.front())) {
        std::vector<std::uint8_t> frame;
        frame.swap(pending_);
        execute(frame, at);
    }
}

void SimDevice::execute(const std::vector<std::uint8_t>& frame, Nanos at) {
    switch (frame[0]) {
        case 'f':
            reply({'f'}, at);
            break;
        case 'r':
            reply({memory_.eeprom[frame[1]]}, at);
            break;
        case 'p':
            memory_.eeprom[frame[1]] = frame[2];
            break;
        case 'A':
            reply(angleReply(at), at);
            break;
        case 'a':
            reply(accelerationReply(at), at);
            break;
        case 'd': {
            const int page = frame[1] * 256 + frame[2];
            if (page < kFlashPages) {
                const auto bytes = memory_.page(page);
                reply({bytes.begin(), bytes.end()}, at);
            }
            break;
        }
        case 'l':
            reply(wordBytes(kFirmwareVersionTimes1000), at);
            break;
        case 'm':
            reply(wordBytes(static_cast<int>(linearRateHz(memory_) * 10.0)), at);
            break;
        case 'e':
            startErase(at);
            break;
        case 'X':
            startLogging(at);
            break;
        default:
            break;  // not a command: the firmware ignores it
    }
}

void SimDevice::reply(std::vector<std::uint8_t> bytes, Nanos requestEnd) {
    const auto& change = options_.replyDelayChange;
    const Nanos delay =
        change && requestEnd - powerUp_ >= change->at ? change->delay : options_.replyDelay;
    Nanos start = requestEnd + (options_.pace ? kReplyLatency : Nanos{0}) + delay;
    if (options_.replyJitter > Nanos{0}) {
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(options_.replyJitter);
        start += std::chrono::microseconds(delayRandom_.below(static_cast<int>(us.count()) + 1));
    }
    for (const auto slot : withFault(std::move(bytes))) {
        emitSlot(slot, start);
    }
}

// At most one fault strikes a reply: the line has no checksum and replies are judged by their
// length alone, so a lost and an extra byte in one reply would cancel out unseen, which no
// program could recover from.
std::vector<std::optional<std::uint8_t>> SimDevice::withFault(std::vector<std::uint8_t> bytes) {
    std::vector<std::optional<std::uint8_t>> slots(bytes.begin(), bytes.end());
    if (slots.empty()) {
        return slots;
    }
    const FaultPlan& f = options_.faults;
    const auto at = static_cast<std::size_t>(faultRandom_.below(static_cast<int>(slots.size())));
    if (faultRandom_.chance(f.shortReply)) {
        slots.resize(at);
    } else if (faultRandom_.chance(f.lose)) {
        slots[at].reset();  // the line carried it, the host never sees it
    } else if (faultRandom_.chance(f.extra)) {
        slots.insert(slots.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                     static_cast<std::uint8_t>(faultRandom_.below(256)));
    } else if (faultRandom_.chance(f.garble)) {
        slots[at] = static_cast<std::uint8_t>(*slots[at] ^ (1 + faultRandom_.below(255)));
    }
    return slots;
}

void SimDevice::emitSlot(std::optional<std::uint8_t> value, Nanos earliestStart) {
    const Nanos start = std::max(earliestStart, txLineFree_);
    const Nanos arrival = start + byteTime_;
    txLineFree_ = arrival;
    if (value && !silenced(start)) {
        outgoing_.push_back({arrival, *value});
    }
}

bool SimDevice::silenced(Nanos t) const {
    if (t >= extraSilence_.first && t < extraSilence_.second) {
        return true;
    }
    const FaultPlan& f = options_.faults;
    if (f.silenceLength.count() <= 0 || f.silenceEvery.count() <= 0) {
        return false;
    }
    const Nanos sinceOn = t - powerUp_;
    return sinceOn >= f.silenceEvery && sinceOn % f.silenceEvery < f.silenceLength;
}

void SimDevice::startErase(Nanos at) {
    memory_.eraseFlash();
    logStart_.reset();
    eraseEnd_ = at + kEraseTime;
    constexpr auto kProgress = static_cast<Nanos::rep>(2050);
    for (Nanos::rep i = 0; i < kProgress; ++i) {
        const Nanos due = at + kEraseTime * (i + 1) / kProgress;
        emitSlot(static_cast<std::uint8_t>(i * kFlashPages / kProgress), due);
    }
}

void SimDevice::startLogging(Nanos at) {
    writeSessionHeaderPage(memory_);
    logStart_ = at;
    samplesLogged_ = 0;
}

void SimDevice::logUpTo(Nanos t) {
    if (t <= *logStart_) {
        return;
    }
    const double elapsed = std::chrono::duration<double>(t - *logStart_).count();
    const double rate = linearRateHz(memory_);
    const double startSeconds = seconds(*logStart_);
    if (memory_.eeprom[cell::kMode] == 0) {
        // Bin mode closes one histogram pair per period.
        const double period =
            std::max(1, static_cast<int>(memory_.eeprom[cell::kUpdateTimeIncrement])) *
            kBinPeriodPerIncrementSeconds;
        const auto due = static_cast<std::int64_t>(elapsed / period);
        while (samplesLogged_ < due && recordBinPair(memory_, static_cast<int>(samplesLogged_),
                                                     attitude_, startSeconds, period, rate)) {
            ++samplesLogged_;
        }
        return;
    }
    const int channel = memory_.eeprom[cell::kChannel];
    const auto due = static_cast<std::int64_t>(elapsed * rate);
    samplesLogged_ =
        recordLinearSamples(memory_, channel, attitude_, samplesLogged_, due, startSeconds, rate);
}

std::vector<std::uint8_t> SimDevice::angleReply(Nanos at) {
    const double s = seconds(at);
    int x = angleWord(attitude_.angleX(s), 180);
    int y = angleWord(attitude_.angleY(s), 90);
    if (memory_.eeprom[cell::kTareEnable] == 1) {
        // Tare words are two's complement, like the angle words themselves.
        x = wrapToInt16(x - wrapToInt16(memory_.word(cell::kTareX)));
        y = std::clamp(y - wrapToInt16(memory_.word(cell::kTareY)), -32768, 32767);
    }
    auto bytes = wordBytes(x);
    const auto yBytes = wordBytes(y);
    bytes.insert(bytes.end(), yBytes.begin(), yBytes.end());
    return bytes;
}

std::vector<std::uint8_t> SimDevice::accelerationReply(Nanos at) {
    const double s = seconds(at);
    const double roll = radians(attitude_.angleX(s));
    const double pitch = radians(attitude_.angleY(s));
    const double g[3] = {std::sin(pitch), -std::sin(roll) * std::cos(pitch),
                         std::cos(roll) * std::cos(pitch)};
    std::vector<std::uint8_t> bytes;
    for (int axis = 0; axis < 3; ++axis) {
        const double offset = memory_.word(cell::kOffsetX + 2 * axis);
        const double gain = memory_.word(cell::kGainX + 2 * axis);
        const double noise = noiseRandom_.unit() * 2.0 - 1.0;
        const double count = std::clamp(std::round(offset + gain * g[axis] + noise), 0.0, 1023.0);
        const auto w = wordBytes(static_cast<int>(count));
        bytes.insert(bytes.end(), w.begin(), w.end());
    }
    return bytes;
}

}  // namespace tilt::device
