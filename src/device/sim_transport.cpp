#include "device/sim_transport.h"

#include <algorithm>

#include "common/error.h"
#include "link/port_errors.h"

namespace tilt::device {

SimLine::SimLine(link::Clock& clock, std::optional<SimOptions> device) : clock_(clock) {
    if (device) {
        device_.emplace(*device, clock.now());
    }
}

void SimLine::unplug() {
    const std::lock_guard lock(mutex_);
    unplugged_ = true;
}

void SimLine::plugIn() {
    const std::lock_guard lock(mutex_);
    unplugged_ = false;
}

void SimLine::unplugAfterWrites(std::size_t bytes) {
    const std::lock_guard lock(mutex_);
    unplugged_ = bytes == 0;
    writesBeforeUnplug_ = unplugged_ ? std::nullopt : std::optional(bytes);
}

SimTransport::SimTransport(std::shared_ptr<SimLine> line, std::string name)
    : line_(std::move(line)), name_(std::move(name)) {}

SimTransport::~SimTransport() {
    close();
}

void SimTransport::open() {
    if (open_) {
        return;
    }
    const std::lock_guard lock(line_->mutex_);
    if (line_->unplugged_) {
        throw link::noSuchPortError(name_);
    }
    if (line_->open_) {
        throw link::portInUseError(name_);
    }
    line_->open_ = true;
    open_ = true;
    received_.clear();
    if (line_->device_) {
        // Whatever reached the line while nobody listened is gone.
        line_->device_->advanceTo(line_->clock_.now());
        (void)line_->device_->takeArrived(line_->clock_.now());
    }
}

void SimTransport::close() {
    if (!open_) {
        return;
    }
    const std::lock_guard lock(line_->mutex_);
    line_->open_ = false;
    open_ = false;
    received_.clear();
}

void SimTransport::throwIfUnplugged() const {
    if (line_->unplugged_) {
        throw link::portLostError(name_, "the simulated adapter was pulled out");
    }
}

void SimTransport::write(std::uint8_t byte) {
    if (!open_) {
        throw Error(errc::kPortNotOpen, "The port is not open.");
    }
    line_->withDevice([&](SimDevice* device) {
        throwIfUnplugged();
        if (device) {
            device->hostWrite(byte, line_->clock().now());
        }
        if (auto& left = line_->writesBeforeUnplug_; left && --*left == 0) {
            line_->unplugged_ = true;
            left.reset();
        }
    });
}

std::optional<link::Nanos> SimTransport::collect() {
    return line_->withDevice([&](SimDevice* device) -> std::optional<link::Nanos> {
        throwIfUnplugged();
        if (!device) {
            return std::nullopt;
        }
        const link::Nanos now = line_->clock().now();
        device->advanceTo(now);
        const auto arrived = device->takeArrived(now);
        received_.insert(received_.end(), arrived.begin(), arrived.end());
        return device->nextArrival();
    });
}

std::size_t SimTransport::bytesWaiting() {
    (void)collect();
    return received_.size();
}

std::vector<std::uint8_t> SimTransport::readAll() {
    (void)collect();
    std::vector<std::uint8_t> bytes;
    bytes.swap(received_);
    return bytes;
}

bool SimTransport::waitForBytes(std::size_t count, link::Nanos deadline, std::stop_token stop) {
    link::Clock& clock = line_->clock();
    for (;;) {
        const auto next = collect();
        if (received_.size() >= count) {
            return true;
        }
        if (stop.stop_requested() || clock.now() >= deadline) {
            return false;
        }
        clock.sleepUntil(next ? std::min(*next, deadline) : deadline, stop);
    }
}

int SimPortCatalogue::addDevice(const SimOptions& options, std::string name) {
    lines_.push_back(
        {std::move(name), "Simulated Tiltavarometer", std::make_shared<SimLine>(clock_, options)});
    return static_cast<int>(lines_.size());
}

int SimPortCatalogue::addSilentPort(std::string name) {
    lines_.push_back(
        {std::move(name), "No device", std::make_shared<SimLine>(clock_, std::nullopt)});
    return static_cast<int>(lines_.size());
}

std::shared_ptr<SimLine> SimPortCatalogue::line(int number) const {
    if (number < 1 || number > static_cast<int>(lines_.size())) {
        return nullptr;
    }
    return lines_[static_cast<std::size_t>(number - 1)].line;
}

std::vector<link::PortEntry> SimPortCatalogue::entries() const {
    std::vector<link::PortEntry> result;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        result.push_back({static_cast<int>(i + 1), lines_[i].name, lines_[i].description, true});
    }
    return result;
}

std::unique_ptr<link::Transport> SimPortCatalogue::transportFor(int number) {
    auto simLine = line(number);
    if (!simLine) {
        throw link::noSuchPortError("port " + std::to_string(number));
    }
    return std::make_unique<SimTransport>(simLine,
                                          lines_[static_cast<std::size_t>(number - 1)].name);
}

}  // namespace tilt::device
