// What both graph windows share: the picture export and data files dropped on the window.
#include <gtest/gtest.h>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>

#include "support/gui_harness.h"
#include "view/plot/plot_control.h"
#include "view/ui/graph_test_files.h"
#include "view/ui/graph_window.h"

namespace tilt::view::ui {
namespace {

TEST(RecordingWindow, ExportsBothGraphs_AndOpensADroppedFile) {
    testing::GuiHarness gui;
    gui.start();
    auto* graph = qobject_cast<GraphWindow*>(gui.frame->windows().show(frame::WindowId::Graph));
    ASSERT_NE(graph, nullptr);
    testing::GraphTestFiles files{gui.root.path().toStdString()};
    const std::string file =
        files.write("dropped.tlg", testing::GraphTestFiles::linearHeader(3) +
                                       testing::GraphTestFiles::pairLine(1, 10));

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

}  // namespace
}  // namespace tilt::view::ui
