#include "config/ui/config_profile_files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "common/file_dialogs.h"
#include "common/messages.h"
#include "common/ui/app_context.h"
#include "config/profile.h"
#include "platform/profile_json.h"

namespace tilt::config::ui {

namespace {

FileDialogs::Request profileRequest(const common::ui::AppContext& context, const char* title) {
    FileDialogs::Request request;
    request.title = title;
    request.filter = "Profiles (*.json)";
    request.selectedFilter = request.filter;
    request.folder = context.paths.dataFiles().string();
    request.defaultSuffix = "json";
    return request;
}

std::string systemReason() {
    return errno != 0 ? std::string(std::strerror(errno)) : std::string("unknown failure");
}

bool writeText(const std::string& file, const std::string& text) {
    errno = 0;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return !out.fail();
}

std::optional<std::string> readText(const std::string& file) {
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return text.str();
}

}  // namespace

void saveProfile(common::ui::AppContext& context, const ParameterValues& values) {
    if (const auto problem = profileProblem(entriesOf(values), true)) {
        context.messages.show("The profile was not saved: " + *problem +
                              ". Correct the value, then save again.");
        return;
    }
    const auto file = context.fileDialogs.save(profileRequest(context, "Save Profile"));
    if (!file) {
        return;
    }
    if (!writeText(*file, platform::profileJson(values))) {
        context.messages.show("The profile could not be written to " + *file + " (" +
                              systemReason() + ").");
    }
}

std::optional<ParameterValues> openProfile(common::ui::AppContext& context) {
    const auto file = context.fileDialogs.open(profileRequest(context, "Open Profile"));
    if (!file) {
        return std::nullopt;
    }
    const auto text = readText(*file);
    if (!text) {
        context.messages.show("The profile " + *file + " could not be read (" + systemReason() +
                              ").");
        return std::nullopt;
    }
    platform::ParsedProfile parsed = platform::parseProfile(*text);
    parsed.entries = withoutIdentity(std::move(parsed.entries));  // `tiltctl config read --json`
    if (!parsed.problem) {
        parsed.problem = profileProblem(parsed.entries, true);
    }
    if (parsed.problem) {
        context.messages.show("The profile " + *file + " was not opened: " + *parsed.problem +
                              ". Nothing was changed.");
        return std::nullopt;
    }
    return valuesOf(parsed.entries);
}

}  // namespace tilt::config::ui
