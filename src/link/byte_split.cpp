#include "link/byte_split.h"

#include <limits>

#include "common/error.h"
#include "common/error_reporter.h"

namespace tilt::link {

std::int16_t msbOf(std::int32_t value) {
    const std::int32_t quotient = value / 256;  // C++ division truncates toward zero
    if (quotient < std::numeric_limits<std::int16_t>::min() ||
        quotient > std::numeric_limits<std::int16_t>::max()) {
        throwOverflow();
    }
    return static_cast<std::int16_t>(quotient);
}

std::int16_t valueToMsb(std::int32_t value, ErrorReporter& errors) {
    try {
        return msbOf(value);
    } catch (const Error& e) {
        errors.report(e, "ValueToMSB", "Communications");
        return 0;
    }
}

std::int16_t valueToLsb(std::int16_t value) {
    return static_cast<std::int16_t>(value & 255);
}

}  // namespace tilt::link
