#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>

namespace tilt::testing {

// A disk that fills up after `bytes`: while this lives, no file of the process may grow past
// that size (a write that would is cut short, then fails with EFBIG), as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::uintmax_t bytes) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousSignal_ = signal(SIGXFSZ, SIG_IGN);  // the failed write tells; no signal
        rlimit limit = previous_;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        signal(SIGXFSZ, previousSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    sighandler_t previousSignal_ = SIG_DFL;
};

}  // namespace tilt::testing
