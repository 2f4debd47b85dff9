#pragma once

#include <map>

#include "config/parameter_map.h"

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace tilt::config::ui {

class NumEdit;

// The Configuration window's three frames of parameter rows (address label, value field,
// caption), made from the parameter map: the single addresses (bytes, the rate, the angles),
// the word addresses, and the logger's identity (serial number and launch time).
class ParameterRows {
  public:
    explicit ParameterRows(QWidget* parent);

    QGroupBox* singleAddressFrame = nullptr;
    QGroupBox* wordAddressFrame = nullptr;
    QGroupBox* identityFrame = nullptr;
    QRadioButton* rate7p5Option = nullptr;
    QRadioButton* rate15Option = nullptr;

    // The numeric fields and the identity boxes by their parameter.
    std::map<Field, NumEdit*> numbers;
    std::map<Field, QLineEdit*> identity;

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
