#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/data_file_header.h"

namespace tilt {
class ErrorReporter;
class FileDialogs;
struct AppState;
}  // namespace tilt

namespace tilt::logging {

// The kinds of data file (line 2 of every data file).
inline constexpr std::string_view kDownloadPages = "Download Pages";
inline constexpr std::string_view kAngles = "Angles";
inline constexpr std::string_view kAccelerometers = "Accelerometers";

using tilt::DataFileHeader;

// What the header lines say before their values, in line order: lines 1 and 3 to 11.
inline constexpr std::string_view kFirstLinePrefix =
    "Veltrimonic Tiltavarometer Data File Version ";
inline constexpr std::string_view kFirmwareLabel = "Firmware Version: ";
inline constexpr std::string_view kSerialNumberLabel = "Serial Number: ";
inline constexpr std::string_view kLaunchTimeLabel = "Launch Time: ";
inline constexpr std::string_view kFrequencyLabel = "Firmware Sampling Frequency: ";
inline constexpr std::string_view kGainsLabel = "Channel Gains: ";
inline constexpr std::string_view kOffsetsLabel = "Channel Offsets: ";
inline constexpr std::string_view kTaresLabel = "Tares: ";
inline constexpr std::string_view kModePrefix = "Bin/Linear Mode = ";
inline constexpr std::string_view kChannelPrefix = "Linear Channel = ";

// The page number that starts a page line, if it is a plain positive whole number.
[[nodiscard]] std::optional<std::int32_t> pageNumberOf(std::string_view line);

// The header of a live data file: the program's version, and what the last download read from
// the logger, if there was one.
[[nodiscard]] DataFileHeader liveFileHeader(const AppState& state);

// Every line of a data file before its data lines, without line ends: header lines 1 to 9,
// then lines 10 to 12 of a "Download Pages" file or the column line of a live file.
[[nodiscard]] std::vector<std::string> headerLines(std::string_view kind,
                                                   const DataFileHeader& header);

// The save dialog for a new data file ("TLG Files (*.tlg)" preselected, opening in
// `dataFilesFolder`, asking before it overwrites), then the file with its header lines.
// Nothing when the user cancelled. A file that cannot be written still gives its path (the
// line writers then report their failures); nothing is reported here.
[[nodiscard]] std::optional<std::string> createDataFile(
    FileDialogs& dialogs, const std::filesystem::path& dataFilesFolder, std::string_view kind,
    const DataFileHeader& header);

// The two halves of createDataFile, for a caller that looks at the chosen file before it is
// emptied (to resume a download into it, asking about it itself: `confirmOverwrite` false). The
// header writer puts the header on the disk and throws the file's error.
[[nodiscard]] std::optional<std::string> chooseDataFile(
    FileDialogs& dialogs, const std::filesystem::path& dataFilesFolder,
    bool confirmOverwrite = true);
void writeDataFileHeader(const std::string& file, std::string_view kind,
                         const DataFileHeader& header);

// The text of one downloaded page (without the page number) for the logging mode and channel;
// empty for a mode or channel the logger should not hold.
[[nodiscard]] std::string pageLineText(std::span<const std::uint8_t> page, RecordingMode mode,
                                       LinearChannel channel);

// Degrees of one linear sample byte, one decimal, ties to even (full scale 180 for X, 90 for
// Y).
[[nodiscard]] double sampleAngle(std::uint8_t sample, double fullScale);

// Appends "<page>,<pageLine>" CR LF to the file, opening and closing it around the line, and
// puts it on the disk (synced) before it returns, so that a power cut costs at most the page in
// flight. A line that cannot be written is cut back, leaving only whole lines, and goes to the
// error handler as "WriteDownloadPagesToFile" in "General", naming the file and the page. False
// then: a page the file cannot hold is lost data, so the download stops there.
[[nodiscard]] bool writeDownloadPagesToFile(const std::string& dataFileName, std::int32_t page,
                                            const std::string& pageLine, ErrorReporter& errors);

// The live-reading lines: "<time>,<x>,<y>" and "<time>,<x>,<y>,<z>". A failure goes to the
// error handler (a line that could not be written whole is cut back), and the result is false.
bool writeAnglesToFile(const std::string& dataFileName, const std::string& time, double angleX,
                       double angleY, ErrorReporter& errors);
bool writeAccelerometersToFile(const std::string& dataFileName, const std::string& time,
                               double accX, double accY, double accZ, ErrorReporter& errors);

// What a "Download Pages" file on disk holds, for resuming a download that was cut short.
struct PartialDownload {
    std::vector<std::string> header;   // lines 1 to 12, without line ends (fewer if cut short)
    std::int32_t lastPage = 0;         // page number of the last complete page line, 0 if none
    std::uintmax_t completeBytes = 0;  // length of the file up to the end of that line
    bool cutOff = false;               // something follows the last complete line
};

// Reads a data file for resuming. A page line counts as complete when it ends with CR LF and
// has the number of fields its mode and channel give it. Nothing when the file cannot be read,
// is no regular file, or is no "Download Pages" file.
[[nodiscard]] std::optional<PartialDownload> inspectPartialDownload(
    const std::filesystem::path& file);

// Reads a finished download back, as the check before its recording is erased: header lines 2
// to 12 must be those `header` gives, and the page lines those of pages 1 to `lastPage`, once
// each and in order, each complete and every field a number (or, in a pair, a button push's
// "BP"). Nothing when the file holds all that; else what is wrong, in words for the user.
[[nodiscard]] std::optional<std::string> verifyDownloadFile(const std::string& file,
                                                            const DataFileHeader& header,
                                                            std::int32_t lastPage);

}  // namespace tilt::logging
