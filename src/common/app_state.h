#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "common/data_file_header.h"

namespace tilt {

// A download of this run of the program that ended before the end of the recording and has not
// been completed since: the pages after `pagesInFile` are only on the logger.
struct UnfinishedDownload {
    double serialNumber = 0;  // of the logger it came from
    std::string file;
    std::int32_t pagesInFile = 0;
};

// The program-wide variables. Owned by the user-interface thread: operations take what they
// need as arguments and hand their results back, and the window that started them writes the
// results here. Everything starts at 0, empty or false.
struct AppState {
    // Program and serial line.
    std::int16_t CommPort = 0;
    std::string appVersion;
    std::int16_t pageCount = 0;

    // Live timing.
    std::int64_t PerfFrequency = 0;
    std::int64_t SampleStartCount = 0;
    std::int64_t SampleNowCount = 0;
    std::string SampleTime;

    // Live readings.
    double AccX = 0, AccY = 0, AccZ = 0;
    double RawAngleX = 0, RawAngleY = 0;
    double AngleX = 0, AngleY = 0;

    // Device parameter record, in engineering units.
    double OffsetX = 0, OffsetY = 0, OffsetZ = 0;
    double GainX = 0, GainY = 0, GainZ = 0;
    double TareX = 0, TareY = 0;
    double LowAlarmX = 0, HighAlarmX = 0, LowAlarmY = 0, HighAlarmY = 0;
    double MinBinAngle = 0, MaxBinAngle = 0;
    double UpdateTimeIncrement = 0;
    double Averages = 0, ShakerEnable = 0, FilterLevel = 0, TareEnable = 0;
    double BinLinearMode = 0;
    double LinearChannel = 0;
    double DacSetting1 = 0, DacSetting2 = 0, DacSetting3 = 0, DacSetting4 = 0;
    double LinearUpdateRate = 0;

    // Configuration transfer.
    std::int16_t AddressIndex = 0;

    // Download, data file and graph hand-off.
    std::int32_t downloadPage = 0;  // the page asked for last
    bool endOfData = false;         // the last transfer reached the end of the recording
    // On the steady clock: the watchdog measures silence by it, which a change of the date
    // must not upset.
    std::optional<std::chrono::nanoseconds> lastReceive;
    double timerAdvance = 0;
    // What the last download read from the logger; nothing before one. Live files carry it too.
    std::optional<DataFileHeader> downloadedHeader;
    std::string dataFile;  // the data file being written
    bool saveLiveReadings = false;
    // Asked about before an erase or a launch of that logger.
    std::optional<UnfinishedDownload> unfinishedDownload;
};

}  // namespace tilt
