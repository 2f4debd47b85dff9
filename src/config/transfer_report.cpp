#include "config/transfer_report.h"

#include <algorithm>
#include <vector>

#include "config/parameter_map.h"

namespace tilt::config {

namespace {

enum class CellFate { Written, Uncertain, NotWritten };

// One named thing a write touches: a parameter, or a cell outside the map.
struct Touched {
    std::string name;
    bool anyWritten = false;
    bool anyUnwritten = false;
};

std::string nameOfCell(int address) {
    for (const Parameter& p : parameterMap()) {
        if (address >= p.address && address < p.address + p.cells) {
            return std::string(p.caption);
        }
    }
    return "address " + std::to_string(address);
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

std::string progress(int done, int total) {
    return std::to_string(done) + " of " + std::to_string(total);
}

}  // namespace

std::string writtenCellsText(std::span<const std::optional<CellWrite>> ticks, int ticksDone,
                             bool nextTickCut) {
    std::vector<Touched> touched;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (!ticks[i]) {
            continue;
        }
        const int tick = static_cast<int>(i);
        const CellFate fate = tick < ticksDone                   ? CellFate::Written
                              : tick == ticksDone && nextTickCut ? CellFate::Uncertain
                                                                 : CellFate::NotWritten;
        std::string name = nameOfCell(ticks[i]->address);
        auto entry = std::find_if(touched.begin(), touched.end(),
                                  [&](const Touched& t) { return t.name == name; });
        if (entry == touched.end()) {
            touched.push_back({std::move(name), false, false});
            entry = touched.end() - 1;
        }
        // A cell cut within its bytes may hold anything: both old and new.
        entry->anyWritten = entry->anyWritten || fate != CellFate::NotWritten;
        entry->anyUnwritten = entry->anyUnwritten || fate != CellFate::Written;
    }
    std::vector<std::string> written, part, unwritten;
    for (const Touched& t : touched) {
        (t.anyWritten && t.anyUnwritten ? part
         : t.anyWritten                 ? written
                                        : unwritten)
            .push_back(t.name);
    }
    if (written.empty() && part.empty()) {
        return "Nothing was written.";
    }
    std::string text;
    const auto add = [&](const std::string& sentence) {
        text += (text.empty() ? "" : " ") + sentence;
    };
    if (!written.empty()) {
        add("Written: " + joined(written) + ".");
    }
    if (!part.empty()) {
        add("Written in part, so the logger holds a mix of old and new bytes: " + joined(part) +
            ".");
    }
    if (!unwritten.empty()) {
        add("Not written: " + joined(unwritten) + ".");
    }
    return text;
}

std::string readEndText(TransferEnd end, int done, int total, int silentSeconds,
                        std::string_view again) {
    const std::string count = progress(done, total);
    const std::string then = ", then " + std::string(again) + ".";
    switch (end) {
        case TransferEnd::Completed:
            break;
        case TransferEnd::Stopped:
            return "The read was halted by user after " + count +
                   " cells; nothing was written to the logger.";
        case TransferEnd::DeviceSilent:
            return "The device did not answer for " + std::to_string(silentSeconds) +
                   " seconds: the read stopped after " + count +
                   " cells. Check that the logger is on and connected" + then;
        case TransferEnd::PortFailed:
            return "The read did not complete (" + count +
                   " cells): the port failed, as the error report says. Nothing was written to "
                   "the logger. Check the cable and the adapter" +
                   then;
    }
    return {};
}

std::string writeEndText(TransferEnd end, std::span<const std::optional<CellWrite>> ticks,
                         int ticksDone, std::string_view again) {
    const std::string count = progress(ticksDone, static_cast<int>(ticks.size()));
    const std::string complete = "To complete it, " + std::string(again) + ".";
    switch (end) {
        case TransferEnd::Completed:
            break;
        case TransferEnd::Stopped:
            return "The write was halted by user after " + count + " steps. " +
                   writtenCellsText(ticks, ticksDone, false) + " " + complete;
        case TransferEnd::DeviceSilent:
        case TransferEnd::PortFailed:
            return "The write did not complete (" + count +
                   " steps): the port failed, as the error report says. " +
                   writtenCellsText(ticks, ticksDone, true) + " Check the cable and the adapter. " +
                   complete;
    }
    return {};
}

}  // namespace tilt::config
