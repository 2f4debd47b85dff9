// Resident memory of the benchmark process, for the benchmarks that promise to stay small.
#pragma once

#include <sys/resource.h>

#include <fstream>
#include <string>

namespace tilt::bench {

// Linux lets a process restart its high-water mark; elsewhere the peak below is the process's
// peak so far.
inline void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A figure of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); 0 where there is none.
inline long statusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == field) {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

// AddressSanitizer keeps freed blocks in a quarantine of up to 256 MB, so under it the resident
// size grows with everything that passed through, not with what is kept: growth is no measure.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kResidentGrowthMeasuresWhatIsKept = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kResidentGrowthMeasuresWhatIsKept = false;
#else
inline constexpr bool kResidentGrowthMeasuresWhatIsKept = true;
#endif
#else
inline constexpr bool kResidentGrowthMeasuresWhatIsKept = true;
#endif

// Resident memory now (KiB).
inline long currentKiB() {
    return statusKiB("VmRSS:");
}

// Peak resident memory (KiB) since the last resetPeak(). The kernel's own high-water mark, not
// getrusage(): that one also keeps the peak seen whenever a thread ended, which a reset does not
// clear.
inline long peakKiB() {
    if (const long peak = statusKiB("VmHWM:"); peak > 0) {
        return peak;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace tilt::bench
