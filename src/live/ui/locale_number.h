#pragma once

#include <QLocale>
#include <QString>

namespace tilt::live::ui {

// A number as the live windows' boxes show it: in the user's locale (its decimal point), without
// group separators, as many digits as it has, and never "-0" (a reading rounded to nought is
// nought).
inline QString localeNumber(double value) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value == 0 ? 0.0 : value, 'g', 15);
}

}  // namespace tilt::live::ui
