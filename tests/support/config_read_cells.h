#pragma once

#include <vector>

namespace tilt::testing {

// The cells the configuration read asks for, in its order, written out on their own so that a
// test does not take them from the code it checks.
inline std::vector<int> configReadCells() {
    std::vector<int> addresses;
    for (int a = 2; a <= 34; ++a) {
        addresses.push_back(a);
    }
    addresses.insert(addresses.end(), {42, 43});
    for (int a = 62; a <= 69; ++a) {
        addresses.push_back(a);
    }
    for (int a = 100; a <= 109; ++a) {
        addresses.push_back(a);
    }
    return addresses;
}

}  // namespace tilt::testing
