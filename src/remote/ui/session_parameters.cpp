#include "remote/ui/session_parameters.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

#include "common/ui/field_caption.h"
#include "remote/angle_datagram.h"

namespace tilt::remote::ui {

namespace {
constexpr int kOctetWidth = 44;
constexpr int kPortWidth = 64;
constexpr std::array<const char*, 4> kDefaultOctets = {"192", "168", "1", "100"};
}  // namespace

SessionParameters::SessionParameters(QWidget* parent)
    : QGroupBox(QStringLiteral("Set Session Parameters"), parent) {
    setObjectName(QStringLiteral("fraParameters"));
    auto* grid = new QGridLayout(this);
    // Four octet boxes in a row with the dots between them. A screen reader cannot see the
    // row, so each box says whose address it holds and which octet.
    const auto octets = [&](std::array<QLineEdit*, 4>& boxes, const char* prefix,
                            const QString& whose, const std::array<const char*, 4>& texts) {
        auto* row = new QHBoxLayout;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (i > 0) {
                row->addWidget(new QLabel(QStringLiteral("."), this));
            }
            const std::string name = prefix + std::to_string(i + 1);
            boxes[i] = addBox(name.c_str(), QString::fromLatin1(texts[i]), kOctetWidth);
            boxes[i]->setAccessibleName(whose + QStringLiteral(" octet %1 of 4").arg(i + 1));
            row->addWidget(boxes[i]);
        }
        row->addStretch();
        return row;
    };
    hostNameBox_ = addBox("txtWhoAmI", {}, 0);
    hostNameBox_->setAccessibleName(QStringLiteral("Who am I? This computer's name"));
    grid->addWidget(common::ui::fieldCaption(QStringLiteral("Who am I?"), hostNameBox_), 0, 0);
    grid->addWidget(hostNameBox_, 0, 1);
    grid->addLayout(octets(localAddressBoxes_, "txtLH",
                           QStringLiteral("This computer's IP address"), {"", "", "", ""}),
                    0, 2);

    // Captionless in the row of what they choose; named for a screen reader.
    byAddressOption_ = new QRadioButton(this);
    byAddressOption_->setObjectName(QStringLiteral("optRemoteHost1"));
    byAddressOption_->setAccessibleName(QStringLiteral("Remote Host given by IP address"));
    byNameOption_ = new QRadioButton(this);
    byNameOption_->setObjectName(QStringLiteral("optRemoteHost2"));
    byNameOption_->setAccessibleName(QStringLiteral("Remote Host given by name"));
    // The endpoint starts out sending to the name.
    byNameOption_->setChecked(true);
    remoteNameBox_ = addBox("txtRH5", QString::fromLatin1(kDefaultRemoteHost), 0);
    remoteNameBox_->setAccessibleName(QStringLiteral("Remote Host name"));
    grid->addWidget(new QLabel(QStringLiteral("Remote Host"), this), 1, 0);
    auto* byAddress = new QHBoxLayout;
    byAddress->addWidget(byAddressOption_);
    byAddress->addLayout(octets(remoteAddressBoxes_, "txtRH",
                                QStringLiteral("Remote Host IP address"), kDefaultOctets));
    grid->addLayout(byAddress, 1, 1, 1, 2);
    auto* byName = new QHBoxLayout;
    byName->addWidget(byNameOption_);
    byName->addWidget(remoteNameBox_);
    grid->addLayout(byName, 2, 1, 1, 2);

    remotePortBox_ = addBox("txtPort", QString::number(kReceiverPort), kPortWidth);
    bindPortBox_ = addBox("txtBind", QString::number(kSenderPort), kPortWidth);
    // "Bind" alone means little to someone who cannot see the row.
    bindPortBox_->setAccessibleName(QStringLiteral("Bind: this computer's UDP port"));
    resetButton_ = new QPushButton(QStringLiteral("Reset"), this);
    resetButton_->setObjectName(QStringLiteral("cmdReset"));
    resetButton_->setAccessibleDescription(
        QStringLiteral("Sends to the remote host and port given, and binds the Bind port"));
    auto* ports = new QHBoxLayout;
    ports->addWidget(common::ui::fieldCaption(QStringLiteral("Remote Port"), remotePortBox_));
    ports->addWidget(remotePortBox_);
    ports->addSpacing(12);
    ports->addWidget(common::ui::fieldCaption(QStringLiteral("Bind"), bindPortBox_));
    ports->addWidget(bindPortBox_);
    ports->addStretch();
    ports->addWidget(resetButton_);
    grid->addLayout(ports, 3, 0, 1, 3);
}

QLineEdit* SessionParameters::addBox(const char* name, const QString& text, int width) {
    auto* box = new QLineEdit(text, this);
    box->setObjectName(QString::fromLatin1(name));
    if (width > 0) {
        box->setFixedWidth(width);
    }
    return box;
}

void SessionParameters::showLocalHost(const std::string& name,
                                      const std::optional<std::string>& address) {
    hostNameBox_->setText(QString::fromStdString(name));
    if (!address) {
        return;
    }
    const QStringList parts = QString::fromStdString(*address).split(QLatin1Char('.'));
    for (std::size_t i = 0;
         i < localAddressBoxes_.size() && i < static_cast<std::size_t>(parts.size()); ++i) {
        localAddressBoxes_[i]->setText(parts[static_cast<qsizetype>(i)]);
    }
}

std::string SessionParameters::remoteHost() const {
    if (byAddressOption_->isChecked()) {
        QStringList octets;
        for (const QLineEdit* box : remoteAddressBoxes_) {
            octets << box->text().trimmed();
        }
        return octets.join(QLatin1Char('.')).toStdString();
    }
    if (byNameOption_->isChecked()) {
        return remoteNameBox_->text().trimmed().toStdString();
    }
    return {};
}

QString SessionParameters::remotePortText() const {
    return remotePortBox_->text();
}

QString SessionParameters::bindText() const {
    return bindPortBox_->text();
}

void SessionParameters::setPorts(const QString& remotePort, const QString& bind) {
    remotePortBox_->setText(remotePort);
    bindPortBox_->setText(bind);
}

std::optional<std::uint16_t> portNumber(const QString& text, int lowest) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < lowest || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace tilt::remote::ui
