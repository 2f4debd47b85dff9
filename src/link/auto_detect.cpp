#include "link/auto_detect.h"

#include <mutex>
#include <vector>

namespace tilt::link {

std::optional<std::int16_t> autoDetect(PortCatalogue& catalogue, const ThreadStarter& threads,
                                       const std::function<void(const SearchProgress&)>& onProgress,
                                       std::stop_token stop) {
    constexpr int kPorts = kLastSearchPort - kFirstSearchPort + 1;
    std::mutex mutex;
    std::vector<bool> checked(kPorts, false);
    int checkedCount = 0;

    SearchOptions options;
    options.threads = threads;
    options.stop = stop;
    options.onPortDone = [&](std::int16_t port, bool) {
        SearchProgress progress;
        {
            const std::lock_guard lock(mutex);
            checked[static_cast<std::size_t>(port - kFirstSearchPort)] = true;
            progress.checked = ++checkedCount;
            progress.total = kPorts;
            for (int i = 0; i < kPorts; ++i) {
                if (!checked[static_cast<std::size_t>(i)]) {
                    progress.trying = static_cast<std::int16_t>(kFirstSearchPort + i);
                    break;
                }
            }
        }
        if (onProgress) {
            onProgress(progress);
        }
    };
    return findDevice(
        kFirstSearchPort, kLastSearchPort,
        [&](std::int16_t port, std::stop_token probeStop) {
            return probePort(catalogue, port, std::move(probeStop));
        },
        options);
}

}  // namespace tilt::link
