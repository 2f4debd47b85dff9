#include "platform/system_port_catalogue.h"

#include <QSerialPortInfo>
#include <algorithm>

#include "common/error.h"
#include "device/sim_transport.h"
#include "link/port_errors.h"
#include "platform/serial_transport.h"

namespace tilt::platform {

namespace {
std::string describe(const QSerialPortInfo& info) {
    QString text = info.description();
    if (!info.manufacturer().isEmpty() && !text.contains(info.manufacturer())) {
        text += (text.isEmpty() ? "" : " - ") + info.manufacturer();
    }
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
        text += QStringLiteral(" (USB %1:%2)")
                    .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                    .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    }
    return text.trimmed().toStdString();
}
}  // namespace

SystemPortCatalogue::SystemPortCatalogue(link::Clock& clock) : clock_(clock) {}

void SystemPortCatalogue::ensureScanned() const {
    const std::lock_guard scanning(scanMutex_);  // one scan, however many threads ask at once
    {
        const std::lock_guard lock(mutex_);
        if (scanned_) {
            return;
        }
    }
    // Asking the system for its ports takes a while; a command that names its port by path
    // never needs them. The catalogue is not const underneath: only the scan is deferred.
    const_cast<SystemPortCatalogue*>(this)->refreshSystemPorts();
}

int SystemPortCatalogue::addSimulatedDevice(const device::SimOptions& options) {
    const std::lock_guard lock(mutex_);
    const int number = static_cast<int>(fixed_.size()) + 1;
    fixed_.push_back({{number, "sim", "Simulated Tiltavarometer", true},
                      std::make_shared<device::SimLine>(clock_, options)});
    for (auto& port : system_) {
        ++port.number;
    }
    for (auto& [location, assigned] : systemNumbers_) {
        ++assigned;
    }
    return number;
}

int SystemPortCatalogue::addNamedPort(const std::string& path) {
    const std::lock_guard lock(mutex_);
    const int number = static_cast<int>(fixed_.size()) + 1;
    fixed_.push_back({{number, path, "Named on the command line"}, nullptr});
    std::erase_if(system_, [&](const link::PortEntry& e) { return e.name == path; });
    systemNumbers_.clear();
    for (std::size_t i = 0; i < system_.size(); ++i) {
        system_[i].number = number + 1 + static_cast<int>(i);
        systemNumbers_[system_[i].name] = system_[i].number;
    }
    return number;
}

void SystemPortCatalogue::refreshSystemPorts() {
    auto infos = QSerialPortInfo::availablePorts();
    std::sort(infos.begin(), infos.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        return a.systemLocation() < b.systemLocation();
    });
    const std::lock_guard lock(mutex_);
    scanned_ = true;
    // A port keeps its number for the whole run, also when its adapter is unplugged and plugged
    // in again; ports seen for the first time are numbered after all others.
    int next = static_cast<int>(fixed_.size());
    for (const auto& [location, number] : systemNumbers_) {
        next = std::max(next, number);
    }
    system_.clear();
    for (const auto& info : infos) {
        const std::string location = info.systemLocation().toStdString();
        const bool named = std::any_of(fixed_.begin(), fixed_.end(),
                                       [&](const Entry& e) { return e.port.name == location; });
        if (named) {
            continue;
        }
        auto [it, isNew] = systemNumbers_.try_emplace(location, next + 1);
        next += isNew ? 1 : 0;
        system_.push_back({it->second, location, describe(info)});
    }
    std::sort(
        system_.begin(), system_.end(),
        [](const link::PortEntry& a, const link::PortEntry& b) { return a.number < b.number; });
}

std::vector<link::PortEntry> SystemPortCatalogue::entriesLocked() const {
    std::vector<link::PortEntry> all;
    for (const auto& entry : fixed_) {
        all.push_back(entry.port);
    }
    all.insert(all.end(), system_.begin(), system_.end());
    return all;
}

std::vector<link::PortEntry> SystemPortCatalogue::entries() const {
    ensureScanned();
    const std::lock_guard lock(mutex_);
    return entriesLocked();
}

std::optional<int> SystemPortCatalogue::numberOf(const std::string& name) const {
    ensureScanned();
    const std::lock_guard lock(mutex_);
    for (const auto& entry : entriesLocked()) {
        if (entry.name == name) {
            return entry.number;
        }
    }
    return std::nullopt;
}

std::unique_ptr<link::Transport> SystemPortCatalogue::transportFor(int number) {
    {
        const std::lock_guard lock(mutex_);
        if (number >= 1 && number <= static_cast<int>(fixed_.size())) {
            const Entry& entry = fixed_[static_cast<std::size_t>(number - 1)];
            if (entry.sim) {
                return std::make_unique<device::SimTransport>(entry.sim, entry.port.name);
            }
            return std::make_unique<SerialTransport>(entry.port.name, clock_);
        }
    }
    ensureScanned();
    const std::lock_guard lock(mutex_);
    for (const auto& port : system_) {
        if (port.number == number) {
            return std::make_unique<SerialTransport>(port.name, clock_);
        }
    }
#ifdef Q_OS_WIN
    if (number >= 1) {
        return std::make_unique<SerialTransport>("COM" + std::to_string(number), clock_);
    }
#endif
    throw link::noSuchPortError("Comm " + std::to_string(number));
}

}  // namespace tilt::platform
