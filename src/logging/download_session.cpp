#include "logging/download_session.h"

#include <filesystem>

#include "logging/linear_csv.h"

namespace tilt::logging {

namespace {
constexpr const char* kWindow = "DownloadErase";
constexpr std::size_t kFirstComparedLine = 2;  // line 3
constexpr std::size_t kHeaderLineCount = 12;
}  // namespace

std::optional<PartialDownload> partialDownloadOf(const std::string& file,
                                                 const DataFileHeader& header) {
    auto partial = inspectPartialDownload(file);
    if (!partial || partial->header.size() < kHeaderLineCount) {
        return std::nullopt;
    }
    const auto expected = headerLines(kDownloadPages, header);
    for (std::size_t i = kFirstComparedLine; i < kHeaderLineCount; ++i) {
        if (partial->header[i] != expected[i]) {
            return std::nullopt;
        }
    }
    return partial;
}

std::optional<std::int32_t> prepareResume(const std::string& file, const PartialDownload& partial) {
    if (partial.cutOff) {
        std::error_code code;
        std::filesystem::resize_file(file, partial.completeBytes, code);
        if (code) {
            return std::nullopt;
        }
    }
    return partial.lastPage + 1;
}

TransferResult downloadIntoFile(link::DeviceLink& link, std::int16_t commPort,
                                ErrorReporter& errors, const DataFileHeader& header,
                                const DownloadTarget& target, std::int32_t pageCount,
                                const std::function<void(const TransferProgress&)>& onProgress,
                                std::optional<std::chrono::system_clock::time_point>& lastReceive) {
    TransferOptions options;
    options.firstPage = target.firstPage;
    options.pageCount = pageCount;
    options.window = kWindow;
    const TransferResult result = transferPages(
        link, commPort, errors, options,
        [&](std::int32_t page, std::span<const std::uint8_t> bytes) {
            WriteDownloadPagesToFile(
                target.dataFileName, page,
                FormatPageLine(bytes, header.BinLinearMode, header.LinearChannel), errors);
        },
        onProgress, lastReceive);
    if (result.end == TransferEnd::Completed && header.BinLinearMode == 1) {
        MakeLinearCSV(target.dataFileName, errors, kWindow);
    }
    return result;
}

}  // namespace tilt::logging
