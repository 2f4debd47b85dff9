#include "link/protocol.h"

#include "common/error.h"
#include "common/rounding.h"
#include "link/byte_split.h"
#include "link/device_link.h"

namespace tilt::link {

namespace {
// The pause between a command byte and its arguments is kept even when the operation is being
// stopped: a request is never left half-sent, with arguments the device would misread.
void argumentPause(DeviceLink& link) {
    link.clock().sleepFor(ms(kArgumentPauseMs), std::stop_token{});
}
}  // namespace

void requestReadByte(DeviceLink& link, int address, std::int32_t pauseAfterMs) {
    const std::uint8_t addressByte = toByte(address);
    link.sendByte(cmd::kReadByte);
    argumentPause(link);
    link.sendByte(addressByte);
    link.delay(pauseAfterMs);
}

void requestWriteByte(DeviceLink& link, int address, int value) {
    const std::uint8_t addressByte = toByte(address);
    const std::uint8_t valueByte = toByte(value);
    link.sendByte(cmd::kWriteByte);
    argumentPause(link);
    link.sendByte(addressByte);
    argumentPause(link);
    link.sendByte(valueByte);
}

void requestPage(DeviceLink& link, std::int32_t page) {
    if (page < 0 || page >= kDevicePageCount) {
        throw Error(errc::kBadArgument, "Invalid page number " + std::to_string(page) +
                                            ": the memory holds pages 0 to " +
                                            std::to_string(kDevicePageCount - 1) + ".");
    }
    const std::uint8_t high = toByte(msbOf(page));
    const std::uint8_t low = toByte(page & 255);
    link.sendByte(cmd::kReadPage);
    argumentPause(link);
    link.sendByte(high);
    argumentPause(link);
    link.sendByte(low);
    link.delay(kArgumentPauseMs);
}

int unsignedWord(std::uint8_t high, std::uint8_t low) {
    return high * 256 + low;
}

int signedWord(std::uint8_t high, std::uint8_t low) {
    const int word = unsignedWord(high, low);
    return word > 32767 ? word - 65536 : word;
}

double wordToDegrees(int word, double fullScale) {
    return roundHalfEven(word / kAngleWordFullScale * fullScale, 1);
}

std::optional<AngleReading> decodeAngles(std::span<const std::uint8_t> reply) {
    if (reply.size() != kAnglesReplyBytes) {
        return std::nullopt;
    }
    AngleReading r;
    r.wordX = unsignedWord(reply[0], reply[1]);
    r.wordY = unsignedWord(reply[2], reply[3]);
    r.angleX = wordToDegrees(signedWord(reply[0], reply[1]), kFullScaleX);
    r.angleY = wordToDegrees(signedWord(reply[2], reply[3]), kFullScaleY);
    return r;
}

std::optional<AccelerometerReading> decodeAccelerations(std::span<const std::uint8_t> reply) {
    if (reply.size() != kAccelerationsReplyBytes) {
        return std::nullopt;
    }
    auto word = [&](std::size_t i) {
        // high * 256 in 16-bit signed arithmetic overflows from 128 on.
        if (reply[i] >= 128) {
            throwOverflow();
        }
        return static_cast<std::int16_t>(unsignedWord(reply[i], reply[i + 1]));
    };
    return AccelerometerReading{word(0), word(2), word(4)};
}

bool isErasedPage(std::span<const std::uint8_t> page) {
    if (page.size() < 6) {
        return false;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        if (page[i] != 0xFF) {
            return false;
        }
    }
    return true;
}

}  // namespace tilt::link
