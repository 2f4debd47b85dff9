// Feeds arbitrary bytes, as a datagram from the network, to the receiver's decoder: nothing may
// crash, and only a framed pair ("KT", a "/" between, "KT") may ever move a dial.
#include <cstdint>
#include <string_view>

#include "remote/angle_datagram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (tilt::remote::decodeAngleDatagram(text)) {
        const bool framed = size >= 4 && text.starts_with("KT") && text.ends_with("KT") &&
                            text.substr(2, size - 4).find('/') != std::string_view::npos;
        if (!framed) {
            __builtin_trap();
        }
    }
    return 0;
}
