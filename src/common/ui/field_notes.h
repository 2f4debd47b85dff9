#pragma once

#include <QString>

class QWidget;

namespace tilt::common::ui {

// How a window marks a field whose value the user should look at (one a write would change,
// one that holds what no write can send), or unmarks it.
void markField(QWidget* field, bool marked);

// What a window says of a value it brought back within a field's limits: "X Gain: 70000 is above
// the highest value 65535; 65535 will be written." The numbers come as the field shows them.
[[nodiscard]] QString limitNote(const QString& caption, const QString& typed, const QString& kept,
                                bool above);

}  // namespace tilt::common::ui
