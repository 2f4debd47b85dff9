#include "logging/download_record.h"

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

std::string isoLocalTime(std::chrono::system_clock::time_point when) {
    const std::tm t = localTime(when);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
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
        return "The recordings library could not record this download: " + std::string(e.what()) +
               ". The data file is kept as it is.";
    }
    return std::nullopt;
}

}  // namespace tilt::logging
