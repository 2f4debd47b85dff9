// What the user is told of a read or write of configuration cells that did not complete.
#include "config/transfer_report.h"

#include <gtest/gtest.h>

#include "config/calibration.h"

namespace tilt::config {
namespace {

TEST(WrittenCells, NamesEachParameterByWhatReachedTheLogger) {
    // The calibration write: X Offset 2/3 ... Z Gain 12/13, a cell a tick.
    const auto calibration = calibrationWrite({323, 408, 322, 323, 324, 322});
    // The configuration write with its silent ticks for the bin angles (steps 26 to 29).
    const auto configuration = configurationWrite(presetValues(Preset::Defaults));
    struct Case {
        std::span<const std::optional<CellWrite>> ticks;
        int done;
        bool cut;
        std::string text;
    };
    const Case cases[] = {
        {calibration, 0, false, "Nothing was written."},
        {calibration, 4, false,
         "Written: X Offset, Y Offset. Not written: Z Offset, X Gain, Y Gain, Z Gain."},
        {calibration, 5, false,
         "Written: X Offset, Y Offset. Written in part, so the logger holds a mix of old and new "
         "bytes: Z Offset. Not written: X Gain, Y Gain, Z Gain."},
        // The port failed within the fifth cell: its bytes may have gone out in part.
        {calibration, 4, true,
         "Written: X Offset, Y Offset. Written in part, so the logger holds a mix of old and new "
         "bytes: Z Offset. Not written: X Gain, Y Gain, Z Gain."},
        {calibration, 11, true,
         "Written: X Offset, Y Offset, Z Offset, X Gain, Y Gain. Written in part, so the logger "
         "holds a mix of old and new bytes: Z Gain."},
        // Cut within a silent tick: nothing was on its way.
        {configuration, 25, true,
         "Written: X Offset, Y Offset, Z Offset, X Gain, Y Gain, Z Gain, X Tare, Y Tare, X Low "
         "Alarm, X High Alarm, Y Low Alarm, Y High Alarm. Not written: Update Time Increment, "
         "Averages, Shaker Enable, Filter Level, Tare Enable, Bin(0)/Linear(1) Mode, Linear "
         "Channels, DAC1, DAC2, DAC3, DAC4, Linear Update Rate."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(writtenCellsText(c.ticks, c.done, c.cut), c.text) << c.done << " " << c.cut;
    }
    const std::vector<std::optional<CellWrite>> outsideTheMap = {CellWrite{200, 1}};
    EXPECT_EQ(writtenCellsText(outsideTheMap, 1, false), "Written: address 200.");
}

TEST(TransferEndText, SaysWhatHappenedWhatTheLoggerHoldsAndWhatToDo) {
    const auto ticks = calibrationWrite({1, 2, 3, 4, 5, 6});
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {readEndText(TransferEnd::Completed, 53, 53, 5, "run it again"), ""},
        {readEndText(TransferEnd::Stopped, 12, 53, 5, "run it again"),
         "The read was halted by user after 12 of 53 cells; nothing was written to the logger."},
        {readEndText(TransferEnd::DeviceSilent, 0, 53, 5, "run it again"),
         "The device did not answer for 5 seconds: the read stopped after 0 of 53 cells. Check "
         "that the logger is on and connected, then run it again."},
        {readEndText(TransferEnd::PortFailed, 10, 53, 5, "choose File > Read"),
         "The read did not complete (10 of 53 cells): the port failed, as the error report says. "
         "Nothing was written to the logger. Check the cable and the adapter, then choose File > "
         "Read."},
        {writeEndText(TransferEnd::Completed, ticks, 12, "run it again"), ""},
        {writeEndText(TransferEnd::Stopped, ticks, 2, "run it again"),
         "The write was halted by user after 2 of 12 steps. Written: X Offset. Not written: Y "
         "Offset, Z Offset, X Gain, Y Gain, Z Gain. To complete it, run it again."},
        {writeEndText(TransferEnd::PortFailed, ticks, 2, "choose File > Write"),
         "The write did not complete (2 of 12 steps): the port failed, as the error report says. "
         "Written: X Offset. Written in part, so the logger holds a mix of old and new bytes: Y "
         "Offset. Not written: Z Offset, X Gain, Y Gain, Z Gain. Check the cable and the "
         "adapter. To complete it, choose File > Write."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, c.expected);
    }
}

}  // namespace
}  // namespace tilt::config
