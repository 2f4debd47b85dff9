#pragma once

#include <QLineEdit>

namespace tilt::config::ui {

// A numeric field. It holds its value as a double exactly as the program set it (an angle read
// from the logger keeps all its digits; a read of 65535 into a field of 0 to 1024 stays 65535)
// and shows it briefly, with up to four decimals. Its minimum and maximum bound what the user
// types: only number-shaped text can be typed, and when the typing ends (Enter, leaving the
// field, or commit()) a number beyond a limit becomes that limit, and a text that is no number
// yet ("", "-") gives the value back that the field held before.
class NumEdit final : public QLineEdit {
    Q_OBJECT

  public:
    NumEdit(double min, double max, QWidget* parent = nullptr);

    [[nodiscard]] double Min() const { return min_; }
    [[nodiscard]] double Max() const { return max_; }

    // What the field holds: while the user types, what the typing will give when it ends.
    [[nodiscard]] double value() const;

    // Sets the value as it stands, limits or not, and shows it.
    void setValue(double value);

    // Ends the user's typing: the typed value is taken, within the limits, and shown.
    void commit();

    // How a value is shown: at most four decimals, no trailing zeros ("-180.0055", "323").
    [[nodiscard]] static QString displayText(double value);

  signals:
    // The user changed the value by typing (each key, not only at the end).
    void valueEdited();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    [[nodiscard]] double typedValue() const;

    double min_;
    double max_;
    double value_ = 0;
    bool typing_ = false;
};

}  // namespace tilt::config::ui
