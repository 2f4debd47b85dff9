#include "logging/durable_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tilt::logging::durable {

namespace {

// A file descriptor that closes itself.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// Some failures leave errno at 0 (a short write without a reason); call them I/O errors.
int lastError() {
    return errno != 0 ? errno : EIO;
}

// Writes all of `bytes`; the error number when the system took only part of them.
int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (written == 0) {
            return ENOSPC;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Devices and pipes have nothing to sync; that is no failure of the line.
bool syncFailed(int fd) {
    return ::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS;
}

}  // namespace

int appendWhole(const std::string& path, std::string_view bytes, bool sync) {
    errno = 0;
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (file.get() < 0) {
        return lastError();
    }
    const off_t before = ::lseek(file.get(), 0, SEEK_END);
    int error = writeAll(file.get(), bytes);
    if (error == 0 && sync && syncFailed(file.get())) {
        error = lastError();
    }
    if (error != 0) {
        // A half line would be read as data.
        if (before >= 0) {
            (void)::ftruncate(file.get(), before);
        }
        return error;
    }
    return ::close(file.release()) != 0 ? lastError() : 0;
}

int syncWithFolder(const std::string& path) {
    errno = 0;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0 || syncFailed(file.get())) {
        return lastError();
    }
    std::error_code code;
    const auto folder = std::filesystem::absolute(path, code).parent_path();
    Descriptor entry(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (entry.get() >= 0) {
        (void)::fsync(entry.get());  // best effort: not every file system syncs a folder
    }
    return 0;
}

int openForAppending(const std::string& path) {
    errno = 0;
    const Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    return file.get() < 0 ? lastError() : 0;
}

}  // namespace tilt::logging::durable
