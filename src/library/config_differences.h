#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tilt::library {

// A configuration's cells by their record field names, as a snapshot keeps them.
using ConfigValues = std::map<std::string, std::string>;

// One field that differs between two configurations of a logger.
struct FieldChange {
    std::string field;
    std::optional<std::string> before;  // nothing: the earlier configuration lacks the field
    std::optional<std::string> after;   // nothing: the later one lacks it
    friend bool operator==(const FieldChange&, const FieldChange&) = default;

    [[nodiscard]] bool added() const { return !before.has_value(); }
    [[nodiscard]] bool dropped() const { return !after.has_value(); }
};

// What changed from `before` to `after`, by field name: fields that came, went or took another
// value. A field holding the same text in both is no change; an empty value is a value.
[[nodiscard]] std::vector<FieldChange> configDifferences(const ConfigValues& before,
                                                         const ConfigValues& after);

}  // namespace tilt::library
