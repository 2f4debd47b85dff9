#pragma once

#include <QDialog>

namespace tilt::shell::ui {
struct AppContext;
}

namespace tilt::config::ui {

// The EEPROM window (being built).
class EEPROM final : public QDialog {
  public:
    explicit EEPROM(shell::ui::AppContext& context, QWidget* parent = nullptr);
};

}  // namespace tilt::config::ui
