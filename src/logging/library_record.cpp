#include "logging/library_record.h"

#include <cstdio>
#include <filesystem>

#include "common/local_time.h"

namespace tilt::logging {

namespace {

// Sample slots in `pages` pages: a two-channel pair is one slot; bin pages come in pairs.
long slotsIn(const DataFileHeader& header, std::int32_t pages) {
    if (header.mode == RecordingMode::Bin) {
        return (pages + 1) / 2;
    }
    return static_cast<long>(pages) * (header.channel == LinearChannel::Both ? 132 : 264);
}

}  // namespace

std::string_view downloadEndName(DownloadEnd end) {
    switch (end) {
        case DownloadEnd::Completed:
            return "completed";
        case DownloadEnd::AlreadyComplete:
            return "already complete";
        case DownloadEnd::Stopped:
            return "halted";
        case DownloadEnd::ParametersFailed:
            return "parameters failed";
        case DownloadEnd::Cancelled:
        case DownloadEnd::NoFileName:
        case DownloadEnd::Refused:
            return "refused";
        case DownloadEnd::FileFailed:
            return "file failed";
        case DownloadEnd::PortFailed:
            return "port failed";
        case DownloadEnd::DeviceSilent:
            return "device silent";
    }
    return "failed";
}

std::string_view eraseEndName(EraseEnd end) {
    switch (end) {
        case EraseEnd::Completed:
            return "completed";
        case EraseEnd::Halted:
            return "halted";
        case EraseEnd::Stalled:
            return "stalled";
        case EraseEnd::Failed:
        case EraseEnd::NotSent:
            break;
    }
    return "failed";
}

std::string_view launchEndName(LaunchEnd end) {
    switch (end) {
        case LaunchEnd::Launched:
            return "launched";
        case LaunchEnd::LaunchTimeFailed:
            return "launch time failed";
        case LaunchEnd::Failed:
            return "failed";
        case LaunchEnd::TickFailed:
            break;
    }
    return "port failed";
}

std::optional<std::string> recordErase(RecordingsLibrary& library,
                                       std::optional<std::int64_t> serial, EraseEnd end,
                                       std::chrono::system_clock::time_point at) {
    if (!serial || end == EraseEnd::NotSent) {
        return std::nullopt;  // no logger to file it under, or nothing happened to it
    }
    try {
        library.recordEvent(
            {*serial, isoLocalTime(at), "erase", std::string(eraseEndName(end)), ""});
    } catch (const LibraryError& e) {
        return couldNotRecord("erase", e);
    }
    return std::nullopt;
}

std::optional<std::string> recordLaunch(RecordingsLibrary& library, std::int64_t serial,
                                        const LaunchResult& result) {
    const std::string launchTime = launchTimeText(result.stamp);
    try {
        library.recordEvent({serial, isoLocalTime(std::chrono::system_clock::now()), "launch",
                             std::string(launchEndName(result.end)), launchTime});
        if (result.loggingSent) {
            library.recordLoggingStart({serial, launchTime},
                                       isoLocalTime(result.loggingSentAt, true),
                                       utcOffsetMinutes(result.loggingSentAt));
        }
    } catch (const LibraryError& e) {
        return couldNotRecord("launch", e);
    }
    return std::nullopt;
}

std::optional<std::string> recordDownload(RecordingsLibrary& library, const DownloadResult& result,
                                          bool readBackWhole, const std::string& program,
                                          std::chrono::system_clock::time_point started) {
    const DataFileHeader& header = result.header;
    DataFileEntry entry;
    entry.recording = {static_cast<std::int64_t>(header.serialNumber), header.launchTime};
    entry.firmware = header.firmwareVersion;
    entry.mode = header.mode;
    entry.channel = cellValue(header.channel);
    std::error_code ignored;
    entry.path = std::filesystem::absolute(result.file, ignored).string();
    entry.size = std::filesystem::file_size(result.file, ignored);
    entry.pages = result.pagesInFile;
    entry.slotCount = slotsIn(header, result.pagesInFile);
    entry.complete = readBackWhole;
    entry.downloadedAt = isoLocalTime(std::chrono::system_clock::now());
    entry.program = program;
    try {
        (void)library.recordDataFile(entry);
        library.recordEvent(
            {entry.recording.serial, isoLocalTime(started), "download started", "", entry.path});
        library.recordEvent({entry.recording.serial, entry.downloadedAt, "download ended",
                             std::string(downloadEndName(result.end)), entry.path});
    } catch (const LibraryError& e) {
        return couldNotRecord("download", e) + " The data file is kept as it is.";
    }
    return std::nullopt;
}

}  // namespace tilt::logging
