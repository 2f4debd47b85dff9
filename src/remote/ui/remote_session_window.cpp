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

RemoteSessionWindow::RemoteSessionWindow(common::ui::AppContext& context, QWidget* parent)
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
    endpoint_.onArrival([this] { receiveDatagrams(); });
    prepareSession();
}

RemoteSessionWindow::~RemoteSessionWindow() = default;

void RemoteSessionWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setObjectName(QStringLiteral("mnuFile"));
    sampleAction_ = file->addAction(QStringLiteral("&Sample"));
    sampleAction_->setObjectName(QStringLiteral("mnuSample"));
    sampleAction_->setCheckable(true);
    context_.device.guardEntry(sampleAction_);
    connect(sampleAction_, &QAction::triggered, this, &RemoteSessionWindow::toggleSampling);
    QAction* back = file->addAction(QStringLiteral("&Return"));
    back->setObjectName(QStringLiteral("mnuReturn"));
    connect(back, &QAction::triggered, this, &RemoteSessionWindow::leave);
}

QGroupBox* RemoteSessionWindow::buildSessionFrame() {
    sessionBox_ = frame(this, "fraSession", QStringLiteral("Select Session"));
    auto* layout = new QVBoxLayout(sessionBox_);
    sendingOption_ = radio(sessionBox_, "optSession1", QStringLiteral("I will send the data"));
    receivingOption_ = radio(sessionBox_, "optSession2", QStringLiteral("I will receive the data"));
    sendingOption_->setChecked(true);  // the load defaults are the sending role's
    layout->addWidget(sendingOption_);
    layout->addWidget(receivingOption_);
    connect(sendingOption_, &QRadioButton::clicked, this, &RemoteSessionWindow::chooseSending);
    connect(receivingOption_, &QRadioButton::clicked, this, &RemoteSessionWindow::chooseReceiving);
    return sessionBox_;
}

QGroupBox* RemoteSessionWindow::buildSendFrame() {
    sendBox_ = frame(this, "fraSend", QStringLiteral("Select Send"));
    auto* layout = new QVBoxLayout(sendBox_);
    QRadioButton* sendOption = radio(sendBox_, "optSend", QStringLiteral("Send"));
    QRadioButton* noSendOption = radio(sendBox_, "optNoSend", QStringLiteral("No Send"));
    sendOption->setChecked(true);
    layout->addWidget(sendOption);
    layout->addWidget(noSendOption);
    const auto setSendFlag = [this](bool on) { *sendSwitch_ = on; };
    connect(sendOption, &QRadioButton::clicked, this, [setSendFlag] { setSendFlag(true); });
    connect(noSendOption, &QRadioButton::clicked, this, [setSendFlag] { setSendFlag(false); });
    return sendBox_;
}

QGroupBox* RemoteSessionWindow::buildDialFrame() {
    dialBox_ = frame(this, "fraDial", QStringLiteral("Display Receive Data"));
    auto* layout = new QVBoxLayout(dialBox_);
    QRadioButton* dialYesOption = radio(dialBox_, "optDialYes", QStringLiteral("Yes"));
    QRadioButton* dialNoOption = radio(dialBox_, "optDialNo", QStringLiteral("No"));
    // A bare "Yes" or "No" says nothing to someone who cannot see the frame around it.
    dialYesOption->setAccessibleName(QStringLiteral("Display Receive Data: Yes"));
    dialNoOption->setAccessibleName(QStringLiteral("Display Receive Data: No"));
    dialNoOption->setChecked(true);
    layout->addWidget(dialYesOption);
    layout->addWidget(dialNoOption);
    connect(dialYesOption, &QRadioButton::clicked, this, [this] { dialFollows_ = true; });
    connect(dialNoOption, &QRadioButton::clicked, this, [this] { dialFollows_ = false; });
    return dialBox_;
}

QGroupBox* RemoteSessionWindow::buildAxisFrame(const char* name, const QString& caption,
                                               QLineEdit*& box, QDial*& dial) {
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

void RemoteSessionWindow::buildControls() {
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->addWidget(buildSessionFrame(), 0, 0);
    grid->addWidget(buildSendFrame(), 0, 1);
    grid->addWidget(buildDialFrame(), 0, 2);
    parameters_ = new SessionParameters(central);
    grid->addWidget(parameters_, 1, 0, 1, 3);
    connect(parameters_->resetButton(), &QPushButton::clicked, this,
            &RemoteSessionWindow::resetConnection);

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
    std::tie(sentText_, clear) = textRow(2, QStringLiteral("Send"), "txtSend", "cmdClearSend");
    connect(clear, &QPushButton::clicked, this, &RemoteSessionWindow::clearSent);
    // What the user types goes out as it changes; what the sampler shows has gone already.
    connect(sentText_, &QLineEdit::textEdited, this,
            [this](const QString& text) { sendText(text.toLatin1().toStdString()); });
    std::tie(receivedText_, clear) =
        textRow(3, QStringLiteral("Receive"), "txtReceive", "cmdClearReceive");
    connect(clear, &QPushButton::clicked, this, &RemoteSessionWindow::clearReceived);
    receivedText_->setReadOnly(true);
    receivedText_->setMaxLength(static_cast<int>(kShownCharacters));

    auto* dials = new QHBoxLayout;
    dials->addWidget(buildAxisFrame("fraX", QStringLiteral("X Axis"), xBox_, dialX_));
    dials->addWidget(buildAxisFrame("fraY", QStringLiteral("Y Axis"), yBox_, dialY_));
    grid->addLayout(dials, 4, 0, 1, 3);
    status_ = new QLabel(central);
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setWordWrap(true);
    grid->addWidget(status_, 5, 0, 1, 3);
    setCentralWidget(central);
    resize(640, 620);
}

void RemoteSessionWindow::prepareSession() {
    parameters_->showLocalHost(platform::localComputerName(), platform::localIPv4Address());
    dialFollows_ = false;
    *sendSwitch_ = true;
    dialBox_->setEnabled(false);
    setRemoteHost(kDefaultRemoteHost, kReceiverPort);
    // A port that cannot be bound is told in the window: no dialog stops it from opening.
    bind(kSenderPort);
}

// --- Session parameters -------------------------------------------------------------------

void RemoteSessionWindow::chooseSending() {
    sampleAction_->setEnabled(true);
    sendBox_->setEnabled(true);
    dialBox_->setEnabled(false);
    parameters_->setPorts(QString::number(kReceiverPort), QString::number(kSenderPort));
}

void RemoteSessionWindow::chooseReceiving() {
    sampleAction_->setEnabled(false);
    sendBox_->setEnabled(false);
    dialBox_->setEnabled(true);
    parameters_->setPorts(QString::number(kSenderPort), QString::number(kReceiverPort));
}

void RemoteSessionWindow::resetConnection() {
    const auto remotePort = portNumber(parameters_->remotePortText(), 1);
    const auto bindPort = portNumber(parameters_->bindText(), 0);
    if (!remotePort) {
        context_.messages.show("The Remote Port must be a whole number from 1 to 65535.");
        return;
    }
    if (!bindPort) {
        context_.messages.show(
            "The Bind port must be a whole number from 1 to 65535 (or 0 for any free port).");
        return;
    }
    endpoint_.close();
    setRemoteHost(parameters_->remoteHost(), *remotePort);
    bind(*bindPort);
    if (bindProblem_) {
        context_.messages.show(*bindProblem_ + kBindAdvice);
    }
}

void RemoteSessionWindow::bind(std::uint16_t port) {
    bindProblem_ = endpoint_.bind(port);
    if (!bindProblem_ && port == 0) {
        // Any free port: the box shows the one the system chose, for the other side to use.
        parameters_->setPorts(parameters_->remotePortText(),
                              QString::number(endpoint_.boundPort()));
    }
    showStatus();
}

void RemoteSessionWindow::setRemoteHost(const std::string& host, std::uint16_t port) {
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

void RemoteSessionWindow::showStatus() {
    QString text;
    if (bindProblem_) {
        text = QString::fromStdString(*bindProblem_ + kBindAdvice);
    } else if (endpoint_.isBound()) {
        text = QStringLiteral("Receiving on UDP port %1.").arg(endpoint_.boundPort());
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
    status_->setText(text.isEmpty() ? remote : text + " " + remote);
}

// --- Sending and receiving ----------------------------------------------------------------

// Typed, cleared or sampled: every datagram leaves through the bound endpoint, so the other
// side sees it come from our local port. None while no port is bound (the window says why): the
// socket would bind itself to a port nobody chose.
void RemoteSessionWindow::sendText(const std::string& text) {
    if (peer_ && endpoint_.isBound()) {
        (void)endpoint_.sendTo(*peer_, text);  // a failed send is ignored
    }
}

void RemoteSessionWindow::clearSent() {
    sentText_->clear();
    sendText({});  // the box changed: its (empty) text goes out
}

void RemoteSessionWindow::clearReceived() {
    receivedText_->clear();
}

void RemoteSessionWindow::receiveDatagrams() {
    const auto datagrams = endpoint_.receive();
    if (datagrams.empty()) {
        return;
    }
    // Each replaces the one before; only the last is left to see.
    std::optional<ReceivedAngles> angles;
    if (dialFollows_) {
        for (const std::string& datagram : datagrams) {
            if (const auto decoded = decodeAngleDatagram(datagram)) {
                angles = decoded;
            }
        }
    }
    const std::string& last = datagrams.back();
    receivedText_->setText(QString::fromLatin1(
        last.data(), static_cast<qsizetype>(std::min(last.size(), kShownCharacters))));
    if (angles) {
        receivedX_ = angles->x;
        receivedY_ = angles->y;
        xBox_->setText(QString::number(receivedX_));
        yBox_->setText(QString::number(receivedY_));
    }
}

// --- Sampling -----------------------------------------------------------------------------

void RemoteSessionWindow::toggleSampling() {
    if (sampling_) {
        stopSampling();
    } else {
        startSampling();
    }
    sampleAction_->setChecked(sampling_);  // a checkable entry toggles itself when chosen
}

void RemoteSessionWindow::startSampling() {
    sampling_ = true;
    sampleAction_->setChecked(true);
    sessionBox_->setEnabled(false);
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
         .entry = sampleAction_,
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
            sampleAction_->setEnabled(!receivingOption_->isChecked());
        });
    if (!started) {
        finishSampling();
    }
}

void RemoteSessionWindow::stopSampling() {
    context_.device.stop();
    finishSampling();
    sampleAction_->setEnabled(false);  // until the loop has let go of the device
}

void RemoteSessionWindow::finishSampling() {
    sampling_ = false;
    sampleAction_->setChecked(false);
    sessionBox_->setEnabled(true);
    xBox_->clear();
    yBox_->clear();
}

void RemoteSessionWindow::showReading(const SampledPair& pair) {
    anyReading_ = true;
    if (pair.datagram) {
        lastSentText_ = *pair.datagram;
        sentText_->setText(QString::fromStdString(lastSentText_));
    }
    if (!sampling_) {
        return;  // sent as sampling stopped; the angle boxes are cleared by now
    }
    const link::AngleReading& r = pair.reading;
    xBox_->setText(live::ui::localeNumber(r.angleX));
    yBox_->setText(live::ui::localeNumber(r.angleY));
}

// --- Leaving and picturing ----------------------------------------------------------------

void RemoteSessionWindow::leave() {
    close();
}

void RemoteSessionWindow::closeEvent(QCloseEvent* event) {
    if (sampling_) {
        context_.device.stop();
    }
    endpoint_.close();
    QMainWindow::closeEvent(event);
}

void RemoteSessionWindow::prepareForPicture() {
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
