// tiltctl plot on data files of the simulated logger: the pictures it writes, and the files it
// refuses.

#include <QColor>
#include <QImage>
#include <filesystem>

#include "device/recording_file.h"
#include "support/sim_bench.h"
#include "tiltsim_process.h"

namespace {

using tilt::device::Preload;

constexpr int kPages = 6;
constexpr int kPushes = 3;
// Pictures are drawn at the size the desktop program exports them at.
const QSize kPictureSize(1200, 900);

// The plot's blue, rgb(20, 80, 170); a trace is one antialiased pixel wide, so most of its
// pixels are that blue washed with the white behind it.
bool isPlotColour(QRgb pixel) {
    return qBlue(pixel) - qRed(pixel) >= 50 && qBlue(pixel) - qGreen(pixel) >= 25;
}

bool isPushColour(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

// The pixels of `rows` (one graph's half of the picture) that `wanted` picks.
template <typename Picks>
int countPixels(const QImage& image, int firstRow, int endRow, Picks wanted) {
    int count = 0;
    for (int row = firstRow; row < endRow; ++row) {
        for (int column = 0; column < image.width(); ++column) {
            count += wanted(image.pixel(column, row)) ? 1 : 0;
        }
    }
    return count;
}

// Runs of neighbouring columns that hold a push-coloured pixel: one a push cursor.
int pushCursors(const QImage& image, int firstRow, int endRow) {
    int runs = 0;
    bool inRun = false;
    for (int column = 0; column < image.width(); ++column) {
        bool red = false;
        for (int row = firstRow; row < endRow && !red; ++row) {
            red = isPushColour(image.pixel(column, row));
        }
        runs += red && !inRun ? 1 : 0;
        inRun = red;
    }
    return runs;
}

// Qt may warn about the environment first (no XDG_RUNTIME_DIR, say); tiltctl's own message has
// to stand on a line of its own.
bool hasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line) != std::string::npos;
}

class TiltctlPlot : public ProgramTest {
  protected:
    static void SetUpTestSuite() {
        ensureCoreApplication();
        recordings_ = new QTemporaryDir;
        for (const auto& [name, preload] :
             {std::pair{"bin.tlg", Preload::Bin}, std::pair{"linear1.tlg", Preload::Linear1},
              std::pair{"linear3.tlg", Preload::Linear3}}) {
            tilt::device::downloadSimulatedRecording(
                tilt::testing::recording(preload, kPages, 1, kPushes), recording(name));
        }
    }
    static void TearDownTestSuite() {
        delete recordings_;
        recordings_ = nullptr;
    }

    [[nodiscard]] static std::string recording(const char* name) {
        return recordings_->filePath(name).toStdString();
    }

    static CtlResult plot(const std::string& file, const std::string& picture,
                          const QStringList& options = {}) {
        return runTiltctl(QStringList{"plot", QString::fromStdString(file), "-o",
                                      QString::fromStdString(picture)} +
                          options);
    }

    static inline QTemporaryDir* recordings_ = nullptr;
};

TEST_F(TiltctlPlot, Recordings_GivePicturesWithBothGraphsDrawn) {
    struct Case {
        const char* recording;
        QStringList options;
        const char* picture;
        int cursors;  // push cursors on each graph
    };
    const Case cases[] = {
        {"bin.tlg", {}, "bin1.png", 0},
        {"bin.tlg", {"--page", "3"}, "bin3.png", 0},
        {"linear3.tlg", {}, "linear3.png", 0},
        {"linear3.tlg", {"--pushes"}, "pushes.png", kPushes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        const std::string picture = path(c.picture);
        const auto result = plot(recording(c.recording), picture, c.options);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, picture + "\n");
        const QImage image(QString::fromStdString(picture));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), kPictureSize);
        const int middle = image.height() / 2;
        EXPECT_GT(countPixels(image, 0, middle, isPlotColour), 100) << "X graph";
        EXPECT_GT(countPixels(image, middle, image.height(), isPlotColour), 100) << "Y graph";
        EXPECT_EQ(pushCursors(image, 0, middle), c.cursors) << "X graph";
        EXPECT_EQ(pushCursors(image, middle, image.height()), c.cursors) << "Y graph";
    }
    EXPECT_FALSE(QImage(QString::fromStdString(path("bin1.png"))) ==
                 QImage(QString::fromStdString(path("bin3.png"))))
        << "--page made no difference";

    const auto pdf = plot(recording("linear1.tlg"), path("linear1.pdf"));
    ASSERT_EQ(pdf.exitCode, 0) << pdf.err;
    EXPECT_EQ(readFile(path("linear1.pdf")).substr(0, 5), "%PDF-");
}

TEST_F(TiltctlPlot, FilesThatCannotBeDrawn_AreRefusedWithTheReason) {
    std::ofstream(path("empty.tlg"), std::ios::binary);

    struct Case {
        std::string file;
        QStringList options;
        int exitCode;
        std::string message;
    };
    // A case for each message; which files earn it is src/view's to test.
    const Case cases[] = {
        {path("empty.tlg"), {}, 1, "This is not a Veltrimonic Download Pages file!\n"},
        {path("nowhere.tlg"), {}, 1, "No such file: " + path("nowhere.tlg") + "\n"},
        {recording("bin.tlg"),
         {"--page", "99"},
         1,
         "Unable to locate data page 99 in this file!\n"},
        // The last page has no line after it for the Y bins.
        {recording("bin.tlg"),
         {"--page", QString::number(kPages)},
         1,
         "End of data file has been reached!\n"},
        {recording("bin.tlg"),
         {"--pushes"},
         1,
         "This Veltrimonic Download is not supported in Button Mode!\n"},
        {recording("bin.tlg"), {"--page", "three"}, 2, "tiltctl plot: --page three is not"},
        {recording("linear3.tlg"), {"--page", "3"}, 2, "tiltctl plot: --page picks a page pair"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + c.options.join(' ').toStdString());
        const auto result = plot(c.file, path("refused.png"), c.options);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_TRUE(hasLine(result.err, c.message)) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(std::filesystem::exists(path("refused.png")));
    }

    const auto noPicture = runTiltctl({"plot", QString::fromStdString(recording("bin.tlg"))});
    EXPECT_EQ(noPicture.exitCode, 2);
    EXPECT_TRUE(hasLine(noPicture.err, "tiltctl plot: expected FILE -o OUT")) << noPicture.err;
}

}  // namespace
