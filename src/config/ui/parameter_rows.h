#pragma once

#include <map>
#include <string_view>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace tilt::config {
struct Parameter;
}

namespace tilt::config::ui {

class NumEdit;

// The Configuration window's three frames of parameter rows (address label, value field,
// caption), made from the parameter map: the single addresses (bytes, the rate, the angles),
// the word addresses, and the logger's identity (serial number and launch time).
class ParameterRows {
  public:
    explicit ParameterRows(QWidget* parent);

    QGroupBox* fraSingleAddresses = nullptr;
    QGroupBox* fraAddresses = nullptr;
    QGroupBox* fra100108 = nullptr;
    QRadioButton* opt75Hz = nullptr;
    QRadioButton* opt15Hz = nullptr;

    // The numeric fields and the identity boxes by record field ("OffsetX", "SerialNumber").
    std::map<std::string_view, NumEdit*> numbers;
    std::map<std::string_view, QLineEdit*> identity;

    // The rate code the options choose: 75, 15, or 0 when neither is selected.
    [[nodiscard]] double rateCode() const;
    // 75 selects 7.5 Hz, anything else 15 Hz.
    void showRateCode(double code);
    void clearRate();

  private:
    void addNumberRow(QGroupBox* frame, const Parameter& p);
    void addRateRow(QGroupBox* frame, const Parameter& p);
    void addIdentityRow(QGroupBox* frame, int column, const Parameter& p);

    QButtonGroup* rates_ = nullptr;
};

}  // namespace tilt::config::ui
