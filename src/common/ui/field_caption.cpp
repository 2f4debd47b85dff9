#include "common/ui/field_caption.h"

#include <QLabel>

namespace tilt::common::ui {

QLabel* fieldCaption(const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption, field->parentWidget());
    label->setBuddy(field);
    return label;
}

}  // namespace tilt::common::ui
