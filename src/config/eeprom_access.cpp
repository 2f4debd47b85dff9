#include "config/eeprom_access.h"

#include "common/rounding.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"

namespace tilt::config {

namespace {
// Closes the link when the operation ends, however it ends.
class OpenLink {
  public:
    OpenLink(link::DeviceLink& link, std::int16_t commPort) : link_(link) {
        if (!link_.isOpen()) {
            link_.setPort(commPort);
            link_.open();
        }
    }
    ~OpenLink() {
        try {
            link_.close();
        } catch (...) {
        }
    }
    OpenLink(const OpenLink&) = delete;
    OpenLink& operator=(const OpenLink&) = delete;

  private:
    link::DeviceLink& link_;
};
}  // namespace

std::optional<std::uint8_t> readEepromCell(const link::JobScope& job, int address) {
    link::DeviceLink& link = job.link();
    (void)toByte(address);
    const OpenLink open(link, job.commPort());
    link::requestReadByte(link, address, kSingleReadWaitMs);
    const auto& reply = link.readAll();
    if (reply.size() != 1) {
        return std::nullopt;
    }
    return reply.front();
}

void writeEepromCell(const link::JobScope& job, int address, int value) {
    (void)toByte(address);
    (void)toByte(value);
    const OpenLink open(job.link(), job.commPort());
    link::requestWriteByte(job.link(), address, value);
}

}  // namespace tilt::config
