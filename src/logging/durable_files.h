#pragma once

#include <string>
#include <string_view>

// The few file calls that need more than the standard library gives: appending whole lines that
// reach the disk, and putting a new file's folder entry on the disk. They are the system's own
// (src/platform/posix/durable_files.cpp); each answers with the system's error number, as
// <cerrno> names them, or 0.
namespace tilt::logging::durable {

// Appends `bytes` to the end of an existing file, then, when `sync` is set, puts the file's data
// on the disk. On a failure, what part of `bytes` got out is cut off again.
[[nodiscard]] int appendWhole(const std::string& path, std::string_view bytes, bool sync);

// Puts a file's data on the disk, and its entry in its folder where the system can.
[[nodiscard]] int syncWithFolder(const std::string& path);

// Opens `path` for appending, creating it when missing, and closes it again.
[[nodiscard]] int openForAppending(const std::string& path);

}  // namespace tilt::logging::durable
