#include "view/ui/graph_window.h"

#include <gtest/gtest.h>
#include <QDropEvent>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>

#include <filesystem>

#include "support/gui_harness.h"
#include "support/temp_folder.h"
#include "view/plot/plot_control.h"
#include "view/ui/graph_test_files.h"
#include "view/ui/recording_outputs.h"

namespace tilt::view::ui {
namespace {

using plot::Presentation;
using testing::GraphTestFiles;
using testing::readFile;

class GraphWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        gui.start();
        graph = qobject_cast<ui::GraphWindow*>(gui.frame->windows().show(frame::WindowId::Graph));
        ASSERT_NE(graph, nullptr);
        files.folder = gui.root.path().toStdString();
    }
    QString box(const char* name) { return graph->findChild<QLineEdit*>(name)->text(); }
    QLineEdit* pageBoxX() { return graph->findChild<QLineEdit*>("txtPageNumberX"); }
    bool enabled(const char* name) { return graph->findChild<QPushButton*>(name)->isEnabled(); }
    void open(const std::string& file) {
        gui.fileDialogs.answers.push_back(file);
        graph->chooseAndOpenFile();
    }
    // The count the X graph shows at a degree.
    double countAtX(int degree) { return graph->graphX().point(degree + 180).y(); }

    testing::GuiHarness gui;
    GraphTestFiles files;
    ui::GraphWindow* graph = nullptr;
};

TEST_F(GraphWindow, LoadsWithPageZero_AndIsReachedFromTheMenuAndTheCommandLine) {
    EXPECT_EQ(graph->windowTitle(), "Graph");
    EXPECT_EQ(box("txtPageNumberX"), "0");
    EXPECT_EQ(box("txtPageNumberY"), "1");
    EXPECT_FALSE(enabled("cmdPrevious"));
    EXPECT_TRUE(enabled("cmdNext"));
    graph->showNextPages();
    EXPECT_EQ(gui.texts(), std::vector<std::string>{"No data file has been selected!"});

    // The window is reached from the main menu and from the command line.
    graph->close();
    QApplication::processEvents();
    gui.action("mnuGraph")->trigger();
    EXPECT_NE(gui.openWindow("Graph"), nullptr);
    gui.action("mnuGBP")->trigger();
    EXPECT_NE(gui.openWindow("GraphBP"), nullptr);

    const std::string file =
        files.write("given.tlg", GraphTestFiles::linearHeader(3) + GraphTestFiles::pairLine(1, 10));
    gui.frame->openDataFile(QString::fromStdString(file));
    auto* shown = qobject_cast<ui::GraphWindow*>(gui.openWindow("Graph"));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->fileName().toStdString(), file);
    EXPECT_EQ(shown->graphX().pointCount(), 133);
}

TEST_F(GraphWindow, OpenDialogOrHandOff_ThenABinFileOfTwoPairsStepsThroughThem) {
    graph->chooseAndOpenFile();  // no answer: cancelled
    ASSERT_EQ(gui.fileDialogs.requests.size(), 1U);
    const auto& request = gui.fileDialogs.requests.front();
    EXPECT_EQ(request.filter, "TLG Files (*.tlg)");
    EXPECT_EQ(request.folder, gui.context.paths.dataFiles().string());
    EXPECT_EQ(request.defaultSuffix, "tlg");
    EXPECT_TRUE(gui.texts().empty());
    EXPECT_TRUE(gui.errors.reports.empty());
    EXPECT_EQ(box("txtFileName"), "");

    // A file handed over by a download opens without the dialog; the next open asks again.
    const std::string file =
        files.write("new.tlg", GraphTestFiles::binHeader() + GraphTestFiles::binLine(1, 1) +
                                   GraphTestFiles::binLine(2, 1));
    graph->openFile(QString::fromStdString(file));
    EXPECT_EQ(gui.fileDialogs.requests.size(), 1U);
    EXPECT_EQ(box("txtFileName").toStdString(), file);
    graph->chooseAndOpenFile();
    EXPECT_EQ(gui.fileDialogs.requests.size(), 2U);

    // A bin file of two pairs steps through them, with the described ends.
    open(files.write("bins.tlg", GraphTestFiles::binHeader() + GraphTestFiles::binLine(1, 1) +
                                     GraphTestFiles::binLine(2, 1001) +
                                     GraphTestFiles::binLine(3, 2001) +
                                     GraphTestFiles::binLine(4, 3001)));
    EXPECT_EQ(box("txtPageNumberX"), "1");
    EXPECT_EQ(box("txtPageNumberY"), "2");
    EXPECT_EQ(graph->currentPage(), 1);
    EXPECT_FALSE(enabled("cmdPrevious"));
    ASSERT_EQ(graph->graphX().pointCount(), 361);
    ASSERT_EQ(graph->graphY().pointCount(), 181);
    EXPECT_EQ(graph->graphX().point(0).x(), -180);
    EXPECT_EQ(countAtX(-180), 1);
    EXPECT_EQ(graph->graphY().point(90 + 90).y(), 1132);
    EXPECT_EQ(graph->graphX().axisRange(PlotControl::kXAxis), QCPRange(-180, 180));
    EXPECT_EQ(graph->graphY().axisRange(PlotControl::kXAxis), QCPRange(-90, 90));

    graph->showNextPages();
    EXPECT_EQ(box("txtPageNumberX"), "3");
    EXPECT_EQ(box("txtPageNumberY"), "4");
    EXPECT_TRUE(enabled("cmdPrevious"));
    EXPECT_EQ(countAtX(-180), 2001);

    graph->showNextPages();
    EXPECT_EQ(gui.texts(), std::vector<std::string>{"Unable to locate data page 5 in this file!"});
    EXPECT_EQ(box("txtPageNumberX"), "5");
    EXPECT_EQ(box("txtPageNumberY"), "6");
    EXPECT_EQ(countAtX(-180), 2001) << "the graphs keep the last page pair found";

    graph->showPreviousPages();
    EXPECT_EQ(box("txtPageNumberX"), "3");
    graph->showPreviousPages();
    EXPECT_EQ(box("txtPageNumberX"), "1");
    EXPECT_EQ(countAtX(-180), 1);
    EXPECT_TRUE(enabled("cmdPrevious")) << "arriving at page 1 leaves Previous enabled";
    graph->showPreviousPages();
    EXPECT_FALSE(enabled("cmdPrevious"));
    EXPECT_EQ(box("txtPageNumberX"), "1");
    EXPECT_EQ(gui.texts().size(), 1U);
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST_F(GraphWindow, ForeignOrBrokenFiles_GetTheirMessagesOrNothing) {
    const std::string notPages = "Not pages.tlg";
    open(files.write(notPages, GraphTestFiles::header("Download Pages ", "Bin/Linear Mode = 0",
                                                      "Linear Channel = 3", "Page,Data-->")));
    EXPECT_EQ(gui.texts(),
              std::vector<std::string>{"This is not a Veltrimonic Download Pages file!"});
    EXPECT_EQ(box("txtFileName"), "") << "the name of a foreign file goes";

    const std::string empty = files.write("empty.tlg", "");
    open(empty);
    EXPECT_EQ(gui.texts().size(), 2U);
    EXPECT_EQ(gui.texts().back(), "This is not a Veltrimonic Download Pages file!");
    EXPECT_EQ(box("txtFileName").toStdString(), empty) << "an empty file keeps its name";

    // An unknown mode, a header cut short and a missing file end quietly.
    open(files.write("mode 2.tlg", GraphTestFiles::header("Download Pages", "Bin/Linear Mode = 2",
                                                          "Linear Channel = 3", "Page")));
    open(files.write("short.tlg", "a\r\nDownload Pages\r\n"));
    open(files.path("missing.tlg"));
    EXPECT_EQ(gui.texts().size(), 2U);
    EXPECT_TRUE(gui.errors.reports.empty());

    // A linear file cut inside its header: eleven lines pass the header check; the reader needs
    // twelve.
    std::string header = GraphTestFiles::linearHeader(1);
    header.erase(header.rfind("Page,"));
    open(files.write("cut.tlg", header));
    EXPECT_EQ(gui.texts().size(), 3U);
    EXPECT_EQ(gui.texts().back(), "End of data file has been reached!");
}

TEST_F(GraphWindow, BadBinLineIsReportedAsBig_TypedPageNumbersMoveTheYBox) {
    std::string broken = GraphTestFiles::binLine(2, 1);
    broken.replace(broken.find(",5,"), 3, ",x,");
    open(files.write("bad.tlg",
                     GraphTestFiles::binHeader() + GraphTestFiles::binLine(1, 1) + broken));
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].source, "Big");
    EXPECT_EQ(gui.errors.reports[0].screen, "Graph");

    // A typed page number changes the Y box only, and Next needs a number.
    gui.errors.reports.clear();
    open(files.write("bins.tlg", GraphTestFiles::binHeader() + GraphTestFiles::binLine(1, 1) +
                                     GraphTestFiles::binLine(2, 1)));
    pageBoxX()->setText("7");
    EXPECT_EQ(box("txtPageNumberY"), "8");
    EXPECT_EQ(graph->currentPage(), 1);
    pageBoxX()->setText("abc");
    EXPECT_EQ(box("txtPageNumberY"), "1");
    graph->showNextPages();
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].source, "cmdNext_Click");
    EXPECT_EQ(gui.errors.reports[0].number, 13);
    EXPECT_EQ(graph->currentPage(), 1) << "nothing moved";
}

TEST_F(GraphWindow, LinearFilesShowWholeTraces_ABinPairCutOffByTheEndStopsNext) {
    open(files.write("two.tlg", GraphTestFiles::linearHeader(3) + GraphTestFiles::pairLine(1, 10) +
                                    GraphTestFiles::pairLine(2, 20)));
    EXPECT_EQ(box("txtPageNumberX"), "0");
    EXPECT_EQ(box("txtPageNumberY"), "1");
    EXPECT_FALSE(enabled("cmdPrevious"));
    EXPECT_FALSE(enabled("cmdNext"));
    EXPECT_EQ(graph->linearChannel(), LinearChannel::Both);
    ASSERT_EQ(graph->graphX().pointCount(), 265);
    ASSERT_EQ(graph->graphY().pointCount(), 265);
    EXPECT_EQ(graph->graphX().point(133).y(), 21);
    EXPECT_EQ(graph->graphY().point(133).y(), -21);
    EXPECT_EQ(graph->graphX().point(264).y(), 0) << "the trailing element";
    EXPECT_EQ(graph->graphX().axisRange(PlotControl::kXAxis), QCPRange(0, 264));
    EXPECT_EQ(graph->graphX().axisRange(PlotControl::kYAxis), QCPRange(-180, 180));
    EXPECT_EQ(graph->graphY().axisRange(PlotControl::kYAxis), QCPRange(-90, 90));
    EXPECT_EQ(graph->graphX().presentation(), Presentation::Trace);

    open(
        files.write("one.tlg", GraphTestFiles::linearHeader(2) + GraphTestFiles::sampleLine(1, 5)));
    EXPECT_EQ(graph->graphX().pointCount(), 0) << "channel 2 fills the Y graph only";
    EXPECT_EQ(graph->graphY().pointCount(), 265);

    std::string four = GraphTestFiles::linearHeader(3);
    four.replace(four.find("Linear Channel = 3"), 18, "Linear Channel = 4");
    open(files.write("four.tlg", four + GraphTestFiles::pairLine(1, 10)));
    EXPECT_EQ(graph->graphX().pointCount(), 0);
    EXPECT_EQ(graph->graphY().pointCount(), 0);
    EXPECT_TRUE(gui.texts().empty());

    // A bin pair cut off by the end of the file is remembered, and Next stops there.
    const std::string file =
        files.write("cut.tlg", GraphTestFiles::binHeader() + GraphTestFiles::binLine(1, 1) +
                                   GraphTestFiles::binLine(2, 1) + GraphTestFiles::binLine(3, 9));
    open(file);
    graph->showNextPages();
    EXPECT_EQ(graph->lastPage(), 3);
    EXPECT_EQ(box("txtPageNumberX"), "3");
    EXPECT_EQ(countAtX(-180), 1) << "the graphs keep page 1";
    // From now on Next at page 3 says the same without reading the file, which is gone.
    std::filesystem::remove(file);
    graph->showNextPages();
    graph->showNextPages();
    EXPECT_EQ(gui.texts(), std::vector<std::string>(3, "End of data file has been reached!"));
    EXPECT_EQ(box("txtPageNumberX"), "3");
    EXPECT_TRUE(gui.errors.reports.empty());
}

// What both graph windows share (from the recording window they are made on): the picture
// export, and data files dropped on the window.
TEST_F(GraphWindow, ExportsBothGraphs_AndOpensADroppedFile) {
    const std::string file = files.write(
        "dropped.tlg", GraphTestFiles::linearHeader(3) + GraphTestFiles::pairLine(1, 10));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window: the application hands drops only to the target of a real drag.
    static_cast<QObject*>(graph)->event(&drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(graph->fileName().toStdString(), file);
    EXPECT_EQ(graph->graphX().pointCount(), 133);

    gui.fileDialogs.answers.push_back(files.path("report"));  // typed without a suffix
    graph->exportGraphs();
    ASSERT_EQ(gui.fileDialogs.requests.size(), 1U);
    EXPECT_EQ(gui.fileDialogs.requests[0].fileName, "dropped.png");
    EXPECT_FALSE(QImage(QString::fromStdString(files.path("report.png"))).isNull());
    EXPECT_TRUE(gui.texts().empty());
}

// File > Export Data and File > Report write their files off the window's thread; the status
// line says where; a file that is damaged half-way gets its reason in a message.
TEST_F(GraphWindow, ExportDataAndReport_WriteTheShownFile_AndSayWhere) {
    const std::string file =
        files.write("walk.tlg", GraphTestFiles::linearHeader(3) + GraphTestFiles::pairLine(1, 10));
    open(file);
    QLocale::setDefault(QLocale(QLocale::German));  // numbers keep their "." all the same
    const auto finish = [&](const char* action, const std::string& answer) {
        gui.fileDialogs.answers.push_back(answer);
        QSignalSpy finished(&graph->outputs(), &RecordingOutputs::finished);
        graph->findChild<QAction*>(action)->trigger();
        EXPECT_TRUE(finished.wait(10000)) << action;
        return finished.isEmpty() ? QString() : finished.first().first().toString();
    };
    EXPECT_EQ(finish("mnuExportData", files.path("walk.json")),
              QStringLiteral("Exported 132 rows to %1")
                  .arg(QString::fromStdString(files.path("walk.json"))));
    EXPECT_EQ(gui.fileDialogs.requests.back().fileName, "walk.csv");
    EXPECT_EQ(readFile(files.path("walk.json")).substr(0, 9), "{\"X\":10,\"");
    EXPECT_NE(readFile(files.path("walk.json")).find("\"seconds\":0.067,"), std::string::npos);
    EXPECT_TRUE(finish("mnuReport", files.path("walk.pdf")).startsWith("Report saved to"));
    EXPECT_EQ(readFile(files.path("walk.pdf")).substr(0, 5), "%PDF-");
    EXPECT_TRUE(gui.texts().empty());

    files.write("walk.tlg", GraphTestFiles::linearHeader(3) + "1,10,10\r\n");
    EXPECT_NE(finish("mnuExportData", files.path("cut.csv")).indexOf("holds 2 values"), -1);
    ASSERT_EQ(gui.texts().size(), 1U);
    EXPECT_FALSE(std::filesystem::exists(files.path("cut.csv")));
    QLocale::setDefault(QLocale::c());
}

}  // namespace
}  // namespace tilt::view::ui
