#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tilt {

// Error numbers kept stable across releases; where the original platform had a run-time error
// number for the same failure we reuse it, so error logs stay comparable.
namespace errc {
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kDiskFull = 61;
inline constexpr std::int32_t kInputPastEndOfFile = 62;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccess = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kPortNotOpen = 8000;
inline constexpr std::int32_t kInvalidPortNumber = 8002;
inline constexpr std::int32_t kPortAlreadyOpen = 8005;
inline constexpr std::int32_t kPortIo = 8010;
// An open port stopped working: the device went away under us.
inline constexpr std::int32_t kPortLost = 8020;
inline constexpr std::int32_t kBadArgument = 5;
inline constexpr std::int32_t kDialogCancelled = 32755;  // "Cancel was selected."
}  // namespace errc

// An unexpected failure: a number and a description, as the error log records them.
class Error : public std::runtime_error {
  public:
    Error(std::int32_t number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    [[nodiscard]] std::int32_t number() const noexcept { return number_; }
    [[nodiscard]] std::string description() const { return what(); }

  private:
    std::int32_t number_;
};

[[noreturn]] inline void throwOverflow() {
    throw Error(errc::kOverflow, "Overflow");
}

}  // namespace tilt
