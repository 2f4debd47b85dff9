#include "logging/text_writer.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/quoted.h"
#include "logging/durable_files.h"

namespace tilt::logging {

namespace {
// Some failures leave errno at 0 (a short write without a reason); call them access errors.
int lastErrorOr(int fallback) {
    return errno != 0 ? errno : fallback;
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
            return Error(errc::kDiskFull, "Disk full: " + tilt::quoted(path) +
                                              " could not be written. Free some space on the "
                                              "disk and try again.");
        case EFBIG:
            return Error(errc::kDiskFull, "Disk full: " + tilt::quoted(path) +
                                              " cannot grow any further on its disk. Choose "
                                              "another disk or folder and try again.");
        case EACCES:
        case EPERM:
        case EROFS:
            return Error(errc::kPermissionDenied,
                         "Permission denied: " + tilt::quoted(path) + " cannot be " +
                             (reading ? "read" : "written") +
                             ". Check that the file is not read-only and that you may " +
                             (reading ? "read it." : "write to its folder."));
        case ENOENT:
            if (!reading && !folderExists(path)) {
                return Error(errc::kPathNotFound, "Path not found: the folder of " +
                                                      tilt::quoted(path) +
                                                      " does not exist. Create it, or choose "
                                                      "another folder.");
            }
            return Error(errc::kFileNotFound, "File not found: " + tilt::quoted(path) +
                                                  " does not exist. Check that the file and its "
                                                  "folder have not been moved or deleted.");
        default:
            return Error(errc::kPathFileAccess,
                         "Path/File access error: " + tilt::quoted(path) + " cannot be " +
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

void appendLine(const std::string& path, std::string_view text, Durability durability) {
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text).append("\r\n");
    const int error = durable::appendWhole(path, line, durability == Durability::Disk);
    if (error != 0) {
        throw fileError(error, path, FileUse::Write);
    }
}

void syncToDisk(const std::string& path) {
    const int error = durable::syncWithFolder(path);
    if (error != 0) {
        throw fileError(error, path, FileUse::Write);
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
    const int error = durable::openForAppending(path);
    if (error != 0) {
        throw fileError(error, path, FileUse::Write);
    }
    if (!existed) {
        std::filesystem::remove(path, code);
    }
}

}  // namespace tilt::logging
