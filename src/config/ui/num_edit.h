#pragma once

#include <QLineEdit>
#include <optional>

namespace tilt::config::ui {

// A numeric field. It holds its value as a double exactly as the program set it (an angle read
// from the logger keeps all its digits; a read of 65535 into a field of 0 to 1024 stays 65535)
// and shows it briefly, with up to four decimals and the decimal separator of the user's number
// settings, which is also the one it takes. Its minimum and maximum bound what the user types:
// only number-shaped text can be typed, and when the typing ends (Enter, leaving the field, or
// commit()) a number beyond a limit becomes that limit, which the field then remembers to tell
// (limitedFrom()), and a text that is no number yet ("", "-") gives the value back that the field
// held before.
class NumEdit final : public QLineEdit {
    Q_OBJECT

  public:
    NumEdit(double min, double max, QWidget* parent = nullptr);

    [[nodiscard]] double minimum() const { return min_; }
    [[nodiscard]] double maximum() const { return max_; }

    // What the field holds: while the user types, what the typing will give when it ends.
    [[nodiscard]] double value() const;

    // Sets the value as it stands, limits or not, and shows it.
    void setValue(double value);

    // Ends the user's typing: the typed value is taken, within the limits, and shown.
    void commit();

    // The number the user typed when the last typing ended beyond a limit and was brought back
    // to it; nothing once the value has been set or typed again.
    [[nodiscard]] std::optional<double> limitedFrom() const { return limitedFrom_; }

    // Whether the value is the user's: typed since the program last set it.
    [[nodiscard]] bool typedByUser() const { return typedByUser_; }

    // How a value is shown: at most four decimals, no trailing zeros, the user's decimal
    // separator ("-180.0055", "323", "0,5" where the separator is a comma).
    [[nodiscard]] static QString displayText(double value);

  signals:
    // The user changed the value by typing (each key, not only at the end).
    void valueEdited();
    // A typing ended beyond a limit: the field now holds the limit.
    void limited();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    [[nodiscard]] std::optional<double> typedNumber() const;
    [[nodiscard]] double typedValue() const;

    double min_;
    double max_;
    double value_ = 0;
    bool typing_ = false;
    bool typedByUser_ = false;
    std::optional<double> limitedFrom_;
};

}  // namespace tilt::config::ui
