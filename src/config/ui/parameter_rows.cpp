#include "config/ui/parameter_rows.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "common/ui/field_caption.h"
#include "config/parameter_map.h"
#include "config/ui/num_edit.h"

namespace tilt::config::ui {

namespace {

constexpr const char* kFrameCaption = "EEPROM Address - Value - Parameter";

// The objectName of each parameter's field (the rate's two options have their own).
constexpr std::array<std::pair<Field, std::string_view>, 32> kFieldNames{{
    {Field::OffsetX, "NumEdit2"},
    {Field::OffsetY, "NumEdit4"},
    {Field::OffsetZ, "NumEdit6"},
    {Field::GainX, "NumEdit8"},
    {Field::GainY, "NumEdit10"},
    {Field::GainZ, "NumEdit12"},
    {Field::TareX, "NumEdit14"},
    {Field::TareY, "NumEdit16"},
    {Field::LowAlarmX, "NumEdit18"},
    {Field::HighAlarmX, "NumEdit20"},
    {Field::LowAlarmY, "NumEdit22"},
    {Field::HighAlarmY, "NumEdit24"},
    {Field::MinBinAngle, "NumEdit26"},
    {Field::MaxBinAngle, "NumEdit28"},
    {Field::UpdateTimeIncrement, "NumEdit30"},
    {Field::Averages, "NumEdit31"},
    {Field::Shaker, "NumEdit32"},
    {Field::FilterLevel, "NumEdit33"},
    {Field::TareApplied, "NumEdit34"},
    {Field::Mode, "NumEdit42"},
    {Field::Channel, "NumEdit43"},
    {Field::Dac1, "NumEdit62"},
    {Field::Dac2, "NumEdit64"},
    {Field::Dac3, "NumEdit66"},
    {Field::Dac4, "NumEdit68"},
    {Field::SerialNumber, "txtSerialNumber"},
    {Field::LaunchDay, "txtDay"},
    {Field::LaunchYear, "txtYear"},
    {Field::LaunchHour, "txtHour"},
    {Field::LaunchMinute, "txtMinute"},
    {Field::LaunchSecond, "txtSecond"},
    {Field::LaunchMonth, "txtMonth"},
}};

// Where the identity rows stand: the serial number and the launch date on the left, the
// launch time of day on the right.
constexpr std::array<std::array<std::optional<Field>, 4>, 2> kIdentityColumns{{
    {Field::SerialNumber, Field::LaunchMonth, Field::LaunchDay, Field::LaunchYear},
    {Field::LaunchHour, Field::LaunchMinute, Field::LaunchSecond, std::nullopt},
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

QString objectNameOf(Field field) {
    for (const auto& [named, objectName] : kFieldNames) {
        if (named == field) {
            return name(objectName);
        }
    }
    return {};
}

// The caption beside a field, which a screen reader reads as the field's name (the frames all
// have the same title).
QLabel* captionOf(QWidget* field, const Parameter& p) {
    return common::ui::fieldCaption(name(p.caption), field);
}

}  // namespace

ParameterRows::ParameterRows(QWidget* parent)
    : singleAddressFrame(frame(parent, "fraSingleAddresses")),
      wordAddressFrame(frame(parent, "fraAddresses")),
      identityFrame(frame(parent, "fra100108")),
      rates_(new QButtonGroup(parent)) {
    for (int rank = 0; rank <= 2; ++rank) {
        for (const Parameter& p : parameterMap()) {
            if (singleRank(p.encoding) != rank) {
                continue;
            }
            if (p.encoding == Encoding::RateCode) {
                addRateRow(singleAddressFrame, p);
            } else {
                addNumberRow(singleAddressFrame, p);
            }
        }
    }
    for (const Parameter& p : parameterMap()) {
        if (inAddressFrame(p)) {
            addNumberRow(wordAddressFrame, p);
        }
    }
    for (int column = 0; column < static_cast<int>(kIdentityColumns.size()); ++column) {
        for (const std::optional<Field> field :
             kIdentityColumns[static_cast<std::size_t>(column)]) {
            if (field) {
                addIdentityRow(identityFrame, column, parameterOf(*field));
            }
        }
    }
    gridOf(identityFrame)->setColumnMinimumWidth(3, 24);
}

void ParameterRows::addNumberRow(QGroupBox* box, const Parameter& p) {
    QGridLayout* grid = gridOf(box);
    const int row = grid->rowCount();
    auto* field = new NumEdit(p.min, p.max, box);
    field->setObjectName(objectNameOf(p.field));
    grid->addWidget(new QLabel(addressLabel(p), box), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(captionOf(field, p), row, 2);
    numbers[p.field] = field;
}

void ParameterRows::addRateRow(QGroupBox* box, const Parameter& p) {
    QGridLayout* grid = gridOf(box);
    const int row = grid->rowCount();
    rate7p5Option = new QRadioButton(QStringLiteral("7.5 Hz ") + name(p.caption), box);
    rate7p5Option->setObjectName(QStringLiteral("opt75Hz"));
    rate15Option = new QRadioButton(QStringLiteral("15 Hz ") + name(p.caption), box);
    rate15Option->setObjectName(QStringLiteral("opt15Hz"));
    rates_->addButton(rate7p5Option);
    rates_->addButton(rate15Option);
    auto* options = new QVBoxLayout;
    options->setSpacing(2);
    options->addWidget(rate7p5Option);
    options->addWidget(rate15Option);
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
    text->setObjectName(objectNameOf(p.field));
    text->setReadOnly(true);
    text->setMaximumWidth(80);
    grid->addWidget(new QLabel(addressLabel(p), box), row, first);
    grid->addWidget(text, row, first + 1);
    grid->addWidget(captionOf(text, p), row, first + 2);
    identity[p.field] = text;
}

double ParameterRows::rateCode() const {
    return rate7p5Option->isChecked()  ? kRateCode7p5Hz
           : rate15Option->isChecked() ? kRateCode15Hz
                                       : 0;
}

void ParameterRows::showRateCode(double code) {
    (code == kRateCode7p5Hz ? rate7p5Option : rate15Option)->setChecked(true);
}

void ParameterRows::clearRate() {
    // An exclusive group keeps one option on: let go of it for the moment.
    rates_->setExclusive(false);
    rate7p5Option->setChecked(false);
    rate15Option->setChecked(false);
    rates_->setExclusive(true);
}

}  // namespace tilt::config::ui
