// Feeds arbitrary bytes, as a data file, to every reader of data files: none may crash, hang or
// read outside its arrays, whatever the file holds.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "common/counting_errors.h"
#include "logging/data_file.h"
#include "logging/linear_csv.h"
#include "view/channel_arrays.h"
#include "view/download_file.h"

namespace {

const std::string& inputFile() {
    static const std::string path = "/tmp/tilt-fuzz-" + std::to_string(::getpid()) + ".tlg";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& file = inputFile();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    tilt::CountingErrors errors;

    (void)tilt::view::readDownloadFileHeader(file);
    (void)tilt::view::readButtonPushHeader(file);
    if (const auto pages = tilt::view::BinPages::load(file)) {
        tilt::view::PointArray x{};
        tilt::view::PointArray y{};
        for (const int page : {0, 1, 2, 3, 12, 2047}) {
            (void)pages->locate(page, x, y, errors, "Graph");
        }
    }
    tilt::view::ChannelArrays arrays;
    (void)tilt::view::buildSingleChannelArray(file, 1, arrays, errors, "Graph");
    tilt::view::ButtonPushList pushes;
    (void)tilt::view::buildDoubleChannelArrays(file, arrays, errors, "GraphBP", &pushes);
    // Every push names a sample of the X channel.
    for (const double push : pushes) {
        if (push < 0 || push >= static_cast<double>(arrays.x.size())) {
            __builtin_trap();
        }
    }
    (void)tilt::logging::inspectPartialDownload(file);
    tilt::logging::makeLinearCsv(file, errors, "DownloadErase");
    return 0;
}
