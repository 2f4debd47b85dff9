#include "config/eeprom_transfer.h"

#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "shell/error.h"
#include "shell/error_reporter.h"
#include "shell/rounding.h"

namespace tilt::config {

namespace {

// A device that has said nothing for this long is waited for visibly, and asked again: a
// request or its reply may have been lost on the line.
constexpr link::Nanos kAskAgainAfter = link::ms(1000);
// After a reply of the wrong length, the line must be this quiet before the request is repeated.
constexpr link::Nanos kQuietLine = link::ms(20);

class CellReader {
  public:
    CellReader(link::DeviceLink& link, const CellReadOptions& options,
               const std::function<void(const CellReadProgress&)>& onProgress)
        : link_(link), options_(options), onProgress_(onProgress) {}

    // The cell's byte, or how the read ends.
    std::optional<TransferEnd> read(int address, std::uint8_t& value) {
        const link::Nanos start = link_.now();
        for (;;) {
            request(address);
            const link::Nanos asked = link_.now();
            if (!link_.waitForBytes(1, asked + kAskAgainAfter)) {
                if (link_.stopRequested()) {
                    return TransferEnd::Stopped;
                }
                report(true);
                if (options_.giveUpAfterSilence &&
                    link_.now() - start >= *options_.giveUpAfterSilence) {
                    return TransferEnd::DeviceSilent;
                }
                continue;
            }
            const auto& chunk = link_.readAll();
            if (chunk.size() == 1) {
                value = chunk.front();
                return std::nullopt;
            }
            letLineGoQuiet();
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
    }

    void letLineGoQuiet() {
        while (link_.waitForBytes(link_.bytesWaiting() + 1, link_.now() + kQuietLine)) {
        }
        link_.discardInput();
    }

    link::DeviceLink& link_;
    const CellReadOptions& options_;
    const std::function<void(const CellReadProgress&)>& onProgress_;
    int done_ = 0;
};

}  // namespace

CellReadResult readCells(link::DeviceLink& link, ErrorReporter& errors,
                         std::span<const int> addresses, const CellReadOptions& options,
                         const std::function<void(const CellReadProgress&)>& onProgress) {
    CellReadResult result;
    link::OpenCommPort(link, options.commPort, errors, options.window);
    if (!link.isOpen()) {
        result.end = TransferEnd::PortFailed;  // reported by the open
        return result;
    }
    CellReader reader(link, options, onProgress);
    try {
        for (const int address : addresses) {
            std::uint8_t value = 0;
            if (const auto end = reader.read(address, value)) {
                result.end = *end;
                break;
            }
            result.values.push_back(value);
            reader.taken();
        }
    } catch (const Error& e) {
        errors.report(e, "MSComm1_OnComm", options.window);
        result.end = TransferEnd::PortFailed;
    }
    link::CloseCommPort(link, errors, options.window);
    return result;
}

ConfigReadResult readConfiguration(link::DeviceLink& link, ErrorReporter& errors,
                                   const CellReadOptions& options,
                                   const std::function<void(const CellReadProgress&)>& onProgress) {
    std::vector<int> addresses;
    for (int step = kFirstReadStep; step <= kLastReadStep; ++step) {
        addresses.push_back(readStepAddress(step));
    }
    const auto cells = readCells(link, errors, addresses, options, onProgress);
    ConfigReadResult result;
    result.end = cells.end;
    for (std::size_t i = 0; i < cells.values.size(); ++i) {
        result.bytes[kFirstReadStep + i] = cells.values[i];
    }
    return result;
}

TransferEnd writeTicks(link::DeviceLink& link, ErrorReporter& errors,
                       std::span<const std::optional<CellWrite>> ticks,
                       const TickWriteOptions& options, const std::function<void(int)>& onTick) {
    link::OpenCommPort(link, options.commPort, errors, options.window);
    if (!link.isOpen()) {
        return TransferEnd::PortFailed;  // reported by the open
    }
    TransferEnd end = TransferEnd::Completed;
    try {
        const link::Nanos start = link.now();
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            link.clock().sleepUntil(start + kWriteTick * static_cast<long>(i + 1),
                                    link.stopToken());
            if (link.stopRequested()) {
                end = TransferEnd::Stopped;
                break;
            }
            if (ticks[i]) {
                link::requestWriteByte(link, ticks[i]->address, ticks[i]->value);
            }
            if (onTick) {
                onTick(static_cast<int>(i + 1));
            }
        }
    } catch (const Error& e) {
        errors.report(e, "TimerWrite_Timer", options.window);
        end = TransferEnd::PortFailed;
    }
    link::CloseCommPort(link, errors, options.window);
    return end;
}

}  // namespace tilt::config
