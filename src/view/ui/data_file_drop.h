#pragma once

#include <QString>
#include <optional>

class QDragEnterEvent;
class QDropEvent;

namespace tilt::view::ui {

// Data files dragged onto a window: a drag that carries a local file is accepted, and the drop
// gives its first local file.
void acceptDataFileDrag(QDragEnterEvent& event);
[[nodiscard]] std::optional<QString> takeDroppedDataFile(QDropEvent& event);

}  // namespace tilt::view::ui
