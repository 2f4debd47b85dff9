#include "config/ui/num_edit.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QValidator>
#include <algorithm>

namespace tilt::config::ui {

namespace {

constexpr int kShownDecimals = 4;
constexpr int kFieldWidth = 90;  // "-180.0055" and a little room

// Lets through number-shaped text only: digits, one decimal point, and a leading minus where
// the field goes below zero. Whether the number lies within the limits is judged when the
// typing ends, so that a value beyond them can still be corrected key by key.
class NumberShape final : public QValidator {
  public:
    NumberShape(double min, double max, QObject* parent)
        : QValidator(parent),
          min_(min),
          max_(max),
          shape_(min < 0 ? QStringLiteral("^-?[0-9]*\\.?[0-9]*$")
                         : QStringLiteral("^[0-9]*\\.?[0-9]*$")) {}

    State validate(QString& text, int& /*position*/) const override {
        if (!shape_.match(text).hasMatch()) {
            return Invalid;
        }
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok && value >= min_ && value <= max_ ? Acceptable : Intermediate;
    }

  private:
    double min_;
    double max_;
    QRegularExpression shape_;
};

}  // namespace

NumEdit::NumEdit(double min, double max, QWidget* parent)
    : QLineEdit(parent), min_(min), max_(max) {
    setValidator(new NumberShape(min, max, this));
    setAlignment(Qt::AlignRight);
    setFixedWidth(kFieldWidth);
    setText(displayText(value_));
    connect(this, &QLineEdit::textEdited, this, [this] {
        typing_ = true;
        emit valueEdited();
    });
}

double NumEdit::typedValue() const {
    bool ok = false;
    const double typed = text().toDouble(&ok);
    return ok ? std::clamp(typed, min_, max_) : value_;
}

double NumEdit::value() const {
    return typing_ ? typedValue() : value_;
}

void NumEdit::setValue(double value) {
    value_ = value;
    typing_ = false;
    setText(displayText(value_));
}

void NumEdit::commit() {
    if (typing_) {
        setValue(typedValue());
    }
}

QString NumEdit::displayText(double value) {
    QString text = QString::number(value, 'f', kShownDecimals);
    while (text.endsWith(QLatin1Char('0'))) {
        text.chop(1);
    }
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

void NumEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        commit();
    }
    QLineEdit::keyPressEvent(event);
}

void NumEdit::focusOutEvent(QFocusEvent* event) {
    commit();
    QLineEdit::focusOutEvent(event);
}

}  // namespace tilt::config::ui
