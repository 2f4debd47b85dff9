#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "device/attitude.h"
#include "device/device_memory.h"
#include "device/random.h"
#include "device/sim_options.h"

namespace tilt::device {

// A byte the device received, with the time its stop bit ended.
struct ReceivedByte {
    Nanos at{0};
    std::uint8_t value = 0;
};

// The simulated Tiltavarometer, seen from the line: bytes go in at known times, replies come
// out at the times a 19200-baud 8N1 line would deliver them. It keeps no clock of its own;
// whoever drives it (the in-process transport, the pseudo-terminal server) tells it the time,
// always moving forward.
class SimDevice {
  public:
    // `powerUp` is the time the device was switched on: the origin of its motion and faults.
    explicit SimDevice(const SimOptions& options, Nanos powerUp = Nanos{0});

    // The host put `byte` on the line at `sentAt`; the device takes it once it has crossed.
    void hostWrite(std::uint8_t byte, Nanos sentAt);

    // Runs the device's own work (erase, logging) up to `t`.
    void advanceTo(Nanos t);

    // When the next reply byte reaches the host, if any is on its way.
    [[nodiscard]] std::optional<Nanos> nextArrival() const;

    // Reply bytes that reached the host by `t`, oldest first.
    [[nodiscard]] std::vector<std::uint8_t> takeArrived(Nanos t);

    // Goes quiet from `from` until `until`, as a logger whose cable is loose for a moment:
    // nothing it would send in between reaches the host.
    void silenceBetween(Nanos from, Nanos until) { extraSilence_ = {from, until}; }

    [[nodiscard]] const std::vector<ReceivedByte>& rxLog() const { return rxLog_; }
    [[nodiscard]] DeviceMemory& memory() { return memory_; }
    [[nodiscard]] const DeviceMemory& memory() const { return memory_; }
    [[nodiscard]] bool erasing(Nanos t) const { return eraseEnd_ && t < *eraseEnd_; }
    [[nodiscard]] bool logging() const { return logStart_.has_value(); }
    [[nodiscard]] Nanos byteTime() const { return byteTime_; }

    // Time the device takes to erase its memory, spreading 2050 progress bytes over it.
    static constexpr Nanos kEraseTime = std::chrono::seconds(8);
    // Time from a request's last byte to the start of the reply.
    static constexpr Nanos kReplyLatency = std::chrono::microseconds(300);

  private:
    struct Outgoing {
        Nanos at{0};  // arrival at the host
        std::uint8_t value = 0;
    };

    void receive(std::uint8_t byte, Nanos at);
    void execute(const std::vector<std::uint8_t>& frame, Nanos at);
    void reply(std::vector<std::uint8_t> bytes, Nanos requestEnd);
    [[nodiscard]] std::vector<std::optional<std::uint8_t>> withFault(
        std::vector<std::uint8_t> bytes);
    void emitSlot(std::optional<std::uint8_t> value, Nanos earliestStart);
    [[nodiscard]] bool silenced(Nanos t) const;
    void startErase(Nanos at);
    void startLogging(Nanos at);
    void logUpTo(Nanos t);
    [[nodiscard]] std::vector<std::uint8_t> angleReply(Nanos at);
    [[nodiscard]] std::vector<std::uint8_t> accelerationReply(Nanos at);
    [[nodiscard]] double seconds(Nanos t) const;

    SimOptions options_;
    DeviceMemory memory_;
    Attitude attitude_;
    Random faultRandom_;
    Random noiseRandom_;
    Random delayRandom_;
    Nanos byteTime_{0};
    Nanos powerUp_{0};

    Nanos rxLineFree_{0};
    Nanos txLineFree_{0};
    std::deque<Outgoing> outgoing_;
    std::vector<ReceivedByte> rxLog_;

    // Command parser: a command waiting for its argument bytes.
    std::vector<std::uint8_t> pending_;

    std::optional<Nanos> eraseEnd_;
    bool logAfterErase_ = false;
    std::optional<Nanos> logStart_;
    std::int64_t samplesLogged_ = 0;
    std::pair<Nanos, Nanos> extraSilence_{};
};

}  // namespace tilt::device
