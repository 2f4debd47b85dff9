// tiltctl export and report on a recording the simulated logger's download wrote: the same rows
// on the terminal, in a file and as JSON; a report whose text holds the recording's figures; and
// damaged files refused with their reason, an existing output left as it was.
#include <QCryptographicHash>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <cmath>
#include <filesystem>

#include "device/recording_file.h"
#include "support/sample_figures.h"
#include "support/sim_bench.h"
#include "tiltsim_process.h"

namespace {

using tilt::device::Preload;

class TiltctlExport : public ProgramTest {
  protected:
    std::string recording(Preload preload, int pages) {
        const std::string file = path("walk.tlg");
        tilt::device::downloadSimulatedRecording(tilt::testing::recording(preload, pages), file);
        return file;
    }
};

std::string withoutCr(std::string text) {
    std::erase(text, '\r');
    return text;
}

TEST_F(TiltctlExport, TheSameRowsOnTheTerminalInAFileAndAsJson) {
    const std::string file = recording(Preload::Linear3, 3);
    const auto shown = runTiltctl({"export", QString::fromStdString(file)});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const auto saved = runTiltctl({"export", QString::fromStdString(file), "-o",
                                   QString::fromStdString(path("walk.csv.out"))});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(saved.err, "396 rows written to " + path("walk.csv.out") + "\n");
    EXPECT_EQ(withoutCr(readFile(path("walk.csv.out"))), shown.out);

    const auto json = runTiltctl({"export", QString::fromStdString(file), "--format", "json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto objects = linesOf(json.out);
    std::vector<std::string> rows;
    for (const auto& line : linesOf(shown.out)) {
        if (!line.starts_with('#') && !line.starts_with("time,")) {
            rows.push_back(line);
        }
    }
    ASSERT_EQ(objects.size(), rows.size());
    int pushes = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const QJsonObject row = jsonObject(objects[k]);
        ASSERT_EQ(row.keys(), (QStringList{"X", "Y", "button", "seconds", "time"})) << objects[k];
        const QStringList csv = QString::fromStdString(rows[k]).split(',');
        EXPECT_EQ(row["time"].toString(), csv[0]);
        EXPECT_EQ(row["seconds"].toDouble(), csv[1].toDouble());
        if (csv[4] == "1") {
            ++pushes;
            EXPECT_TRUE(row["X"].isNull() && row["Y"].isNull());
            EXPECT_EQ(row["button"].toInt(), 1);
        } else {
            EXPECT_EQ(row["X"].toDouble(), csv[2].toDouble());
            EXPECT_EQ(row["Y"].toDouble(), csv[3].toDouble());
            EXPECT_TRUE(row["button"].isNull());
        }
    }
    EXPECT_EQ(pushes, 3);
}

// The report's figures against those worked out here from the download's linear CSV; its foot
// carries the file's SHA-256; pdftoppm draws it.
TEST_F(TiltctlExport, Report_HoldsTheFiguresOfTheRecording_AndRenders) {
    const std::string file = recording(Preload::Linear1, 4);
    const auto result = runTiltctl(
        {"report", QString::fromStdString(file), "-o", QString::fromStdString(path("r.pdf"))});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    QProcess text;
    text.start("pdftotext", {"-layout", QString::fromStdString(path("r.pdf")), "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();

    std::vector<double> xs;
    const auto csv = linesOf(withoutCr(readFile(path("walk.csv"))));
    for (std::size_t i = 12; i < csv.size(); ++i) {
        xs.push_back(std::stod(csv[i]));
    }
    const auto expected = tilt::testing::figuresOf(xs);
    const QString row = QStringLiteral("X (°) %1 %2 %3 %4 %5 %6 %7")
                            .arg(expected.minimum, 0, 'f', 1)
                            .arg(expected.maximum, 0, 'f', 1)
                            .arg(expected.mean, 0, 'f', 2)
                            .arg(expected.standardDeviation, 0, 'f', 2)
                            .arg(xs.front(), 0, 'f', 1)
                            .arg(xs.back(), 0, 'f', 1)
                            .arg(xs.back() - xs.front(), 0, 'f', 1);
    EXPECT_TRUE(page.contains(row)) << row.toStdString() << "\n in \n" << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("%1 sample slots").arg(4 * 264)));
    QFile data(QString::fromStdString(file));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    const QString sha = QString::fromLatin1(
        QCryptographicHash::hash(data.readAll(), QCryptographicHash::Sha256).toHex());
    EXPECT_TRUE(page.contains("SHA-256: " + sha)) << page.toStdString();

    QProcess render;
    render.start("pdftoppm", {"-png", "-r", "40", QString::fromStdString(path("r.pdf")),
                              QString::fromStdString(path("page"))});
    ASSERT_TRUE(render.waitForFinished(30000));
    EXPECT_EQ(render.exitCode(), 0);
    EXPECT_GT(std::filesystem::file_size(path("page-1.png")), 1000U);
}

TEST_F(TiltctlExport, DamagedFiles_EndWithTheReason_AndLeaveAnExistingOutputAlone) {
    const std::string file = recording(Preload::Linear3, 2);
    auto lines = linesOf(readFile(file));
    lines.back() = lines.back().substr(0, lines.back().size() / 2);
    std::string damaged;
    for (const auto& line : lines) {
        damaged += line + "\n";
    }
    std::ofstream(path("damaged.tlg"), std::ios::binary) << damaged;
    std::ofstream(path("kept.csv"), std::ios::binary) << "keep me\n";
    const auto exported = runTiltctl({"export", QString::fromStdString(path("damaged.tlg")), "-o",
                                      QString::fromStdString(path("kept.csv"))});
    EXPECT_EQ(exported.exitCode, 1);
    EXPECT_NE(exported.err.find(path("damaged.tlg") + " is damaged at line 14 (page 2)"),
              std::string::npos)
        << exported.err;
    EXPECT_EQ(readFile(path("kept.csv")), "keep me\n");

    std::ofstream(path("noise.tlg"), std::ios::binary) << std::string(5000, '\x07');
    for (const char* command : {"export", "report"}) {
        const auto refused = runTiltctl({command, QString::fromStdString(path("noise.tlg")), "-o",
                                         QString::fromStdString(path("out.pdf"))});
        EXPECT_EQ(refused.exitCode, 1) << command;
        EXPECT_NE(refused.err.find("is not a Tiltavarometer data file"), std::string::npos)
            << refused.err;
    }
    // An angle no logger writes: the report ends with the line and the reason, as the export.
    lines = linesOf(readFile(file));
    lines[12].replace(lines[12].find(',') + 1, 0, "4");
    std::ofstream(path("wild.tlg"), std::ios::binary) << [&] {
        std::string text;
        for (const auto& line : lines) {
            text += line + "\n";
        }
        return text;
    }();
    const auto wild = runTiltctl({"report", QString::fromStdString(path("wild.tlg")), "-o",
                                  QString::fromStdString(path("wild.pdf"))});
    EXPECT_EQ(wild.exitCode, 1);
    EXPECT_NE(wild.err.find("is damaged at line 13 (page 1)"), std::string::npos) << wild.err;
    // Nor is the data file itself ever written over.
    const auto itself =
        runTiltctl({"export", QString::fromStdString(file), "-o", QString::fromStdString(file)});
    EXPECT_EQ(itself.exitCode, 1);
    EXPECT_NE(itself.err.find("is the data file itself"), std::string::npos) << itself.err;
    EXPECT_EQ(linesOf(readFile(file)).size(), 14U);

    const auto missing = runTiltctl({"report", QString::fromStdString(path("none.tlg")), "-o",
                                     QString::fromStdString(path("out.pdf"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(path("out.pdf")));
}

}  // namespace
