#include "config/ui/num_edit.h"

#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QValidator>
#include <algorithm>

namespace tilt::config::ui {

namespace {

constexpr int kShownDecimals = 4;
constexpr int kFieldWidth = 90;  // "-180.0055" and a little room

QString decimalPoint() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QStringLiteral(".") : point;
}

// Lets through number-shaped text only: digits, one decimal separator (the user's), and a
// leading minus. A minus is taken in every field, so that a typed -5 is told as below the
// field's lowest value rather than silently read as 5. Whether the number lies within the
// limits is judged when the typing ends, so that a value beyond them can still be corrected key
// by key.
class NumberShape final : public QValidator {
  public:
    explicit NumberShape(QObject* parent)
        : QValidator(parent),
          shape_(QStringLiteral("^-?[0-9]*(%1[0-9]*)?$")
                     .arg(QRegularExpression::escape(decimalPoint()))) {}

    State validate(QString& text, int& /*position*/) const override {
        // These fields hold no thousands: either point is taken as the decimal separator, so
        // that "12.5" typed out of habit is not read as 125.
        const QString point = decimalPoint();
        const QString other =
            point == QStringLiteral(",") ? QStringLiteral(".") : QStringLiteral(",");
        text.replace(other, point);
        if (!shape_.match(text).hasMatch()) {
            return Invalid;
        }
        // "", "-" and "5." are on their way to a number.
        const bool whole = !text.isEmpty() && text.back().isDigit();
        return whole ? Acceptable : Intermediate;
    }

  private:
    QRegularExpression shape_;
};

}  // namespace

NumEdit::NumEdit(double min, double max, QWidget* parent)
    : QLineEdit(parent), min_(min), max_(max) {
    setValidator(new NumberShape(this));
    setAlignment(Qt::AlignRight);
    setFixedWidth(kFieldWidth);
    setText(displayText(value_));
    connect(this, &QLineEdit::textEdited, this, [this] {
        typing_ = true;
        typedByUser_ = true;
        limitedFrom_.reset();
        emit valueEdited();
    });
}

std::optional<double> NumEdit::typedNumber() const {
    QString typed = text();
    typed.replace(decimalPoint(), QStringLiteral("."));
    bool ok = false;
    const double number = typed.toDouble(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

double NumEdit::typedValue() const {
    const auto typed = typedNumber();
    return typed ? std::clamp(*typed, min_, max_) : value_;
}

double NumEdit::value() const {
    return typing_ ? typedValue() : value_;
}

void NumEdit::setValue(double value) {
    value_ = value;
    typing_ = false;
    typedByUser_ = false;
    limitedFrom_.reset();
    setText(displayText(value_));
}

void NumEdit::commit() {
    if (!typing_) {
        return;
    }
    const auto typed = typedNumber();
    setValue(typedValue());
    typedByUser_ = true;
    if (typed && *typed != value_) {
        limitedFrom_ = *typed;
        emit limited();
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
    if (text == QStringLiteral("-0")) {
        return QStringLiteral("0");
    }
    return text.replace(QLatin1Char('.'), decimalPoint());
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
