#include "config/eeprom_transfer.h"

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/rounding.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"
#include "link/quiet_line.h"

namespace tilt::config {

namespace {

// A device that has not answered properly for this long is shown as waited for.
constexpr link::Nanos kWaitingShownAfter = link::ms(1000);
// After a reply of the wrong length, the line must be this quiet before the request is repeated;
// a line that never goes quiet is given up on after the bound.
constexpr link::Nanos kQuietLine = link::ms(20);
constexpr link::Nanos kQuietBound = link::ms(1000);
// How long the answer to the realigning probe is waited for.
constexpr link::Nanos kRealignWait = link::ms(100);

class CellReader {
  public:
    CellReader(link::DeviceLink& link, const CellReadOptions& options,
               const std::function<void(const CellReadProgress&)>& onProgress)
        : link_(link), options_(options), onProgress_(onProgress) {}

    // The cell's byte, or how the read ends. A reply of the wrong length means the whole request
    // arrived, so it is asked again. A silence may mean the reply was lost, or the address byte:
    // then the device still waits for an address, and a plain repeat would give it 'r' for the
    // address and our address for a command (101 is an erase). So a silence is first answered
    // with 'f', harmless either way (read as an address it reads cell 102; as a command it is the
    // probe), and its one-byte answer is dropped before the request is repeated.
    std::optional<TransferEnd> read(int address, std::uint8_t& value) {
        const link::Nanos start = link_.now();
        request(address);
        for (;;) {
            if (link_.waitForReply(1, askedAt_, kWaitingShownAfter)) {
                const auto& chunk = link_.readAll();
                if (chunk.size() == 1) {
                    value = chunk.front();
                    return std::nullopt;
                }
                letLineGoQuiet();
            } else if (link_.stopRequested()) {
                return TransferEnd::Stopped;
            } else {
                // A reply lost on a noisy line is asked again at the logger's pace; the user
                // hears of a wait only once the device has been silent for a while.
                if (link_.now() - start >= kWaitingShownAfter) {
                    report(true);
                }
                realign();
            }
            link_.pace().countAskedAgain();
            if (options_.giveUpAfterSilence &&
                link_.now() - start >= *options_.giveUpAfterSilence) {
                return TransferEnd::DeviceSilent;
            }
            request(address);
        }
    }

    void report(bool waiting) {
        if (onProgress_) {
            onProgress_({done_, waiting});
        }
    }

    void taken() {
        ++done_;
        report(false);
    }

  private:
    // 'r', the pause, the address. A stray byte that came in the pause is no reply to this
    // request: it goes before the address does.
    void request(int address) {
        const std::uint8_t addressByte = toByte(address);
        link_.sendByte(link::cmd::kReadByte);
        link_.clock().sleepFor(link::ms(link::kArgumentPauseMs), {});
        link_.discardInput();
        link_.sendByte(addressByte);
        askedAt_ = link_.now();
    }

    void realign() {
        link_.sendByte(link::cmd::kProbe);
        (void)link_.waitForReply(1, link_.now(), kRealignWait);
        letLineGoQuiet();
    }

    void letLineGoQuiet() {
        link::waitForQuietLine(link_, kQuietLine, kQuietBound);
        link_.discardInput();
    }

    link::DeviceLink& link_;
    const CellReadOptions& options_;
    const std::function<void(const CellReadProgress&)>& onProgress_;
    int done_ = 0;
    link::Nanos askedAt_{0};  // when the newest request's address went out
};

}  // namespace

CellReadResult readCells(const link::JobScope& job, std::span<const int> addresses,
                         const CellReadOptions& options,
                         const std::function<void(const CellReadProgress&)>& onProgress) {
    CellReadResult result;
    CellReader reader(job.link(), options, onProgress);
    const auto readEach = [&] {
        for (const int address : addresses) {
            std::uint8_t value = 0;
            if (const auto end = reader.read(address, value)) {
                result.end = *end;
                return;
            }
            result.values.push_back(value);
            reader.taken();
        }
    };
    if (!link::exchangeOnPort(job, "MSComm1_OnComm", readEach)) {
        result.end = TransferEnd::PortFailed;
    }
    return result;
}

ConfigReadResult readConfiguration(const link::JobScope& job, const CellReadOptions& options,
                                   const std::function<void(const CellReadProgress&)>& onProgress) {
    std::vector<int> addresses;
    for (int step = kFirstReadStep; step <= kLastReadStep; ++step) {
        addresses.push_back(readStepAddress(step));
    }
    const auto cells = readCells(job, addresses, options, onProgress);
    ConfigReadResult result;
    result.end = cells.end;
    for (std::size_t i = 0; i < cells.values.size(); ++i) {
        result.bytes[kFirstReadStep + i] = cells.values[i];
    }
    return result;
}

std::vector<CellWrite> cellsWritten(std::span<const std::optional<CellWrite>> ticks,
                                    int ticksDone) {
    std::vector<CellWrite> cells;
    for (std::size_t i = 0; i < ticks.size() && static_cast<int>(i) < ticksDone; ++i) {
        if (ticks[i]) {
            cells.push_back(*ticks[i]);
        }
    }
    return cells;
}

std::string readingCaption(int done) {
    return "Reading " + std::to_string(kFirstReadStep + done);
}

std::string writingCaption(int done) {
    return "Writing " + std::to_string(kFirstWriteStep + done);
}

TickWriteResult writeTicks(const link::JobScope& job,
                           std::span<const std::optional<CellWrite>> ticks,
                           const std::function<void(int)>& onTick) {
    link::DeviceLink& link = job.link();
    TickWriteResult result;
    const auto writeEach = [&] {
        const link::Nanos start = link.now();
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            link.clock().sleepUntil(start + kWriteTick * static_cast<long>(i + 1),
                                    link.stopToken());
            if (link.stopRequested()) {
                result.end = TransferEnd::Stopped;
                return;
            }
            if (ticks[i]) {
                link::requestWriteByte(link, ticks[i]->address, ticks[i]->value);
            }
            result.ticksDone = static_cast<int>(i + 1);
            if (onTick) {
                onTick(result.ticksDone);
            }
        }
    };
    if (!link::exchangeOnPort(job, "TimerWrite_Timer", writeEach)) {
        result.end = TransferEnd::PortFailed;
    }
    return result;
}

}  // namespace tilt::config
