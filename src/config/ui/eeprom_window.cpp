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

EEPROM::EEPROM(common::ui::AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("EEPROM"));
    setWindowTitle(QStringLiteral("EEPROM"));
    setAttribute(Qt::WA_DeleteOnClose);  // opens afresh at address 2 each time

    NumEditAddress_ = new NumEdit(0, kLastAddressField, this);
    NumEditAddress_->setObjectName(QStringLiteral("NumEditAddress"));
    NumEditAddress_->setValue(kFirstShownAddress);
    txtValue_ = new QLineEdit(this);
    txtValue_->setObjectName(QStringLiteral("txtValue"));
    txtValue_->setFixedWidth(NumEditAddress_->width());
    new NumericKeys(txtValue_);
    cmdRead_ = button(this, "cmdRead", QStringLiteral("Read"));
    cmdWrite_ = button(this, "cmdWrite", QStringLiteral("Write"));
    cmdOK_ = button(this, "cmdOK", QStringLiteral("OK"));
    connect(cmdRead_, &QPushButton::clicked, this, &EEPROM::cmdRead_Click);
    connect(cmdWrite_, &QPushButton::clicked, this, &EEPROM::cmdWrite_Click);
    connect(cmdOK_, &QPushButton::clicked, this, &EEPROM::cmdOK_Click);

    auto* layout = new QGridLayout(this);
    // Each label names its field, for a screen reader too.
    layout->addWidget(common::ui::fieldCaption(QStringLiteral("Address"), NumEditAddress_), 0, 0);
    layout->addWidget(NumEditAddress_, 0, 1);
    layout->addWidget(common::ui::fieldCaption(QStringLiteral("Value"), txtValue_), 1, 0);
    layout->addWidget(txtValue_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRead_);
    buttons->addWidget(cmdWrite_);
    buttons->addWidget(cmdOK_);
    layout->addLayout(buttons, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
}

void EEPROM::tell(const std::string& message) {
    if (!picturing_) {
        context_.messages.show(message);
    }
}

std::optional<int> EEPROM::cellAddress(const char* action) {
    NumEditAddress_->commit();
    const double address = roundHalfEven(NumEditAddress_->value());
    if (address < 0 || address > kLastCell) {
        tell("Address " + numberText(address) + " cannot be " + action +
             ": the logger's EEPROM has the addresses 0 to 255. Nothing was sent.");
        return std::nullopt;
    }
    return static_cast<int>(address);
}

void EEPROM::setControlsEnabled(bool enabled) {
    busy_ = !enabled;
    for (QWidget* control :
         std::initializer_list<QWidget*>{cmdRead_, cmdWrite_, cmdOK_, NumEditAddress_}) {
        control->setEnabled(enabled);
    }
    if (enabled) {
        unsetCursor();
    } else {
        setCursor(Qt::BusyCursor);
    }
}

void EEPROM::cmdRead_Click() {
    const auto address = cellAddress("read");
    if (!address || busy_) {
        return;
    }
    txtValue_->clear();
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

void EEPROM::readEnded(std::optional<std::uint8_t> value) {
    setControlsEnabled(true);
    if (value) {
        txtValue_->setText(QString::number(*value));
    } else {
        tell("Read EEPROM error: packet length is <> 1 byte!");
    }
}

void EEPROM::cmdWrite_Click() {
    if (busy_) {
        return;
    }
    // A lone minus sign is no value either: it must not go out as a 0.
    if (!txtValue_->text().contains(QRegularExpression(QStringLiteral("[0-9]")))) {
        tell("No value has been entered!");
        return;
    }
    const auto address = cellAddress("written");
    if (!address) {
        return;
    }
    const double value = roundHalfEven(leadingNumber(txtValue_->text().toStdString()));
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

void EEPROM::cmdOK_Click() {
    close();  // the port is only ever open inside an exchange
}

void EEPROM::prepareForPicture() {
    const std::int16_t port = context_.state.commPort;
    if (busy_ || context_.device.busy() || port == 0 || !link::findPort(context_.catalogue, port)) {
        return;
    }
    NumEditAddress_->setValue(kPictureAddress);
    picturing_ = true;
    cmdRead_Click();
    while (busy_) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    picturing_ = false;
}

}  // namespace tilt::config::ui
