// The dated export of data files the simulated logger's download wrote: the times follow from the
// header, the values are the linear CSV's, and a damaged file is refused with its line.
#include "view/dated_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "common/error.h"
#include "device/recording_file.h"
#include "support/sample_figures.h"
#include "support/sim_bench.h"
#include "support/temp_folder.h"
#include "view/recording_clock.h"
#include "view/recording_statistics.h"

namespace tilt::view {
namespace {

using device::Preload;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

class DatedExport : public testing::TempFolderTest {
  protected:
    std::string download(Preload preload, int pages, const char* name) {
        const std::string file = path(name);
        device::downloadSimulatedRecording(testing::recording(preload, pages), file);
        return file;
    }

    // The export as CSV lines: the notes, the column line, the rows.
    static std::vector<std::string> exported(const std::string& file, ExportOptions options = {}) {
        std::vector<std::string> lines;
        CsvSink sink([&](std::string_view line) { lines.emplace_back(line); });
        (void)exportRecording(file, sink, options);
        return lines;
    }

    static std::vector<std::string> rowsOf(const std::vector<std::string>& lines) {
        std::vector<std::string> rows;
        bool past = false;
        for (const auto& line : lines) {
            if (past) {
                rows.push_back(line);
            }
            past = past || line.starts_with("time,") || line.starts_with("pair,");
        }
        return rows;
    }

    // Replaces header line `number` (from 1) of `file`.
    void setHeaderLine(const std::string& file, int number, const std::string& text) {
        auto lines = linesOf(readFile(file));
        lines[static_cast<std::size_t>(number - 1)] = text;
        std::string joined;
        for (const auto& line : lines) {
            joined += line + "\r\n";
        }
        writeFile(file, joined);
    }
};

// "11/02/2026 08:30:00" as ISO 8601: 2026-11-02T08:30:00.000.
std::string isoOfLaunch(const std::string& launch) {
    return launch.substr(6, 4) + "-" + launch.substr(0, 2) + "-" + launch.substr(3, 2) + "T" +
           launch.substr(11) + ".000";
}

TEST_F(DatedExport, TwoChannels_TimesFollowTheHeader_ValuesAreTheCsvs_PushesMarkTheirSlot) {
    const std::string file = download(Preload::Linear3, 8, "walk.tlg");
    const auto csv = linesOf(readFile(path("walk.csv")));
    const std::string launch = csv[4].substr(std::string("Launch Time: ").size());
    const double frequency = std::stod(csv[5].substr(csv[5].find(": ") + 2));

    const auto lines = exported(file);
    ASSERT_GE(lines.size(), 5U);
    EXPECT_EQ(lines[0].rfind("# Times count from the launch stamp", 0), 0U) << lines[0];
    EXPECT_NE(lines[1].find("local clock"), std::string::npos);
    const auto rows = rowsOf(lines);
    ASSERT_EQ(rows.size(), 8U * 132);
    ASSERT_EQ(csv.size(), 12 + rows.size());
    EXPECT_EQ(rows[0].substr(0, 25), isoOfLaunch(launch) + ",0");
    int pushes = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        std::istringstream fields(rows[k]);
        std::string time, seconds, x, y, button;
        std::getline(fields, time, ',');
        std::getline(fields, seconds, ',');
        std::getline(fields, x, ',');
        std::getline(fields, y, ',');
        std::getline(fields, button, ',');
        ASSERT_NEAR(std::stod(seconds), static_cast<double>(k) / frequency, 0.0005) << k;
        ASSERT_EQ(time.size(), 23U);
        const std::string& pair = csv[12 + k];
        if (pair == "BP,BP") {
            ++pushes;
            EXPECT_EQ(x + "," + y + "," + button, ",,1") << k;
        } else {
            EXPECT_EQ(x + "," + y, pair) << k;
            EXPECT_EQ(button, "") << k;
        }
    }
    EXPECT_EQ(pushes, 3);
    // A whole minute on: the launch time's minute plus one.
    const auto minute = static_cast<std::size_t>(60 * frequency);
    ASSERT_LT(minute, rows.size());
    std::string later = isoOfLaunch(launch);
    later[15] = static_cast<char>(later[15] + 1);  // 08:30 -> 08:31 (the launch is on a :x0)
    EXPECT_EQ(rows[minute].substr(0, 23), later);

    // The library's logging start, when known, replaces the launch stamp.
    const auto started =
        exported(file, {.loggingStarted = *parseLaunchTime("11/02/2026 09:00:05"), .stop = {}});
    EXPECT_EQ(started[0].rfind("# Times count from the moment logging started", 0), 0U);
    EXPECT_EQ(rowsOf(started)[0].substr(0, 23), "2026-11-02T09:00:05.000");
}

TEST_F(DatedExport, OneChannel_OneRowASample_AndAHeaderWithoutTimesStillGivesTheValues) {
    const std::string file = download(Preload::Linear1, 2, "one.tlg");
    const auto csv = linesOf(readFile(path("one.csv")));
    auto rows = rowsOf(exported(file));
    ASSERT_EQ(rows.size(), 2U * 264);
    EXPECT_EQ(exported(file)[4], "time,seconds,X,button");
    EXPECT_EQ(exported(download(Preload::Linear2, 1, "y.tlg"))[4], "time,seconds,Y,button");
    for (std::size_t k = 0; k < rows.size(); ++k) {
        ASSERT_EQ(rows[k].substr(rows[k].find(',', 24) + 1), csv[12 + k] + ",") << k;
    }

    // A decimal comma in the frequency; then a launch time that is no date; then no frequency.
    setHeaderLine(file, 6, "Firmware Sampling Frequency: 12,5");
    rows = rowsOf(exported(file));
    EXPECT_EQ(rows[1].substr(rows[1].find(','), 6), ",0.08,");
    setHeaderLine(file, 5, "Launch Time: 00/00/0 00:00:00");
    rows = rowsOf(exported(file));
    EXPECT_EQ(rows[3].substr(0, 6), ",0.24,");
    EXPECT_NE(exported(file)[0].find("not a date"), std::string::npos);
    setHeaderLine(file, 6, "Firmware Sampling Frequency: 0");
    rows = rowsOf(exported(file));
    EXPECT_EQ(rows[3], ",," + csv[15] + ",");
}

TEST_F(DatedExport, BinRecording_OneRowAPagePair_TheLastPageAloneHasNoY) {
    const std::string file = download(Preload::Bin, 5, "bins.tlg");
    const auto data = linesOf(readFile(file));
    const auto rows = rowsOf(exported(file));
    ASSERT_EQ(rows.size(), 3U);
    const auto page = [&](std::size_t line) { return data[line].substr(0, data[line].find(',')); };
    const auto counts = [&](std::size_t line) {
        return data[line].substr(data[line].find(',') + 1);
    };
    EXPECT_EQ(rows[0], "1," + page(12) + "," + page(13) + "," + counts(12) + "," + counts(13));
    EXPECT_EQ(rows[2], "3," + page(16) + ",," + counts(16) + std::string(132, ','));

    // Figures over the angles the bins stand for, each as often as its count says.
    double xCounts = 0;
    for (const std::size_t line : {12U, 14U, 16U}) {
        std::istringstream fields(counts(line));
        for (std::string count; std::getline(fields, count, ',');) {
            xCounts += std::stod(count);
        }
    }
    const auto s = recordingStatistics(file);
    EXPECT_EQ(s.x.count, xCounts);
    EXPECT_GE(s.x.minimum, -180);
    EXPECT_LE(s.x.maximum, 180);
    EXPECT_FALSE(s.x.change()) << "bins keep no order";
}

TEST_F(DatedExport, DamagedFiles_AreRefusedWithTheFileTheLineAndTheReason) {
    const std::string good = download(Preload::Linear3, 2, "good.tlg");
    const auto lines = linesOf(readFile(good));
    const auto joined = [](std::vector<std::string> text) {
        std::string all;
        for (const auto& line : text) {
            all += line + "\r\n";
        }
        return all;
    };
    auto shortPage = lines;
    shortPage[13] = shortPage[13].substr(0, shortPage[13].rfind(','));
    auto notANumber = lines;
    notANumber[12].replace(notANumber[12].find(',') + 1, 0, "abc");
    auto live = lines;
    live[1] = "Angles";
    auto noPage = lines;
    noPage[12].insert(0, "x");
    auto gap = lines;
    gap[13].replace(0, 1, "3");
    const auto badAngle = [&](const std::string& value) {
        auto text = lines;
        text[12].replace(text[12].find(','), text[12].find(',', 2) - text[12].find(','),
                         "," + value);
        return text;
    };
    std::string crOnly;
    for (const auto& line : lines) {
        crOnly += line + "\r";
    }
    const std::vector<std::string> header(lines.begin(), lines.begin() + 7);
    struct Case {
        std::string text;
        std::string reason;
    };
    const Case cases[] = {
        {"", "is not a Tiltavarometer data file"},
        {std::string(3000, '\xff'), "is not a Tiltavarometer data file"},
        {joined(live), "is a live Angles file"},
        {joined(header), "ends inside its header (7 of its 11 lines)"},
        {joined(shortPage),
         "is damaged at line 14 (page 2): it holds 263 values where a page holds 264."},
        {joined(notANumber), "is not an angle (-180 to 180 degrees)."},
        {joined(noPage), "is damaged at line 13 (page x1): it does not start with a page number."},
        {joined(gap), "page 3 stands where page 2 should: a page is missing or out of order"},
        {joined(badAngle("nan")), "is not an angle"},
        {joined(badAngle("1e308")), "is not an angle"},
        {joined(badAngle("180.1")), "is not an angle"},
        {crOnly, "ends inside its header (1 of its 11 lines)"},
    };
    for (const Case& c : cases) {
        const std::string file = path("damaged.tlg");
        writeFile(file, c.text);
        try {
            (void)exported(file);
            ADD_FAILURE() << c.reason << ": exported";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW((void)exported(path("missing.tlg")), Error);
    // Blank lines (an editor's trailing one, say) are passed over.
    writeFile(path("blank.tlg"), joined(lines) + "\r\n\r\n");
    EXPECT_EQ(rowsOf(exported(path("blank.tlg"))).size(), 2U * 132);
}

TEST(RecordingClock, LaunchTimes_AreReadOnlyWhenTheyAreDates_AndTimesRollOverDays) {
    EXPECT_EQ(parseLaunchTime("01/01/1970 00:00:01"), 1000);
    for (const char* bad :
         {"02/30/2026 10:00:00", "13/01/2026 10:00:00", "01/01/2026 24:00:00", "1/01/2026 10:00:00",
          "01/01/2026", "", "01/01/10000 10:00:00", "01/01/99999999999 10:00:00"}) {
        EXPECT_FALSE(parseLaunchTime(bad)) << bad;
    }
    std::string text;
    appendIsoTime(text, *parseLaunchTime("02/28/2028 23:59:59") + 1500);
    EXPECT_EQ(text, "2028-02-29T00:00:00.500");
    // What the library keeps reads back as it was written, with or without milliseconds.
    EXPECT_EQ(parseIsoTime(text), *parseLaunchTime("02/28/2028 23:59:59") + 1500);
    EXPECT_EQ(parseIsoTime("2028-02-29T00:00:00"), *parseLaunchTime("02/29/2028 00:00:00"));
    for (const char* bad : {"2027-02-29T00:00:00", "2028-02-29 00:00:00", "2028-02-29T00:00:00.5",
                            "2028-02-29T00:00:00.5xx", "2028-02-29"}) {
        EXPECT_FALSE(parseIsoTime(bad)) << bad;
    }
    EXPECT_EQ(parseSamplingFrequency("12,5"), 12.5);
    EXPECT_FALSE(parseSamplingFrequency("-1"));
    EXPECT_FALSE(parseSamplingFrequency("1e-300"));
    EXPECT_FALSE(parseSamplingFrequency("nan"));
    EXPECT_FALSE(parseSamplingFrequency("fast"));
}

// The figures of a report, against the same figures worked out here from the linear CSV.
TEST_F(DatedExport, Statistics_AreTheCsvsFigures) {
    const std::string file = download(Preload::Linear3, 3, "stats.tlg");
    const auto csv = linesOf(readFile(path("stats.csv")));
    std::vector<double> xs;
    for (std::size_t i = 12; i < csv.size(); ++i) {
        if (csv[i] != "BP,BP") {
            xs.push_back(std::stod(csv[i].substr(0, csv[i].find(','))));
        }
    }
    const auto expected = testing::figuresOf(xs);
    const auto s = recordingStatistics(file);
    EXPECT_EQ(s.slotCount, 3 * 132);
    EXPECT_EQ(s.pushes, 3);
    EXPECT_EQ(s.x.count, static_cast<double>(xs.size()));
    EXPECT_EQ(s.x.minimum, expected.minimum);
    EXPECT_EQ(s.x.maximum, expected.maximum);
    EXPECT_NEAR(s.x.mean, expected.mean, 1e-9);
    EXPECT_NEAR(s.x.standardDeviation, expected.standardDeviation, 1e-9);
    EXPECT_EQ(s.x.first, xs.front());
    EXPECT_EQ(s.x.last, xs.back());
    EXPECT_NEAR(*s.durationSeconds(),
                3 * 132 / *parseSamplingFrequency(s.header.fields.samplingFrequency), 1e-9);
}

}  // namespace
}  // namespace tilt::view
