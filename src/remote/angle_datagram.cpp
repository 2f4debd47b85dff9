#include "remote/angle_datagram.h"

#include "common/error.h"
#include "common/number_text.h"
#include "common/rounding.h"
#include "common/text_value.h"

namespace tilt::remote {

namespace {
constexpr std::string_view kMarker = "KT";
}

std::string angleDatagram(double angleX, double angleY) {
    std::string text(kMarker);
    appendNumberText(text, angleX);
    text += '/';
    appendNumberText(text, angleY);
    text += kMarker;
    return text;
}

std::optional<ReceivedAngles> decodeAngleDatagram(std::string_view text) {
    if (text.size() < 2 * kMarker.size() || !text.starts_with(kMarker) ||
        !text.ends_with(kMarker)) {
        return std::nullopt;
    }
    const std::string_view inner = text.substr(kMarker.size(), text.size() - 2 * kMarker.size());
    const std::size_t slash = inner.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    try {
        return ReceivedAngles{toInt16(leadingNumber(inner.substr(0, slash))),
                              toInt16(leadingNumber(inner.substr(slash + 1)))};
    } catch (const Error&) {
        return std::nullopt;  // a side that does not fit in 16 bits
    }
}

}  // namespace tilt::remote
