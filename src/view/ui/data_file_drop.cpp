#include "view/ui/data_file_drop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace tilt::view::ui {

namespace {
std::optional<QString> firstLocalFile(const QMimeData* data) {
    if (data == nullptr) {
        return std::nullopt;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return std::nullopt;
}
}  // namespace

void acceptDataFileDrag(QDragEnterEvent& event) {
    if (firstLocalFile(event.mimeData())) {
        event.acceptProposedAction();
    }
}

std::optional<QString> takeDroppedDataFile(QDropEvent& event) {
    auto file = firstLocalFile(event.mimeData());
    if (file) {
        event.acceptProposedAction();
    }
    return file;
}

}  // namespace tilt::view::ui
