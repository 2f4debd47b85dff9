#include "frame/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>

#include "common/error.h"
#include "common/ui/pictured.h"
#include "device/recording_file.h"
#include "frame/frame_window.h"
#include "view/ui/button_push_graph_window.h"
#include "view/ui/graph_window.h"

namespace tilt::frame {

namespace {
QString savePicture(QWidget& window, const QDir& dir) {
    window.show();
    QApplication::processEvents();
    const QString path = dir.filePath(window.objectName() + QStringLiteral(".png"));
    if (!window.grab().save(path)) {
        throw Error(errc::kPathFileAccess, "Cannot write " + path.toStdString());
    }
    return path;
}

// The graph windows are pictured with a recording of the simulated logger: the Graph window
// with bin pages, the button-push view with a linear recording and all its pushes marked.
void loadRecording(QWidget& window, const QDir& scratch) {
    device::SimOptions options;
    options.seed = 7;
    options.pages = 40;
    if (auto* graph = qobject_cast<view::ui::GraphWindow*>(&window)) {
        options.preload = device::Preload::Bin;
        const QString file = scratch.filePath(QStringLiteral("simulated bin recording.tlg"));
        device::downloadSimulatedRecording(options, file.toStdString());
        graph->openFile(file);
    } else if (auto* pushes = qobject_cast<view::ui::ButtonPushGraphWindow*>(&window)) {
        options.preload = device::Preload::Linear3;
        options.pushes = 4;
        const QString file = scratch.filePath(QStringLiteral("simulated linear recording.tlg"));
        device::downloadSimulatedRecording(options, file.toStdString());
        pushes->openFile(file);
        pushes->toggleAllPushes();
    }
}
}  // namespace

QStringList saveScreenshots(FrameWindow& frame, const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        throw Error(errc::kPathFileAccess, "Cannot create the folder " + folder.toStdString());
    }
    const QTemporaryDir scratch;
    QStringList written{savePicture(frame, dir)};
    for (const WindowId id : frame.windows().registered()) {
        QWidget* window = frame.windows().instance(id);
        loadRecording(*window, QDir(scratch.path()));
        if (auto* pictured = dynamic_cast<common::ui::Pictured*>(window)) {
            pictured->prepareForPicture();
        }
        written << savePicture(*window, dir);
        window->close();
    }
    return written;
}

}  // namespace tilt::frame
