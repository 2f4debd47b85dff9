// Feeds arbitrary bytes, as a configuration profile's text, through what opening a profile and
// writing it do: read the JSON, check keys and limits, turn the values into the bytes a write
// sends. Nothing may crash or throw but the refusal of a value that cannot be sent, and a
// profile the check lets through must save and read again unchanged.
#include <cstdint>
#include <string>

#include "config/config_values.h"
#include "platform/profile_json.h"

namespace {

using tilt::config::ConfigValues;

void mustHold(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// A value within its limits may still have no bytes (an angle a hair below 0 rounds to the word
// 65536): the write refuses it before anything is sent, which is no fault.
template <typename Write>
void refusedOrDone(Write&& attempt) {
    try {
        (void)attempt();
    } catch (const tilt::config::UnsendableValue&) {
    }
}

// The writes of a checked profile: each value on its own, the whole configuration write when it
// is complete, and only the changed cells against a read.
void writeChecked(const ConfigValues& profile, bool complete) {
    for (const auto& entry : profile) {
        refusedOrDone([&] {
            return tilt::config::encodeValue(*tilt::config::findParameter(entry.first),
                                             entry.second);
        });
    }
    if (complete) {
        refusedOrDone([&] { return tilt::config::configurationWrite(profile); });
    }
    tilt::config::ReadArray read{};
    read.fill(0xFF);
    refusedOrDone([&] { return tilt::config::changedCells(profile, read); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    tilt::platform::ParsedProfile parsed = tilt::platform::parseProfile(text);
    if (parsed.problem) {
        return 0;
    }
    // As opening a profile does: a read's identity fields are left out.
    const ConfigValues profile = tilt::config::withoutIdentity(std::move(parsed.values));
    if (tilt::config::profileProblem(profile, false)) {
        return 0;
    }
    const bool complete = !tilt::config::profileProblem(profile, true);
    writeChecked(profile, complete);

    const tilt::platform::ParsedProfile saved =
        tilt::platform::parseProfile(tilt::platform::profileJson(profile));
    mustHold(!saved.problem && saved.values == profile);
    return 0;
}
