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

namespace {

std::optional<std::string> recordWriteSnapshot(RecordingsLibrary& library,
                                               const ConfigSnapshot& snapshot, std::size_t cells,
                                               TransferEnd end) {
    try {
        library.recordEvent(
            {snapshot.serial, snapshot.takenAt, "configuration write", std::string(endName(end)),
             std::to_string(cells) + (cells == 1 ? " cell written" : " cells written")});
        if (cells > 0) {
            library.recordSnapshot(snapshot);
        }
    } catch (const LibraryError& e) {
        return couldNotRecord("write", e);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> recordWrite(RecordingsLibrary& library, const ReadArray& before,
                                       std::span<const CellWrite> written, TransferEnd end) {
    ReadArray after = before;
    for (const CellWrite& cell : written) {
        putCell(after, cell);
    }
    return recordWriteSnapshot(library, configSnapshot(after, "write", now()), written.size(), end);
}

std::optional<std::string> recordWriteOf(RecordingsLibrary& library, std::int64_t serial,
                                         std::span<const CellWrite> written, TransferEnd end) {
    ConfigSnapshot snapshot;
    snapshot.serial = serial;
    snapshot.kind = "write";
    snapshot.takenAt = now();
    for (const auto& [field, value] : writtenValues(written)) {
        snapshot.values.emplace(std::string(parameterOf(field).key), numberText(value));
    }
    return recordWriteSnapshot(library, snapshot, written.size(), end);
}

std::span<const int> serialNumberCells() {
    static const int cells[] = {parameterOf(Field::SerialNumber).address,
                                parameterOf(Field::SerialNumber).address + 1};
    return cells;
}

std::int64_t serialNumberOf(std::span<const std::uint8_t> cells) {
    return cells.size() < 2 ? 0 : cells[0] * 256 + cells[1];
}

}  // namespace tilt::config
