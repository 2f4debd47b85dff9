// The parameter map's encoders and decoders, the write's step table, and profile checks.
#include "config/config_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace tilt::config {
namespace {

ReadArray readOf(std::initializer_list<std::pair<int, int>> cells) {
    ReadArray bytes{};
    for (const auto& [address, value] : cells) {
        putCell(bytes, {address, static_cast<std::uint8_t>(value)});
    }
    return bytes;
}

const Parameter& parameter(std::string_view field) {
    return *findParameter(field);
}

TEST(ParameterMap, StepsCoverTheReadAndTheWriteOnce) {
    std::set<int> addresses;
    for (int step = kFirstReadStep; step <= kLastReadStep; ++step) {
        addresses.insert(readStepAddress(step));
    }
    EXPECT_EQ(addresses.size(), 53U);
    EXPECT_EQ(readStepAddress(35), 42);
    EXPECT_EQ(readStepAddress(37), 62);
    EXPECT_EQ(readStepAddress(44), 69);
    EXPECT_EQ(readStepAddress(45), 100);
    EXPECT_EQ(readStepAddress(54), 109);
    int numeric = 0;
    for (const Parameter& p : parameterMap()) {
        numeric += isNumericField(p) ? 1 : 0;
        EXPECT_EQ(readStepAddress(p.readStep), p.address) << p.recordField;
    }
    EXPECT_EQ(numeric, 25);
    EXPECT_EQ(profileKeys().size(), 24U);
}

TEST(ParameterMap, AnglesEncodeAndDecodeAsTheLoggerStoresThem) {
    // The encoder's worked examples, and the rounding left to the writer.
    EXPECT_DOUBLE_EQ(AngleToInteger90(-45), 49152.5);
    EXPECT_EQ(encodeValue(parameter("TareY"), -45), (std::vector<std::uint8_t>{192, 0}));
    EXPECT_EQ(encodeValue(parameter("TareX"), 30), (std::vector<std::uint8_t>{21, 85}));
    EXPECT_EQ(encodeValue(parameter("LowAlarmX"), -180), (std::vector<std::uint8_t>{128, 1}));
    EXPECT_EQ(encodeValue(parameter("HighAlarmX"), 180), (std::vector<std::uint8_t>{127, 255}));
    EXPECT_DOUBLE_EQ(WordToSigned(65535), -1);
    EXPECT_DOUBLE_EQ(WordToSigned(32767), 32767);

    for (const auto& [high, low, degrees] : {std::tuple{0, 0, 0.0},
                                             {127, 255, 180.0},
                                             {128, 1, -180.0},
                                             {128, 0, -180.0 * 32768 / 32767}}) {
        const auto c = BreakOutReadArray(readOf({{14, high}, {15, low}}));
        EXPECT_DOUBLE_EQ(c.values.at("TareX"), degrees) << high << "," << low;
    }
    const auto y = BreakOutReadArray(readOf({{16, 192}, {17, 0}}));
    EXPECT_NEAR(y.values.at("TareY"), -45.00137, 1e-5) << "not rounded";
}

TEST(ParameterMap, ReadDecodesWordsBytesRateAndIdentity) {
    const auto c = BreakOutReadArray(readOf({{2, 1},
                                             {3, 67},
                                             {30, 3},
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
                                             {109, 11}}));
    EXPECT_EQ(c.values.at("OffsetX"), 323);
    EXPECT_EQ(c.values.at("UpdateTimeIncrement"), 3);
    EXPECT_EQ(c.values.at("BinLinearMode"), 1);
    EXPECT_EQ(c.values.at("LinearChannel"), 3);
    EXPECT_EQ(c.values.at("DacSetting1"), 512);
    EXPECT_EQ(c.values.at("LinearUpdateRate"), 75);
    EXPECT_FALSE(c.values.contains("MinBinAngle")) << "the bin angles are never decoded";
    EXPECT_EQ(c.SerialNumber, 1234);
    EXPECT_EQ(c.LaunchYear, 2003);
    EXPECT_EQ(c.LaunchDay, 3);
    EXPECT_EQ(c.LaunchMonth, 11);
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
    neither["LinearUpdateRate"] = 0;
    EXPECT_EQ(configurationWrite(neither).back(), (CellWrite{102, 0}));
}

TEST(ConfigurationWrite, ValueThatCannotBeSent_RefusesTheWholeWriteNamingTheField) {
    struct Case {
        const char* field;
        double value;
        const char* named;
    };
    // An angle just below zero rounds to the word 65536; a byte field beyond 255; a word below
    // -255 or above 65535. Words from -255 to -1 still go out, as high 0 and low 256 + value.
    for (const Case& c :
         {Case{"TareX", -0.001, "\"X Tare\" (TareX)"}, Case{"TareY", -0.0001, "\"Y Tare\" (TareY)"},
          Case{"Averages", 300, "\"Averages\" (Averages)"},
          Case{"UpdateTimeIncrement", -1, "\"Update Time Increment\""},
          Case{"OffsetX", 65536, "\"X Offset\" (OffsetX)"},
          Case{"DacSetting2", -256, "\"DAC2\" (DacSetting2)"},
          Case{"GainY", std::nan(""), "\"Y Gain\" (GainY)"}}) {
        auto fields = presetValues(Preset::Defaults);
        fields[c.field] = c.value;
        try {
            (void)configurationWrite(fields);
            ADD_FAILURE() << c.field << " " << c.value << " was accepted";
        } catch (const UnsendableValue& e) {
            EXPECT_EQ(e.parameter().recordField, c.field);
            EXPECT_NE(e.description().find(c.named), std::string::npos) << e.description();
            EXPECT_NE(e.description().find("Nothing was sent"), std::string::npos);
        }
    }
    EXPECT_EQ(encodeValue(parameter("OffsetX"), -1), (std::vector<std::uint8_t>{0, 255}));
    EXPECT_EQ(encodeValue(parameter("OffsetX"), 511.5), (std::vector<std::uint8_t>{2, 0}));
    EXPECT_EQ(encodeValue(parameter("OffsetX"), 510.5), (std::vector<std::uint8_t>{1, 254}));
}

TEST(ConfigurationWrite, ChangedCellsAreThoseWhoseBytesDiffer) {
    const ReadArray read = readOf({{14, 0}, {15, 0}, {30, 3}, {2, 1}, {3, 67}});
    ConfigValues fields{{"TareX", 30}, {"UpdateTimeIncrement", 3}, {"OffsetX", 323.4}};
    EXPECT_EQ(changedCells(fields, read), (std::vector<CellWrite>{{14, 21}, {15, 85}}))
        << "323.4 goes out as 323, which the logger holds";
    // A value read back unrounded is the same bytes again.
    const auto back = BreakOutReadArray(readOf({{14, 21}, {15, 85}})).values.at("TareX");
    EXPECT_NE(back, 30);
    EXPECT_FALSE(differsFromRead(parameter("TareX"), back, readOf({{14, 21}, {15, 85}})));
    EXPECT_TRUE(differsFromRead(parameter("TareX"), -0.001, read)) << "unsendable differs";
}

TEST(ConfigurationWrite, WrittenCells_GiveTheValuesAReadWouldNowGive) {
    struct Case {
        std::vector<CellWrite> cells;
        ConfigValues values;
    };
    const Case cases[] = {
        {{{14, 21}, {15, 85}}, {{"TareX", 5461.0 / 32767 * 180}}},
        {{{2, 2}, {3, 0}, {30, 7}, {102, 75}},
         {{"OffsetX", 512}, {"UpdateTimeIncrement", 7}, {"LinearUpdateRate", 75}}},
        {{{62, 2}, {63, 88}, {64, 1}}, {{"DacSetting1", 600}}},  // DAC2 lacks its low cell
        {{{26, 1}, {27, 2}}, {}},                                // the bin angles are no record
    };
    for (const Case& c : cases) {
        EXPECT_EQ(writtenValues(c.cells), c.values) << c.cells.size();
    }
}

TEST(Profiles, KeysAndLimitsAreChecked_NamingTheKey) {
    auto profile = presetValues(Preset::Defaults);
    profile.erase("MinBinAngle");
    profile.erase("MaxBinAngle");
    EXPECT_FALSE(profileProblem(profile, true));

    const auto problem = [&](auto change) {
        auto p = profile;
        change(p);
        return profileProblem(p, true).value_or("");
    };
    EXPECT_NE(problem([](auto& p) { p.erase("GainZ"); }).find("\"GainZ\" is missing"),
              std::string::npos);
    EXPECT_NE(problem([](auto& p) { p["Colour"] = 1; }).find("\"Colour\""), std::string::npos);
    EXPECT_NE(problem([](auto& p) { p["MaxBinAngle"] = 0; }).find("\"MaxBinAngle\""),
              std::string::npos)
        << "the bin angles are never written, so no profile holds them";
    EXPECT_NE(problem([](auto& p) { p["Averages"] = 17; }).find("\"Averages\" is 17"),
              std::string::npos);
    EXPECT_NE(problem([](auto& p) { p["LinearUpdateRate"] = 30; }).find("75 or 15"),
              std::string::npos);
    // An angle read back a count beyond its limit is still a good value.
    EXPECT_EQ(problem([](auto& p) { p["LowAlarmX"] = -180.0 * 32768 / 32767; }), "");
    EXPECT_FALSE(profileProblem({{"TareX", 12}}, false)) << "a partial profile, when allowed";
}

}  // namespace
}  // namespace tilt::config
