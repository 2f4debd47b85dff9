#include "config/config_snapshot.h"

#include <chrono>

#include "common/local_time.h"
#include "common/number_text.h"

namespace tilt::config {

ConfigSnapshot configSnapshot(const ReadArray& bytes, std::string kind, std::string takenAt) {
    ConfigSnapshot snapshot;
    snapshot.serial = decodeConfiguration(bytes).serialNumber;
    snapshot.kind = std::move(kind);
    snapshot.takenAt = std::move(takenAt);
    for (const Parameter& p : parameterMap()) {
        if (p.encoding != Encoding::Unread) {
            snapshot.values.emplace(std::string(p.key), numberText(decodedValue(p, bytes)));
        }
    }
    return snapshot;
}

namespace {
std::string now() {
    return isoLocalTime(std::chrono::system_clock::now());
}

std::string_view endName(TransferEnd end) {
    switch (end) {
        case TransferEnd::Completed:
            return "completed";
        case TransferEnd::Stopped:
            return "halted";
        case TransferEnd::PortFailed:
            return "port failed";
        case TransferEnd::DeviceSilent:
            break;
    }
    return "device silent";
}
}  // namespace

std::optional<std::string> recordRead(RecordingsLibrary& library, const ReadArray& bytes) {
    try {
        library.recordSnapshot(configSnapshot(bytes, "read", now()));
    } catch (const LibraryError& e) {
        return couldNotRecord("read", e);
    }
    return std::nullopt;
}

std::optional<std::string> recordWrite(RecordingsLibrary& library, const ReadArray& before,
                                       std::span<const CellWrite> written, TransferEnd end) {
    ReadArray after = before;
    for (const CellWrite& cell : written) {
        putCell(after, cell);
    }
    const ConfigSnapshot snapshot = configSnapshot(after, "write", now());
    try {
        library.recordEvent({snapshot.serial, snapshot.takenAt, "configuration write",
                             std::string(endName(end)),
                             std::to_string(written.size()) +
                                 (written.size() == 1 ? " cell written" : " cells written")});
        if (!written.empty()) {
            library.recordSnapshot(snapshot);
        }
    } catch (const LibraryError& e) {
        return couldNotRecord("write", e);
    }
    return std::nullopt;
}

}  // namespace tilt::config
