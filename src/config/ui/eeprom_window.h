#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "common/ui/pictured.h"

class QLineEdit;
class QPushButton;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::config::ui {

class NumEdit;

// The EEPROM window: reads or writes one EEPROM cell of the logger at any address. Opened
// modally from the Configuration window. The exchange runs on the device thread; the buttons
// and the address wait for it.
class EepromWindow final : public QDialog, public common::ui::Pictured {
    Q_OBJECT

  public:
    explicit EepromWindow(common::ui::AppContext& context, QWidget* parent = nullptr);

    void readCell();
    void writeCell();
    void leave();

    // Reads address 30 (without any dialog), or just shows the window when no logger is there.
    void prepareForPicture() override;

  private:
    // The address as a cell number, or nothing when it is none (the user was told, unless
    // the window is being pictured).
    [[nodiscard]] std::optional<int> cellAddress(const char* action);
    void setControlsEnabled(bool enabled);
    void readEnded(std::optional<std::uint8_t> value);
    void tell(const std::string& message);

    common::ui::AppContext& context_;
    NumEdit* addressEdit_ = nullptr;
    QLineEdit* valueBox_ = nullptr;
    QPushButton* readButton_ = nullptr;
    QPushButton* writeButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    bool busy_ = false;
    bool picturing_ = false;
};

}  // namespace tilt::config::ui
