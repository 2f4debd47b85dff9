#include "config/ui/parameter_rows.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>
#include <vector>

#include "common/ui/field_caption.h"
#include "config/parameter_map.h"
#include "config/ui/num_edit.h"

namespace tilt::config::ui {

namespace {

constexpr const char* kFrameCaption = "EEPROM Address - Value - Parameter";

// Where the identity rows stand: the serial number and the launch date on the left, the
// launch time of day on the right.
constexpr std::array<std::array<std::string_view, 4>, 2> kIdentityColumns{{
    {"SerialNumber", "LaunchMonth", "LaunchDay", "LaunchYear"},
    {"LaunchHour", "LaunchMinute", "LaunchSecond", ""},
}};

// The order of the rows of the single-address frame: the bytes, the rate, then the angles.
int singleRank(Encoding encoding) {
    switch (encoding) {
        case Encoding::Byte:
            return 0;
        case Encoding::RateCode:
            return 1;
        case Encoding::AngleX:
        case Encoding::AngleY:
            return 2;
        case Encoding::Word:
        case Encoding::Unread:
        case Encoding::Identity:
            break;
    }
    return -1;  // not in this frame
}

bool inAddressFrame(const Parameter& p) {
    return p.encoding == Encoding::Word || p.encoding == Encoding::Unread;
}

QString addressLabel(const Parameter& p) {
    return p.cells == 2 ? QStringLiteral("%1/%2").arg(p.address).arg(p.address + 1)
                        : QString::number(p.address);
}

QGroupBox* frame(QWidget* parent, const char* name) {
    auto* box = new QGroupBox(QString::fromLatin1(kFrameCaption), parent);
    box->setObjectName(QString::fromLatin1(name));
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    return box;
}

QGridLayout* gridOf(QGroupBox* frame) {
    return static_cast<QGridLayout*>(frame->layout());
}

QString name(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The caption beside a field, which a screen reader reads as the field's name (the frames all
// have the same title).
QLabel* captionOf(QWidget* field, const Parameter& p) {
    return common::ui::fieldCaption(name(p.caption), field);
}

}  // namespace

ParameterRows::ParameterRows(QWidget* parent)
    : fraSingleAddresses(frame(parent, "fraSingleAddresses")),
      fraAddresses(frame(parent, "fraAddresses")),
      fra100108(frame(parent, "fra100108")),
      rates_(new QButtonGroup(parent)) {
    for (int rank = 0; rank <= 2; ++rank) {
        for (const Parameter& p : parameterMap()) {
            if (singleRank(p.encoding) != rank) {
                continue;
            }
            if (p.encoding == Encoding::RateCode) {
                addRateRow(fraSingleAddresses, p);
            } else {
                addNumberRow(fraSingleAddresses, p);
            }
        }
    }
    for (const Parameter& p : parameterMap()) {
        if (inAddressFrame(p)) {
            addNumberRow(fraAddresses, p);
        }
    }
    for (int column = 0; column < static_cast<int>(kIdentityColumns.size()); ++column) {
        for (const std::string_view field : kIdentityColumns[static_cast<std::size_t>(column)]) {
            if (const Parameter* p = field.empty() ? nullptr : findParameter(field)) {
                addIdentityRow(fra100108, column, *p);
            }
        }
    }
    gridOf(fra100108)->setColumnMinimumWidth(3, 24);
}

void ParameterRows::addNumberRow(QGroupBox* box, const Parameter& p) {
    QGridLayout* grid = gridOf(box);
    const int row = grid->rowCount();
    auto* field = new NumEdit(p.min, p.max, box);
    field->setObjectName(name(p.field));
    grid->addWidget(new QLabel(addressLabel(p), box), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(captionOf(field, p), row, 2);
    numbers[p.recordField] = field;
}

void ParameterRows::addRateRow(QGroupBox* box, const Parameter& p) {
    QGridLayout* grid = gridOf(box);
    const int row = grid->rowCount();
    opt75Hz = new QRadioButton(QStringLiteral("7.5 Hz ") + name(p.caption), box);
    opt75Hz->setObjectName(QStringLiteral("opt75Hz"));
    opt15Hz = new QRadioButton(QStringLiteral("15 Hz ") + name(p.caption), box);
    opt15Hz->setObjectName(QStringLiteral("opt15Hz"));
    rates_->addButton(opt75Hz);
    rates_->addButton(opt15Hz);
    auto* options = new QVBoxLayout;
    options->setSpacing(2);
    options->addWidget(opt75Hz);
    options->addWidget(opt15Hz);
    grid->addWidget(new QLabel(addressLabel(p), box), row, 0, Qt::AlignTop);
    grid->addLayout(options, row, 1, 1, 2);
}

void ParameterRows::addIdentityRow(QGroupBox* box, int column, const Parameter& p) {
    QGridLayout* grid = gridOf(box);
    const int first = column * 4;
    int row = 0;
    while (grid->itemAtPosition(row, first + 1) != nullptr) {
        ++row;
    }
    auto* text = new QLineEdit(box);
    text->setObjectName(name(p.field));
    text->setReadOnly(true);
    text->setMaximumWidth(80);
    grid->addWidget(new QLabel(addressLabel(p), box), row, first);
    grid->addWidget(text, row, first + 1);
    grid->addWidget(captionOf(text, p), row, first + 2);
    identity[p.recordField] = text;
}

double ParameterRows::rateCode() const {
    return opt75Hz->isChecked() ? kRate75Hz : opt15Hz->isChecked() ? kRate15Hz : 0;
}

void ParameterRows::showRateCode(double code) {
    (code == kRate75Hz ? opt75Hz : opt15Hz)->setChecked(true);
}

void ParameterRows::clearRate() {
    // An exclusive group keeps one option on: let go of it for the moment.
    rates_->setExclusive(false);
    opt75Hz->setChecked(false);
    opt15Hz->setChecked(false);
    rates_->setExclusive(true);
}

}  // namespace tilt::config::ui
