#include "config/ui/eeprom_window.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "common/error.h"
#include "common/messages.h"
#include "common/number_text.h"
#include "common/rounding.h"
#include "common/text_value.h"
#include "common/ui/app_context.h"
#include "common/ui/field_caption.h"
#include "config/eeprom_access.h"
#include "config/ui/eeprom_key_filter.h"
#include "config/ui/num_edit.h"
#include "link/device_link.h"
#include "link/port_catalogue.h"
#include "platform/ui/device_thread.h"

namespace tilt::config::ui {

namespace {

constexpr double kLastAddressField = 263;
constexpr int kLastCell = 255;
constexpr double kFirstShownAddress = 2;
constexpr double kPictureAddress = 30;

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);  // Enter in the value box does nothing
    return b;
}

}  // namespace

EepromWindow::EepromWindow(common::ui::AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("EEPROM"));
    setWindowTitle(QStringLiteral("EEPROM"));
    setAttribute(Qt::WA_DeleteOnClose);  // opens afresh at address 2 each time

    addressEdit_ = new NumEdit(0, kLastAddressField, this);
    addressEdit_->setObjectName(QStringLiteral("NumEditAddress"));
    addressEdit_->setValue(kFirstShownAddress);
    valueBox_ = new QLineEdit(this);
    valueBox_->setObjectName(QStringLiteral("txtValue"));
    valueBox_->setFixedWidth(addressEdit_->width());
    new NumericKeys(valueBox_);
    readButton_ = button(this, "cmdRead", QStringLiteral("Read"));
    writeButton_ = button(this, "cmdWrite", QStringLiteral("Write"));
    okButton_ = button(this, "cmdOK", QStringLiteral("OK"));
    connect(readButton_, &QPushButton::clicked, this, &EepromWindow::readCell);
    connect(writeButton_, &QPushButton::clicked, this, &EepromWindow::writeCell);
    connect(okButton_, &QPushButton::clicked, this, &EepromWindow::leave);

    auto* layout = new QGridLayout(this);
    // Each label names its field, for a screen reader too.
    layout->addWidget(common::ui::fieldCaption(QStringLiteral("Address"), addressEdit_), 0, 0);
    layout->addWidget(addressEdit_, 0, 1);
    layout->addWidget(common::ui::fieldCaption(QStringLiteral("Value"), valueBox_), 1, 0);
    layout->addWidget(valueBox_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(readButton_);
    buttons->addWidget(writeButton_);
    buttons->addWidget(okButton_);
    layout->addLayout(buttons, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
}

void EepromWindow::tell(const std::string& message) {
    if (!picturing_) {
        context_.messages.show(message);
    }
}

std::optional<int> EepromWindow::cellAddress(const char* action) {
    addressEdit_->commit();
    const double address = roundHalfEven(addressEdit_->value());
    if (address < 0 || address > kLastCell) {
        tell("Address " + numberText(address) + " cannot be " + action +
             ": the logger's EEPROM has the addresses 0 to 255. Nothing was sent.");
        return std::nullopt;
    }
    return static_cast<int>(address);
}

void EepromWindow::setControlsEnabled(bool enabled) {
    busy_ = !enabled;
    for (QWidget* control :
         std::initializer_list<QWidget*>{readButton_, writeButton_, okButton_, addressEdit_}) {
        control->setEnabled(enabled);
    }
    if (enabled) {
        unsetCursor();
    } else {
        setCursor(Qt::BusyCursor);
    }
}

void EepromWindow::readCell() {
    const auto address = cellAddress("read");
    if (!address || busy_) {
        return;
    }
    valueBox_->clear();
    setControlsEnabled(false);
    const std::int16_t port = context_.state.commPort;
    const bool quiet = picturing_;
    const bool started = context_.device.start<std::optional<std::uint8_t>>(
        this,
        {.title = "Read EEPROM", .source = "cmdRead_Click", .commPort = port, .screen = "EEPROM"},
        [address, quiet](const link::JobScope& job) -> std::optional<std::uint8_t> {
            try {
                return readEepromCell(job, *address);
            } catch (const Error&) {
                if (quiet) {
                    return std::nullopt;  // a picture has nobody to tell
                }
                throw;
            }
        },
        [this](std::optional<std::uint8_t> value) { readEnded(value); },
        [this] { setControlsEnabled(true); });
    if (!started) {
        setControlsEnabled(true);
    }
}

void EepromWindow::readEnded(std::optional<std::uint8_t> value) {
    setControlsEnabled(true);
    if (value) {
        valueBox_->setText(QString::number(*value));
    } else {
        tell("Read EEPROM error: packet length is <> 1 byte!");
    }
}

void EepromWindow::writeCell() {
    if (busy_) {
        return;
    }
    // A lone minus sign is no value either: it must not go out as a 0.
    if (!valueBox_->text().contains(QRegularExpression(QStringLiteral("[0-9]")))) {
        tell("No value has been entered!");
        return;
    }
    const auto address = cellAddress("written");
    if (!address) {
        return;
    }
    const double value = roundHalfEven(leadingNumber(valueBox_->text().toStdString()));
    if (value < 0 || value > kLastCell) {
        tell("The value " + numberText(value) +
             " cannot be written: an EEPROM cell holds 0 to 255. Nothing was sent.");
        return;
    }
    setControlsEnabled(false);
    const std::int16_t port = context_.state.commPort;
    const bool started = context_.device.start<bool>(
        this,
        {.title = "Write EEPROM", .source = "cmdWrite_Click", .commPort = port, .screen = "EEPROM"},
        [address, value](const link::JobScope& job) {
            writeEepromCell(job, *address, static_cast<int>(value));
            return true;
        },
        {}, [this] { setControlsEnabled(true); });
    if (!started) {
        setControlsEnabled(true);
    }
}

void EepromWindow::leave() {
    close();  // the port is only ever open inside an exchange
}

void EepromWindow::prepareForPicture() {
    const std::int16_t port = context_.state.commPort;
    if (busy_ || context_.device.busy() || port == 0 || !link::findPort(context_.catalogue, port)) {
        return;
    }
    addressEdit_->setValue(kPictureAddress);
    picturing_ = true;
    readCell();
    while (busy_) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    picturing_ = false;
}

}  // namespace tilt::config::ui
