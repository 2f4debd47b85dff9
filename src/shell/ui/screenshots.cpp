#include "shell/ui/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

#include "shell/error.h"
#include "shell/ui/mdi_form1.h"

namespace tilt::shell::ui {

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
}  // namespace

QStringList saveScreenshots(MDIForm1& frame, const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        throw Error(errc::kPathFileAccess, "Cannot create the folder " + folder.toStdString());
    }
    QStringList written{savePicture(frame, dir)};
    for (const QString& windowClass : frame.windows().windowClasses()) {
        QWidget* window = frame.windows().instance(windowClass);
        written << savePicture(*window, dir);
        window->close();
    }
    return written;
}

}  // namespace tilt::shell::ui
