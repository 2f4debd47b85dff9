#pragma once

#include <QObject>

class QLineEdit;

namespace tilt::config::ui {

// The key codes of the value box's filter.
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyMinus = 45;

// What a character typed into `box` becomes: a backspace and the digits pass, a minus sign
// passes only into an empty box, and anything else becomes Enter, which a single-line box does
// not insert.
[[nodiscard]] int numericKeyFilter(const QLineEdit& box, int keyCode);

// Puts every character typed into `box` through numericKeyFilter; a key that becomes Enter has
// no effect. Keys that type nothing (arrows, Delete, Home) are left alone.
class NumericKeys final : public QObject {
  public:
    explicit NumericKeys(QLineEdit* box);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* box_;
};

}  // namespace tilt::config::ui
