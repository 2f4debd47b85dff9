#include "remote/ui/remote_session_window.h"

#include <QCloseEvent>
#include <QDial>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "common/messages.h"
#include "common/text_value.h"
#include "common/ui/app_context.h"
#include "common/ui/field_caption.h"
#include "link/port_catalogue.h"
#include "live/ui/angle_display.h"
#include "live/ui/locale_number.h"
#include "platform/ui/device_thread.h"
#include "remote/angle_datagram.h"
#include "remote/angle_sending.h"
#include "remote/ui/session_parameters.h"

namespace tilt::remote::ui {

namespace {

// The receive box shows this much of a datagram: an angle datagram is a few characters, and
// laying out 64 KB of text for each datagram of a flood would stall the window.
constexpr std::size_t kShownCharacters = 4096;
// A whole turn of a dial is 360 degrees, so an angle points where it is.
constexpr int kDialRange = 180;
constexpr std::chrono::seconds kPictureSampling{1};
constexpr const char* kBindAdvice = " Choose another Bind port and press Reset.";

// A box's number for its dial: the user's number format first (the sampler writes it), else
// the leading number of the text, 0 for none.
int dialValue(const QString& text) {
    bool ok = false;
    double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok) {
        value = leadingNumber(text.toStdString());
    }
    if (!std::isfinite(value)) {
        return 0;
    }
    // Anyone may type into the box; the dial wraps what it can hold.
    return static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6)));
}

QRadioButton* radio(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

}  // namespace

RemoteSession::RemoteSession(common::ui::AppContext& context, QWidget* parent)
    : QMainWindow(parent),
      context_(context),
      readings_(this, [this](const SampledPair& pair) { showReading(pair); }) {
    setObjectName(QStringLiteral("RemoteSession"));
    setWindowTitle(QStringLiteral("RemoteSession"));
    setWindowFlag(Qt::Window);
    // Return unloads the window: the next opening starts from the defaults again.
    setAttribute(Qt::WA_DeleteOnClose);
    buildMenus();
    buildControls();
    udpPeerA_.onArrival([this] { udpPeerA_DataArrival(); });
    Form_Load();
}

RemoteSession::~RemoteSession() = default;

void RemoteSession::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setObjectName(QStringLiteral("mnuFile"));
    mnuSample_ = file->addAction(QStringLiteral("&Sample"));
    mnuSample_->setObjectName(QStringLiteral("mnuSample"));
    mnuSample_->setCheckable(true);
    context_.device.guardEntry(mnuSample_);
    connect(mnuSample_, &QAction::triggered, this, &RemoteSession::mnuSample_Click);
    QAction* back = file->addAction(QStringLiteral("&Return"));
    back->setObjectName(QStringLiteral("mnuReturn"));
    connect(back, &QAction::triggered, this, &RemoteSession::mnuReturn_Click);
}

QGroupBox* RemoteSession::buildSessionFrame() {
    fraSession_ = frame(this, "fraSession", QStringLiteral("Select Session"));
    auto* layout = new QVBoxLayout(fraSession_);
    optSession1_ = radio(fraSession_, "optSession1", QStringLiteral("I will send the data"));
    optSession2_ = radio(fraSession_, "optSession2", QStringLiteral("I will receive the data"));
    optSession1_->setChecked(true);  // the load defaults are the sending role's
    layout->addWidget(optSession1_);
    layout->addWidget(optSession2_);
    connect(optSession1_, &QRadioButton::clicked, this, &RemoteSession::optSession1_Click);
    connect(optSession2_, &QRadioButton::clicked, this, &RemoteSession::optSession2_Click);
    return fraSession_;
}

QGroupBox* RemoteSession::buildSendFrame() {
    fraSend_ = frame(this, "fraSend", QStringLiteral("Select Send"));
    auto* layout = new QVBoxLayout(fraSend_);
    QRadioButton* optSend = radio(fraSend_, "optSend", QStringLiteral("Send"));
    QRadioButton* optNoSend = radio(fraSend_, "optNoSend", QStringLiteral("No Send"));
    optSend->setChecked(true);
    layout->addWidget(optSend);
    layout->addWidget(optNoSend);
    const auto setSendFlag = [this](bool on) {
        SendFlag_ = on;
        *sendSwitch_ = on;
    };
    connect(optSend, &QRadioButton::clicked, this, [setSendFlag] { setSendFlag(true); });
    connect(optNoSend, &QRadioButton::clicked, this, [setSendFlag] { setSendFlag(false); });
    return fraSend_;
}

QGroupBox* RemoteSession::buildDialFrame() {
    fraDial_ = frame(this, "fraDial", QStringLiteral("Display Receive Data"));
    auto* layout = new QVBoxLayout(fraDial_);
    QRadioButton* optDialYes = radio(fraDial_, "optDialYes", QStringLiteral("Yes"));
    QRadioButton* optDialNo = radio(fraDial_, "optDialNo", QStringLiteral("No"));
    // A bare "Yes" or "No" says nothing to someone who cannot see the frame around it.
    optDialYes->setAccessibleName(QStringLiteral("Display Receive Data: Yes"));
    optDialNo->setAccessibleName(QStringLiteral("Display Receive Data: No"));
    optDialNo->setChecked(true);
    layout->addWidget(optDialYes);
    layout->addWidget(optDialNo);
    connect(optDialYes, &QRadioButton::clicked, this, [this] { DialFlag_ = true; });
    connect(optDialNo, &QRadioButton::clicked, this, [this] { DialFlag_ = false; });
    return fraDial_;
}

QGroupBox* RemoteSession::buildAxisFrame(const char* name, const QString& caption, QLineEdit*& box,
                                         QDial*& dial) {
    QGroupBox* axis = frame(this, name, caption);
    auto* layout = new QVBoxLayout(axis);
    box = new QLineEdit(axis);
    const QString letter = caption.left(1);
    box->setObjectName(QStringLiteral("txt") + letter);
    dial = live::ui::angleDial(QStringLiteral("dial") + letter, kDialRange, 140, axis);
    // Both would be named by the frame's caption alone.
    box->setAccessibleName(caption + QStringLiteral(" angle"));
    dial->setAccessibleName(caption + QStringLiteral(" dial"));
    layout->addWidget(box);
    layout->addWidget(dial, 1);
    // The dial follows its box, whoever writes it.
    connect(box, &QLineEdit::textChanged, dial,
            [dial](const QString& text) { dial->setValue(dialValue(text)); });
    return axis;
}

void RemoteSession::buildControls() {
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->addWidget(buildSessionFrame(), 0, 0);
    grid->addWidget(buildSendFrame(), 0, 1);
    grid->addWidget(buildDialFrame(), 0, 2);
    fraParameters_ = new SessionParameters(central);
    grid->addWidget(fraParameters_, 1, 0, 1, 3);
    connect(fraParameters_->resetButton(), &QPushButton::clicked, this,
            &RemoteSession::cmdReset_Click);

    const auto textRow = [&](int row, const QString& caption, const char* boxName,
                             const char* clearName) {
        auto* line = new QHBoxLayout;
        auto* box = new QLineEdit(central);
        box->setObjectName(QString::fromLatin1(boxName));
        auto* clear = new QPushButton(QStringLiteral("Clear"), central);
        clear->setObjectName(QString::fromLatin1(clearName));
        // Named apart from the Send option and from the other Clear button.
        auto* label = common::ui::fieldCaption(caption, box);
        box->setAccessibleName(caption + QStringLiteral(" box"));
        clear->setAccessibleName(QStringLiteral("Clear ") + caption + QStringLiteral(" box"));
        line->addWidget(label);
        line->addWidget(box, 1);
        line->addWidget(clear);
        grid->addLayout(line, row, 0, 1, 3);
        return std::pair(box, clear);
    };
    QPushButton* clear = nullptr;
    std::tie(txtSend_, clear) = textRow(2, QStringLiteral("Send"), "txtSend", "cmdClearSend");
    connect(clear, &QPushButton::clicked, this, &RemoteSession::cmdClearSend_Click);
    // What the user types goes out as it changes; what the sampler shows has gone already.
    connect(txtSend_, &QLineEdit::textEdited, this,
            [this](const QString& text) { sendText(text.toLatin1().toStdString()); });
    std::tie(txtReceive_, clear) =
        textRow(3, QStringLiteral("Receive"), "txtReceive", "cmdClearReceive");
    connect(clear, &QPushButton::clicked, this, &RemoteSession::cmdClearReceive_Click);
    txtReceive_->setReadOnly(true);
    txtReceive_->setMaxLength(static_cast<int>(kShownCharacters));

    auto* dials = new QHBoxLayout;
    dials->addWidget(buildAxisFrame("fraX", QStringLiteral("X Axis"), txtX_, dialX_));
    dials->addWidget(buildAxisFrame("fraY", QStringLiteral("Y Axis"), txtY_, dialY_));
    grid->addLayout(dials, 4, 0, 1, 3);
    lblStatus_ = new QLabel(central);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setWordWrap(true);
    grid->addWidget(lblStatus_, 5, 0, 1, 3);
    setCentralWidget(central);
    resize(640, 620);
}

void RemoteSession::Form_Load() {
    fraParameters_->showLocalHost(platform::localComputerName(), platform::localIPv4Address());
    SendFlag_ = true;
    DialFlag_ = false;
    *sendSwitch_ = true;
    fraDial_->setEnabled(false);
    setRemoteHost(kDefaultRemoteHost, kReceiverPort);
    // A port that cannot be bound is told in the window: no dialog stops it from opening.
    bind(kSenderPort);
}

// --- Session parameters -------------------------------------------------------------------

void RemoteSession::optSession1_Click() {
    mnuSample_->setEnabled(true);
    fraSend_->setEnabled(true);
    fraDial_->setEnabled(false);
    fraParameters_->setPorts(QString::number(kReceiverPort), QString::number(kSenderPort));
}

void RemoteSession::optSession2_Click() {
    mnuSample_->setEnabled(false);
    fraSend_->setEnabled(false);
    fraDial_->setEnabled(true);
    fraParameters_->setPorts(QString::number(kSenderPort), QString::number(kReceiverPort));
}

void RemoteSession::cmdReset_Click() {
    const auto remotePort = portNumber(fraParameters_->remotePortText(), 1);
    const auto bindPort = portNumber(fraParameters_->bindText(), 0);
    if (!remotePort) {
        context_.messages.show("The Remote Port must be a whole number from 1 to 65535.");
        return;
    }
    if (!bindPort) {
        context_.messages.show(
            "The Bind port must be a whole number from 1 to 65535 (or 0 for any free port).");
        return;
    }
    udpPeerA_.close();
    setRemoteHost(fraParameters_->remoteHost(), *remotePort);
    bind(*bindPort);
    if (bindProblem_) {
        context_.messages.show(*bindProblem_ + kBindAdvice);
    }
}

void RemoteSession::bind(std::uint16_t port) {
    bindProblem_ = udpPeerA_.bind(port);
    if (!bindProblem_ && port == 0) {
        // Any free port: the box shows the one the system chose, for the other side to use.
        fraParameters_->setPorts(fraParameters_->remotePortText(),
                                 QString::number(udpPeerA_.boundPort()));
    }
    showStatus();
}

void RemoteSession::setRemoteHost(const std::string& host, std::uint16_t port) {
    remoteHost_ = host;
    remotePort_ = port;
    lookingUp_ = true;
    peer_.reset();  // nothing goes to the old host meanwhile
    lookup_.start(host, [this, port](std::optional<QHostAddress> address) {
        lookingUp_ = false;
        peer_ = address ? std::optional(platform::UdpPeer{*address, port}) : std::nullopt;
        showStatus();
    });
    showStatus();
}

void RemoteSession::showStatus() {
    QString text;
    if (bindProblem_) {
        text = QString::fromStdString(*bindProblem_ + kBindAdvice);
    } else if (udpPeerA_.isBound()) {
        text = QStringLiteral("Receiving on UDP port %1.").arg(udpPeerA_.boundPort());
    }
    const QString host = QString::fromStdString(remoteHost_);
    QString remote;
    if (remoteHost_.empty()) {
        remote = QStringLiteral("No remote host is given.");
    } else if (lookingUp_) {
        remote = QStringLiteral("Looking up %1...").arg(host);
    } else if (peer_) {
        const QString address = peer_->address.toString();
        remote = QStringLiteral("Sending to %1 port %2.")
                     .arg(address == host ? host : host + " (" + address + ")")
                     .arg(remotePort_);
    } else {
        remote = QStringLiteral("The remote host %1 is not known on this network: nothing is sent.")
                     .arg(host);
    }
    lblStatus_->setText(text.isEmpty() ? remote : text + " " + remote);
}

// --- Sending and receiving ----------------------------------------------------------------

// Typed, cleared or sampled: every datagram leaves through the bound endpoint, so the other
// side sees it come from our local port. None while no port is bound (the window says why): the
// socket would bind itself to a port nobody chose.
void RemoteSession::sendText(const std::string& text) {
    if (peer_ && udpPeerA_.isBound()) {
        (void)udpPeerA_.sendTo(*peer_, text);  // a failed send is ignored
    }
}

void RemoteSession::cmdClearSend_Click() {
    txtSend_->clear();
    sendText({});  // the box changed: its (empty) text goes out
}

void RemoteSession::cmdClearReceive_Click() {
    txtReceive_->clear();
}

void RemoteSession::udpPeerA_DataArrival() {
    const auto datagrams = udpPeerA_.receive();
    if (datagrams.empty()) {
        return;
    }
    // Each replaces the one before; only the last is left to see.
    std::optional<ReceivedAngles> angles;
    if (DialFlag_) {
        for (const std::string& datagram : datagrams) {
            if (const auto decoded = decodeAngleDatagram(datagram)) {
                angles = decoded;
            }
        }
    }
    const std::string& last = datagrams.back();
    txtReceive_->setText(QString::fromLatin1(
        last.data(), static_cast<qsizetype>(std::min(last.size(), kShownCharacters))));
    if (angles) {
        ReceivedX_ = angles->x;
        ReceivedY_ = angles->y;
        txtX_->setText(QString::number(ReceivedX_));
        txtY_->setText(QString::number(ReceivedY_));
    }
}

// --- Sampling -----------------------------------------------------------------------------

void RemoteSession::mnuSample_Click() {
    if (sampling_) {
        stopSampling();
    } else {
        startSampling();
    }
    mnuSample_->setChecked(sampling_);  // a checkable entry toggles itself when chosen
}

void RemoteSession::startSampling() {
    sampling_ = true;
    mnuSample_->setChecked(true);
    fraSession_->setEnabled(false);
    readings_.discard();
    AngleSending sending;
    sending.sending = [sendSwitch = sendSwitch_] { return sendSwitch->load(); };
    sending.sampled = [publish = readings_.publisher()](
                          const live::AngleSample& sample,
                          const std::optional<std::string>& datagram) {
        publish(SampledPair{sample.reading, datagram});
    };
    statusBar()->clearMessage();
    auto end = std::make_shared<live::LiveEnd>(live::LiveEnd::PortFailed);
    // A logger that falls silent is said so while the loop keeps asking.
    sending.silence = platform::ui::DeviceThread::toWindow<bool>(this, [this](bool silent) {
        if (silent && sampling_) {
            statusBar()->showMessage(
                QString::fromStdString(live::silentWhileSamplingText(anyReading_)));
        } else if (!silent) {
            statusBar()->clearMessage();
        }
    });
    anyReading_ = false;
    const bool started = context_.device.start<live::LiveEnd>(
        this,
        {.title = "Remote session sampling",
         .source = "mnuSample_Click",
         .entry = mnuSample_,
         .commPort = context_.state.commPort,
         .screen = "RemoteSession"},
        [sending, sink = outbox_.sink()](const link::JobScope& job) {
            return sendSampledAngles(job, *sink, sending);
        },
        [end](live::LiveEnd ended) { *end = ended; },
        [this, end] {
            readings_.flush();  // the send box shows the last datagram that went out
            if (sampling_) {    // ended on its own: the port failed or a reply stalled it
                finishSampling();
                // The error handler has told why; this says what to do.
                statusBar()->showMessage(QString::fromStdString(
                    live::samplingEndText(*end, "choose File > Sample again")));
            }
            mnuSample_->setEnabled(!optSession2_->isChecked());
        });
    if (!started) {
        finishSampling();
    }
}

void RemoteSession::stopSampling() {
    context_.device.stop();
    finishSampling();
    mnuSample_->setEnabled(false);  // until the loop has let go of the device
}

void RemoteSession::finishSampling() {
    sampling_ = false;
    mnuSample_->setChecked(false);
    fraSession_->setEnabled(true);
    txtX_->clear();
    txtY_->clear();
}

void RemoteSession::showReading(const SampledPair& pair) {
    anyReading_ = true;
    if (pair.datagram) {
        LastSentText_ = *pair.datagram;
        txtSend_->setText(QString::fromStdString(LastSentText_));
    }
    if (!sampling_) {
        return;  // sent as sampling stopped; the angle boxes are cleared by now
    }
    const link::AngleReading& r = pair.reading;
    live::ui::keepAngleReading(context_.state, r);
    txtX_->setText(live::ui::localeNumber(r.angleX));
    txtY_->setText(live::ui::localeNumber(r.angleY));
}

// --- Leaving and picturing ----------------------------------------------------------------

void RemoteSession::mnuReturn_Click() {
    close();
}

void RemoteSession::closeEvent(QCloseEvent* event) {
    if (sampling_) {
        context_.device.stop();
    }
    udpPeerA_.close();
    QMainWindow::closeEvent(event);
}

void RemoteSession::prepareForPicture() {
    // Sampling talks to the logger, which a picture must never do to a real one.
    const auto port = link::findPort(context_.catalogue, context_.state.commPort);
    if (!port || !port->simulated || context_.device.busy()) {
        return;
    }
    startSampling();
    QEventLoop sampling;
    QTimer::singleShot(kPictureSampling, &sampling, &QEventLoop::quit);
    sampling.exec();
    readings_.flush();
}

}  // namespace tilt::remote::ui
