#include "platform/posix/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace tilt::platform {

namespace {
long long steadyNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::runtime_error systemError(const char* what) {
    return std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}
}  // namespace

PtyServer::PtyServer(const device::SimOptions& options)
    : options_(options), start_(steadyNanos()), device_(options, device::Nanos(start_)) {}

PtyServer::~PtyServer() {
    if (slave_ >= 0) {
        ::close(slave_);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
}

std::string PtyServer::open() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        throw systemError("cannot create a pseudo-terminal");
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        throw systemError("cannot name the pseudo-terminal");
    }
    const std::string path = name;
    // Holding the far end open keeps the terminal alive between clients; raw mode makes it a
    // plain 8-bit line (no echo, no line editing, no CR/LF translation).
    slave_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        throw systemError("cannot open the pseudo-terminal");
    }
    termios tio{};
    if (::tcgetattr(slave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B19200);
        ::cfsetospeed(&tio, B19200);
        ::tcsetattr(slave_, TCSANOW, &tio);
    }
    return path;
}

void PtyServer::deliverDueBytes(long long now) {
    device_.advanceTo(device::Nanos(now));
    const auto bytes = device_.takeArrived(device::Nanos(now));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            break;  // nobody draining the line: the bytes are lost, as on a real one
        }
        done += static_cast<std::size_t>(n);
    }
}

void PtyServer::takeHostBytes(long long now) {
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            device_.hostWrite(buffer[i], device::Nanos(now));
        }
    }
}

void PtyServer::logReceived(std::FILE* rxLog) {
    const auto& log = device_.rxLog();
    if (rxLog == nullptr) {
        return;
    }
    for (; logged_ < log.size(); ++logged_) {
        const auto& r = log[logged_];
        const double seconds = static_cast<double>(r.at.count() - start_) / 1e9;
        std::fprintf(rxLog, "%.6f %u\n", seconds, static_cast<unsigned>(r.value));
    }
    std::fflush(rxLog);
}

void PtyServer::serve(bool watchStdin, std::FILE* rxLog) {
    for (;;) {
        const long long now = steadyNanos();
        deliverDueBytes(now);
        const auto next = device_.nextArrival();
        timespec timeout{1, 0};
        if (next) {
            const long long wait = std::max(0LL, next->count() - now);
            timeout = {static_cast<time_t>(wait / 1000000000LL),
                       static_cast<long>(wait % 1000000000LL)};
        }
        pollfd fds[2] = {{master_, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = ::ppoll(fds, watchStdin ? 2 : 1, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            throw systemError("waiting on the pseudo-terminal");
        }
        if (ready <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            takeHostBytes(steadyNanos());
            logReceived(rxLog);
        }
        if (watchStdin && (fds[1].revents & (POLLIN | POLLHUP))) {
            char sink[256];
            if (::read(STDIN_FILENO, sink, sizeof sink) <= 0) {
                return;  // standard input closed: the caller is done with us
            }
        }
    }
}

}  // namespace tilt::platform
