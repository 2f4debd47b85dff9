// The parameter map's encoders and decoders, the write's step table, and profile checks.
#include "config/config_values.h"

#include "config/profile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace tilt::config {
namespace {

using ::testing::HasSubstr;
ReadArray readOf(std::initializer_list<std::pair<int, int>> cells) {
    ReadArray bytes{};
    for (const auto& [address, value] : cells) {
        putCell(bytes, {address, static_cast<std::uint8_t>(value)});
    }
    return bytes;
}

TEST(ParameterMap, AnglesEncodeAndDecodeAsTheLoggerStoresThem) {
    // The encoder's worked examples, and the rounding left to the writer.
    EXPECT_DOUBLE_EQ(angleWordY(-45), 49152.5);
    EXPECT_EQ(encodeValue(parameterOf(Field::TareY), -45), (std::vector<std::uint8_t>{192, 0}));
    EXPECT_EQ(encodeValue(parameterOf(Field::TareX), 30), (std::vector<std::uint8_t>{21, 85}));
    EXPECT_EQ(encodeValue(parameterOf(Field::LowAlarmX), -180),
              (std::vector<std::uint8_t>{128, 1}));
    EXPECT_EQ(encodeValue(parameterOf(Field::HighAlarmX), 180),
              (std::vector<std::uint8_t>{127, 255}));
    EXPECT_DOUBLE_EQ(signedCount(65535), -1);
    EXPECT_DOUBLE_EQ(signedCount(32767), 32767);

    for (const auto& [high, low, degrees] : {std::tuple{0, 0, 0.0},
                                             {127, 255, 180.0},
                                             {128, 1, -180.0},
                                             {128, 0, -180.0 * 32768 / 32767}}) {
        const auto c = decodeConfiguration(readOf({{14, high}, {15, low}}));
        EXPECT_DOUBLE_EQ(c.record.tareX, degrees) << high << "," << low;
    }
    const auto y = decodeConfiguration(readOf({{16, 192}, {17, 0}}));
    EXPECT_NEAR(y.record.tareY, -45.00137, 1e-5) << "not rounded";
}

TEST(ParameterMap, ReadDecodesWordsBytesRateAndIdentity) {
    const ReadArray bytes = readOf({{2, 1},
                                    {3, 67},
                                    {26, 9},
                                    {30, 3},
                                    {32, 2},
                                    {42, 1},
                                    {43, 3},
                                    {62, 2},
                                    {63, 0},
                                    {100, 4},
                                    {101, 210},
                                    {102, 75},
                                    {103, 3},
                                    {104, 7},
                                    {105, 211},
                                    {109, 11}});
    const auto c = decodeConfiguration(bytes);
    EXPECT_EQ(c.record.offsetX, 323);
    EXPECT_EQ(c.record.updateTimeIncrement, 3);
    EXPECT_EQ(c.record.mode, RecordingMode::Linear);
    EXPECT_EQ(c.record.channel, LinearChannel::Both);
    EXPECT_EQ(c.record.dac[0], 512);
    EXPECT_EQ(c.record.linearRate, LinearRate::Rate7p5Hz);
    EXPECT_EQ(c.record.minBinAngle, 0) << "the bin angles are never decoded";
    EXPECT_EQ(c.serialNumber, 1234);
    EXPECT_EQ(c.launchYear, 2003);
    EXPECT_EQ(c.launchDay, 3);
    EXPECT_EQ(c.launchMonth, 11);
    // A byte the logger should not hold stays as it came, to be shown and written back.
    EXPECT_EQ(valueOf(c.record, Field::Shaker), 2);
    EXPECT_EQ(changedCells(profileValuesOf(c.record), bytes), std::vector<CellWrite>{});
}

TEST(ConfigurationWrite, DefaultsGoOutTickByTickWithTheBinAnglesSkipped) {
    const auto ticks = configurationWrite(presetValues(Preset::Defaults));
    ASSERT_EQ(ticks.size(), 44U);
    const auto at = [&](int step) { return ticks[static_cast<std::size_t>(step - 2)]; };
    EXPECT_EQ(at(2), (CellWrite{2, 1}));
    EXPECT_EQ(at(3), (CellWrite{3, 67}));
    EXPECT_EQ(at(18), (CellWrite{18, 128}));
    EXPECT_EQ(at(19), (CellWrite{19, 1}));
    EXPECT_EQ(at(30), (CellWrite{30, 3}));
    EXPECT_EQ(at(35), (CellWrite{42, 1}));
    EXPECT_EQ(at(36), (CellWrite{43, 3}));
    EXPECT_EQ(at(37), (CellWrite{62, 2}));
    EXPECT_EQ(at(44), (CellWrite{69, 0}));
    EXPECT_EQ(at(45), (CellWrite{102, 15}));
    for (int step = 26; step <= 29; ++step) {
        EXPECT_FALSE(at(step)) << "step " << step << " sends nothing";
    }
    auto neither = presetValues(Preset::Defaults);
    neither[Field::LinearRate] = 0;
    EXPECT_EQ(configurationWrite(neither).back(), (CellWrite{102, 0}));
}

TEST(ConfigurationWrite, ValueThatCannotBeSent_RefusesTheWholeWriteNamingTheField) {
    struct Case {
        Field field;
        double value;
        const char* named;
    };
    // An angle just below zero rounds to the word 65536; a byte field beyond 255; a word below
    // -255 or above 65535. Words from -255 to -1 still go out, as high 0 and low 256 + value.
    for (const Case& c : {Case{Field::TareX, -0.001, "\"X Tare\" (TareX)"},
                          Case{Field::TareY, -0.0001, "\"Y Tare\" (TareY)"},
                          Case{Field::Averages, 300, "\"Averages\" (Averages)"},
                          Case{Field::UpdateTimeIncrement, -1, "\"Update Time Increment\""},
                          Case{Field::OffsetX, 65536, "\"X Offset\" (OffsetX)"},
                          Case{Field::Dac2, -256, "\"DAC2\" (DacSetting2)"},
                          Case{Field::GainY, std::nan(""), "\"Y Gain\" (GainY)"}}) {
        auto fields = presetValues(Preset::Defaults);
        fields[c.field] = c.value;
        try {
            (void)configurationWrite(fields);
            ADD_FAILURE() << c.named << " " << c.value << " was accepted";
        } catch (const UnsendableValue& e) {
            EXPECT_EQ(e.parameter().field, c.field);
            EXPECT_THAT(e.description(), HasSubstr(c.named));
            EXPECT_THAT(e.description(), HasSubstr("Nothing was sent"));
        }
    }
    const Parameter& offset = parameterOf(Field::OffsetX);
    EXPECT_EQ(encodeValue(offset, -1), (std::vector<std::uint8_t>{0, 255}));
    EXPECT_EQ(encodeValue(offset, 511.5), (std::vector<std::uint8_t>{2, 0}));
    EXPECT_EQ(encodeValue(offset, 510.5), (std::vector<std::uint8_t>{1, 254}));
}

TEST(ConfigurationWrite, ChangedCellsAreThoseWhoseBytesDiffer) {
    const ReadArray read = readOf({{14, 0}, {15, 0}, {30, 3}, {2, 1}, {3, 67}});
    const ParameterValues fields{
        {Field::TareX, 30}, {Field::UpdateTimeIncrement, 3}, {Field::OffsetX, 323.4}};
    EXPECT_EQ(changedCells(fields, read), (std::vector<CellWrite>{{14, 21}, {15, 85}}))
        << "323.4 goes out as 323, which the logger holds";
    // A value read back unrounded is the same bytes again.
    const auto back = decodeConfiguration(readOf({{14, 21}, {15, 85}})).record.tareX;
    EXPECT_NE(back, 30);
    const Parameter& tare = parameterOf(Field::TareX);
    EXPECT_FALSE(differsFromRead(tare, back, readOf({{14, 21}, {15, 85}})));
    EXPECT_TRUE(differsFromRead(tare, -0.001, read)) << "unsendable differs";
}

TEST(ConfigurationWrite, WrittenCells_GiveTheValuesAReadWouldNowGive) {
    struct Case {
        std::vector<CellWrite> cells;
        ParameterValues values;
    };
    const Case cases[] = {
        {{{14, 21}, {15, 85}}, {{Field::TareX, 5461.0 / 32767 * 180}}},
        {{{2, 2}, {3, 0}, {30, 7}, {102, 75}},
         {{Field::OffsetX, 512}, {Field::UpdateTimeIncrement, 7}, {Field::LinearRate, 75}}},
        {{{62, 2}, {63, 88}, {64, 1}}, {{Field::Dac1, 600}}},  // DAC2 lacks its low cell
        {{{26, 1}, {27, 2}}, {}},                              // the bin angles are no record
    };
    for (const Case& c : cases) {
        EXPECT_EQ(writtenValues(c.cells), c.values) << c.cells.size();
    }
}

TEST(Profiles, KeysAndLimitsAreChecked_NamingTheKey) {
    auto profile = entriesOf(presetValues(Preset::Defaults));
    profile.erase("MinBinAngle");
    profile.erase("MaxBinAngle");
    EXPECT_FALSE(profileProblem(profile, true));

    const auto problem = [&](auto change) {
        auto p = profile;
        change(p);
        return profileProblem(p, true).value_or("");
    };
    EXPECT_THAT(problem([](auto& p) { p.erase("GainZ"); }), HasSubstr("\"GainZ\" is missing"));
    EXPECT_THAT(problem([](auto& p) { p["Colour"] = 1; }), HasSubstr("\"Colour\""));
    EXPECT_THAT(problem([](auto& p) { p["MaxBinAngle"] = 0; }), HasSubstr("\"MaxBinAngle\""))
        << "the bin angles are never written, so no profile holds them";
    EXPECT_THAT(problem([](auto& p) { p["Averages"] = 17; }), HasSubstr("\"Averages\" is 17"));
    EXPECT_THAT(problem([](auto& p) { p["LinearUpdateRate"] = 30; }), HasSubstr("75 or 15"));
    // An angle read back a count beyond its limit is still a good value.
    EXPECT_EQ(problem([](auto& p) { p["LowAlarmX"] = -180.0 * 32768 / 32767; }), "");
    EXPECT_FALSE(profileProblem({{"TareX", 12}}, false)) << "a partial profile, when allowed";
}

}  // namespace
}  // namespace tilt::config
