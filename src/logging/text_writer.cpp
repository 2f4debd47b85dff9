#include "logging/text_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tilt::logging {

namespace {
// Some failures leave errno at 0 (a short write without a reason); call them access errors.
int lastErrorOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

bool folderExists(const std::string& path) {
    std::error_code code;
    const auto folder = std::filesystem::absolute(path, code).parent_path();
    return std::filesystem::is_directory(folder, code);
}

// Less room than this on the disk cannot hold a download's header and a few pages.
constexpr std::uintmax_t kLeastFreeBytes = 64 * 1024;
}  // namespace

Error fileError(int errorCode, const std::string& path, FileUse use) {
    const bool reading = use == FileUse::Read;
    switch (errorCode) {
        case ENOSPC:
            return Error(errc::kDiskFull, "Disk full: " + quoted(path) +
                                              " could not be written. Free some space on the "
                                              "disk and try again.");
        case EFBIG:
            return Error(errc::kDiskFull, "Disk full: " + quoted(path) +
                                              " cannot grow any further on its disk. Choose "
                                              "another disk or folder and try again.");
        case EACCES:
        case EPERM:
        case EROFS:
            return Error(errc::kPermissionDenied,
                         "Permission denied: " + quoted(path) + " cannot be " +
                             (reading ? "read" : "written") +
                             ". Check that the file is not read-only and that you may " +
                             (reading ? "read it." : "write to its folder."));
        case ENOENT:
            if (!reading && !folderExists(path)) {
                return Error(errc::kPathNotFound, "Path not found: the folder of " + quoted(path) +
                                                      " does not exist. Create it, or choose "
                                                      "another folder.");
            }
            return Error(errc::kFileNotFound, "File not found: " + quoted(path) +
                                                  " does not exist. Check that the file and its "
                                                  "folder have not been moved or deleted.");
        default:
            return Error(errc::kPathFileAccess,
                         "Path/File access error: " + quoted(path) + " cannot be " +
                             (reading ? "read" : "written") + " (" +
                             std::generic_category().message(errorCode) + ").");
    }
}

FilePtr openForReading(const std::string& path) {
    errno = 0;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw fileError(lastErrorOr(EIO), path, FileUse::Read);
    }
    return file;
}

TextWriter::TextWriter(std::string path, Mode mode) : path_(std::move(path)) {
    if (mode == Mode::AppendExisting) {
        std::error_code ec;
        if (!std::filesystem::exists(path_, ec) && !ec) {
            throw fileError(ENOENT, path_, FileUse::Write);
        }
    }
    errno = 0;
    file_.reset(std::fopen(path_.c_str(), mode == Mode::Create ? "wb" : "ab"));
    if (!file_) {
        throw fileError(lastErrorOr(EIO), path_, FileUse::Write);
    }
    // Our own buffer already gathers the lines; a second copy in stdio gains nothing.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    buffer_.reserve(kFlushBytes + 4096);
}

TextWriter::~TextWriter() {
    if (file_ && !buffer_.empty()) {
        (void)std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get());
    }
}

void TextWriter::flush() {
    if (buffer_.empty()) {
        return;
    }
    errno = 0;
    const std::size_t written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get());
    const int error = lastErrorOr(EIO);
    const bool complete = written == buffer_.size();
    buffer_.clear();  // never offered twice, not even by the destructor
    if (!complete) {
        throw fileError(error, path_, FileUse::Write);
    }
}

void TextWriter::close() {
    flush();
    errno = 0;
    const int result = std::fclose(file_.release());
    if (result != 0) {
        throw fileError(lastErrorOr(EIO), path_, FileUse::Write);
    }
}

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

void appendLine(const std::string& path, std::string_view text, Durability durability) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (file.get() < 0) {
        throw fileError(lastErrorOr(EIO), path, FileUse::Write);
    }
    const off_t before = ::lseek(file.get(), 0, SEEK_END);
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text).append("\r\n");
    int error = writeAll(file.get(), line);
    if (error == 0 && durability == Durability::Disk && syncFailed(file.get())) {
        error = lastErrorOr(EIO);
    }
    if (error != 0) {
        // What part of the line got out is taken back: a half line would be read as data.
        if (before >= 0) {
            (void)::ftruncate(file.get(), before);
        }
        throw fileError(error, path, FileUse::Write);
    }
    if (::close(file.release()) != 0) {
        throw fileError(lastErrorOr(EIO), path, FileUse::Write);
    }
}

void syncToDisk(const std::string& path) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0 || syncFailed(file.get())) {
        throw fileError(lastErrorOr(EIO), path, FileUse::Write);
    }
    std::error_code code;
    const auto folder = std::filesystem::absolute(path, code).parent_path();
    Descriptor entry(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (entry.get() >= 0) {
        (void)::fsync(entry.get());  // best effort: not every file system syncs a folder
    }
}

void checkWritable(const std::string& path) {
    std::error_code code;
    const bool existed = std::filesystem::exists(path, code);
    if (folderExists(path)) {
        const auto room =
            std::filesystem::space(std::filesystem::absolute(path, code).parent_path(), code);
        if (!code && room.available < kLeastFreeBytes) {
            throw fileError(ENOSPC, path, FileUse::Write);
        }
    }
    errno = 0;
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        throw fileError(lastErrorOr(EIO), path, FileUse::Write);
    }
    if (!existed) {
        std::filesystem::remove(path, code);
    }
}

}  // namespace tilt::logging
