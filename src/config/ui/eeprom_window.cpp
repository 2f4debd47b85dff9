#include "config/ui/eeprom_window.h"

namespace tilt::config::ui {

EEPROM::EEPROM(shell::ui::AppContext& /*context*/, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("EEPROM"));
    setWindowTitle(QStringLiteral("EEPROM"));
}

}  // namespace tilt::config::ui
