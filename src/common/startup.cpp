#include "common/startup.h"

#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/rounding.h"
#include "common/text_value.h"

namespace tilt {

namespace {

Error folderError(const std::filesystem::path& folder, const std::error_code& code) {
    const bool denied = code == std::errc::permission_denied ||
                        code == std::errc::operation_not_permitted ||
                        code == std::errc::read_only_file_system;
    return Error(denied ? errc::kPermissionDenied : errc::kPathFileAccess,
                 "Path/File access error: cannot create the folder " + folder.string() + " (" +
                     code.message() + ")");
}

void createIfMissing(const std::filesystem::path& folder) {
    std::error_code code;
    if (std::filesystem::is_directory(folder, code)) {
        return;
    }
    std::filesystem::create_directories(folder, code);
    if (code) {
        throw folderError(folder, code);
    }
}

}  // namespace

std::string buildAppVersion(int major, int minor, int revision) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
}

std::int16_t commPortFromSetting(std::string_view text) {
    try {
        return toInt16(leadingNumber(text));
    } catch (const Error& e) {
        // The bare overflow would leave the user guessing which number overflowed.
        throw Error(e.number(), "Overflow: the saved port \"" + std::string(text) +
                                    "\" is not a port number (1 to 32767). Choose the port "
                                    "again in the Connect window.");
    }
}

void testForFileFolders(const DataPaths& paths, ErrorReporter& errors) {
    try {
        createIfMissing(paths.dataFiles());
        createIfMissing(paths.logs());
    } catch (const Error& e) {
        errors.report(e, "TestForFileFolders", "General");
    }
}

void runStartup(AppState& state, const StartupInputs& inputs, ErrorReporter& errors) {
    try {
        state.appVersion = buildAppVersion(inputs.major, inputs.minor, inputs.revision);
        state.pageCount = kDevicePageCount;
        state.commPort = commPortFromSetting(inputs.savedCommPort ? inputs.savedCommPort() : "1");
        testForFileFolders(inputs.paths, errors);
    } catch (const Error& e) {
        errors.report(e, "MDIForm_Load", "MDIForm1");
    }
}

}  // namespace tilt
