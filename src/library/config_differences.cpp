#include "library/config_differences.h"

namespace tilt::library {

std::vector<FieldChange> configDifferences(const ConfigValues& before, const ConfigValues& after) {
    std::vector<FieldChange> changes;
    // Both maps are in field order: one walk over the two finds every difference in that order.
    auto old = before.begin();
    auto now = after.begin();
    while (old != before.end() || now != after.end()) {
        if (now == after.end() || (old != before.end() && old->first < now->first)) {
            changes.push_back({old->first, old->second, std::nullopt});
            ++old;
        } else if (old == before.end() || now->first < old->first) {
            changes.push_back({now->first, std::nullopt, now->second});
            ++now;
        } else {
            if (old->second != now->second) {
                changes.push_back({now->first, old->second, now->second});
            }
            ++old;
            ++now;
        }
    }
    return changes;
}

}  // namespace tilt::library
