#include "platform/ui/qt_file_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace tilt::platform::ui {

namespace {
std::optional<std::string> runDialog(const FileDialogs::Request& request,
                                     QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                       QString::fromStdString(request.folder),
                       QString::fromStdString(request.filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    if (!request.selectedFilter.empty()) {
        dialog.selectNameFilter(QString::fromStdString(request.selectedFilter));
    }
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.fileName.empty()) {
        dialog.selectFile(QString::fromStdString(request.fileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}
}  // namespace

std::optional<std::string> QtFileDialogs::save(const Request& request) {
    return runDialog(request, QFileDialog::AcceptSave);
}

std::optional<std::string> QtFileDialogs::open(const Request& request) {
    return runDialog(request, QFileDialog::AcceptOpen);
}

}  // namespace tilt::platform::ui
