#include "config/ui/eeprom_key_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace tilt::config::ui {

int numericKeyFilter(const QLineEdit& box, int keyCode) {
    if (keyCode == kKeyBackspace || (keyCode >= '0' && keyCode <= '9')) {
        return keyCode;
    }
    if (keyCode == kKeyMinus && box.text().isEmpty()) {
        return keyCode;
    }
    return kKeyEnter;
}

NumericKeys::NumericKeys(QLineEdit* box) : QObject(box), box_(box) {
    box->installEventFilter(this);
}

bool NumericKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched != box_ || event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    int code = 0;
    if (key->key() == Qt::Key_Backspace) {
        code = kKeyBackspace;
    } else if (!key->text().isEmpty()) {
        code = key->text().front().unicode();
    } else {
        return false;  // types nothing
    }
    if (code == kKeyEnter) {
        return false;
    }
    return numericKeyFilter(*box_, code) == kKeyEnter;  // swallowed: no effect
}

}  // namespace tilt::config::ui
