#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace tilt::common::ui {

// A label that captions `field`: a screen reader names the field by it (a field inside a frame
// would otherwise be named by the frame's title), and its shortcut letter moves the focus there.
[[nodiscard]] QLabel* fieldCaption(const QString& caption, QWidget* field);

}  // namespace tilt::common::ui
