#include "link/port_probe.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "common/error.h"
#include "link/device_link.h"
#include "link/protocol.h"

namespace tilt::link {

namespace {
constexpr std::int32_t kProbeWaitMs = 500;

void closeQuietly(DeviceLink& link) {
    try {
        link.close();
    } catch (...) {
        // Probing never reports.
    }
}
}  // namespace

bool testCommPort(DeviceLink& link, std::int16_t port) {
    try {
        link.setPort(port);
        link.open();
        link.close();
        return true;
    } catch (...) {
        closeQuietly(link);
        return false;
    }
}

bool detectDevice(DeviceLink& link, std::int16_t port) {
    try {
        link.setPort(port);
        link.open();
        link.sendByte(cmd::kProbe);
        link.delay(kProbeWaitMs);
        const auto& reply = link.readAll();
        link.close();
        return reply.size() == kProbeReplyBytes && reply.front() == cmd::kProbe;
    } catch (...) {
        closeQuietly(link);
        return false;
    }
}

bool probePort(PortCatalogue& catalogue, std::int16_t port, std::stop_token stop) {
    DeviceLink link(catalogue);
    link.setStopToken(std::move(stop));
    return testCommPort(link, port) && detectDevice(link, port) && !link.stopRequested();
}

ThreadStarter standardThreads() {
    return [](std::function<void()> work) -> std::function<void()> {
        auto thread = std::make_shared<std::thread>(std::move(work));
        return [thread] { thread->join(); };
    };
}

std::optional<std::int16_t> findDevice(std::int16_t first, std::int16_t last,
                                       const PortProbe& probe, const SearchOptions& options) {
    if (last < first) {
        return std::nullopt;
    }
    enum class Verdict { Pending, Absent, Present };
    const auto count = static_cast<std::size_t>(last - first + 1);
    std::vector<Verdict> verdicts(count, Verdict::Pending);
    std::mutex mutex;
    std::condition_variable_any changed;
    std::stop_source cancelProbes;
    std::stop_callback forwardStop(options.stop, [&] { cancelProbes.request_stop(); });

    std::vector<std::function<void()>> joins;
    joins.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto port = static_cast<std::int16_t>(first + static_cast<int>(i));
        joins.push_back(options.threads([&, i, port] {
            const bool found = probe(port, cancelProbes.get_token());
            {
                const std::lock_guard lock(mutex);
                verdicts[i] = found ? Verdict::Present : Verdict::Absent;
            }
            changed.notify_all();
            if (options.onPortDone) {
                options.onPortDone(port, found);
            }
        }));
    }

    std::optional<std::int16_t> answer;
    {
        std::unique_lock lock(mutex);
        for (std::size_t i = 0; i < count; ++i) {
            changed.wait(lock, options.stop, [&] { return verdicts[i] != Verdict::Pending; });
            if (verdicts[i] == Verdict::Pending) {
                break;  // cancelled
            }
            if (verdicts[i] == Verdict::Present) {
                answer = static_cast<std::int16_t>(first + static_cast<int>(i));
                break;
            }
        }
    }
    // Higher ports no longer matter: end their handshakes early. The workers join here.
    cancelProbes.request_stop();
    for (auto& join : joins) {
        join();
    }
    return answer;
}

}  // namespace tilt::link
