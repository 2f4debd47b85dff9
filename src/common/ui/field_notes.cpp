#include "common/ui/field_notes.h"

#include <QWidget>

namespace tilt::common::ui {

void markField(QWidget* field, bool marked) {
    field->setStyleSheet(marked ? QStringLiteral("background-color: #ffe98a;") : QString());
}

QString limitNote(const QString& caption, const QString& typed, const QString& kept, bool above) {
    return QStringLiteral("%1: %2 is %3 %4; %4 will be written.")
        .arg(caption, typed,
             above ? QStringLiteral("above the highest value")
                   : QStringLiteral("below the lowest value"),
             kept);
}

}  // namespace tilt::common::ui
