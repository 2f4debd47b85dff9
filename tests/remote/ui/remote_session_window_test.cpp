#include "remote/ui/remote_session_window.h"

#include <gtest/gtest.h>
#include <QDial>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QRadioButton>
#include <QStatusBar>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <set>

#include "common/error.h"
#include "device/sim_device.h"
#include "platform/udp_endpoint.h"
#include "remote/angle_datagram.h"
#include "support/gui_harness.h"

namespace tilt::remote::ui {
namespace {

using namespace std::chrono_literals;
using platform::UdpEndpoint;
using testing::GuiHarness;

constexpr std::size_t kLargestIPv4Payload = 65507;
// How much of a datagram the receive box shows.
constexpr std::size_t kShownCharacters = 4096;

platform::UdpPeer loopback(std::uint16_t port) {
    return {QHostAddress(QHostAddress::LocalHost), port};
}

// The other PC: datagrams arriving at a port of its own, with the port each came from, read on
// a thread of their own so that none is lost while the window's thread is busy.
class DatagramCollector {
  public:
    DatagramCollector() {
        std::promise<std::uint16_t> bound;
        auto port = bound.get_future();
        thread_.reset(QThread::create([this, bound = std::move(bound)]() mutable {
            QUdpSocket socket;
            (void)socket.bind(QHostAddress::LocalHost, 0);
            bound.set_value(socket.localPort());
            while (!stop_) {
                if (!socket.waitForReadyRead(20)) {
                    continue;
                }
                while (socket.hasPendingDatagrams()) {
                    const QNetworkDatagram d = socket.receiveDatagram();
                    const std::lock_guard lock(mutex_);
                    datagrams_.push_back(d.data().toStdString());
                    senders_.insert(static_cast<std::uint16_t>(d.senderPort()));
                }
            }
        }));
        thread_->start();
        port_ = port.get();
    }
    ~DatagramCollector() {
        stop_ = true;
        thread_->wait();
    }
    DatagramCollector(const DatagramCollector&) = delete;
    DatagramCollector& operator=(const DatagramCollector&) = delete;

    [[nodiscard]] std::uint16_t port() const { return port_; }
    [[nodiscard]] std::vector<std::string> datagrams() const {
        const std::lock_guard lock(mutex_);
        return datagrams_;
    }
    [[nodiscard]] std::size_t count() const { return datagrams().size(); }
    // The ports the datagrams came from.
    [[nodiscard]] std::set<std::uint16_t> senders() const {
        const std::lock_guard lock(mutex_);
        return senders_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> datagrams_;
    std::set<std::uint16_t> senders_;
    std::atomic<bool> stop_{false};
    std::unique_ptr<QThread> thread_;
    std::uint16_t port_ = 0;
};

class RemoteSessionWindow : public ::testing::Test {
  protected:
    // The program on a simulated logger at port 1, and Display > Remote Session.
    void open(const device::SimOptions& device = {}) {
        gui.catalogue.addDevice(device);
        gui.start();
        gui.action("mnuRemote")->trigger();
        window = gui.openWindow("RemoteSession");
        ASSERT_NE(window, nullptr);
    }

    template <typename T = QWidget>
    T* control(const char* name) const {
        auto* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(name); }
    std::string text(const char* name) const { return box(name)->text().toStdString(); }
    void click(const char* name) { control<QAbstractButton>(name)->click(); }
    QAction* menu(const char* name) const { return window->findChild<QAction*>(name); }
    int dial(const char* name) const { return control<QDial>(name)->value(); }
    std::string status() const { return control<QLabel>("lblStatus")->text().toStdString(); }

    // Remote host 127.0.0.1 at `remotePort`, bound to `bind` (0: any free port), as the user
    // sets them and presses Reset; the port bound.
    std::uint16_t reset(std::uint16_t remotePort, std::uint16_t bind = 0) {
        click("optRemoteHost1");
        const char* octets[] = {"127", "0", "0", "1"};
        for (int i = 0; i < 4; ++i) {
            box(("txtRH" + std::to_string(i + 1)).c_str())->setText(octets[i]);
        }
        box("txtPort")->setText(QString::number(remotePort));
        box("txtBind")->setText(QString::number(bind));
        click("cmdReset");
        return static_cast<std::uint16_t>(box("txtBind")->text().toUInt());
    }

    [[nodiscard]] bool shownAsReceived(const std::string& datagram) {
        const QString expected = QString::fromLatin1(
            datagram.data(), static_cast<qsizetype>(std::min(datagram.size(), kShownCharacters)));
        return gui.waitFor([&] { return box("txtReceive")->text() == expected; });
    }

    GuiHarness gui;
    QWidget* window = nullptr;
    UdpEndpoint peer;  // the other PC
};

std::uint16_t freePort() {
    UdpEndpoint probe;
    EXPECT_EQ(probe.bind(0), std::nullopt);
    return probe.boundPort();
}

TEST_F(RemoteSessionWindow, Load_DefaultsOfTheSendingRole_AndThePictureSamplesQuietly) {
    open();
    const std::map<const char*, const char*> boxes = {{"txtPort", "1002"},
                                                      {"txtBind", "1001"},
                                                      {"txtRH1", "192"},
                                                      {"txtRH2", "168"},
                                                      {"txtRH3", "1"},
                                                      {"txtRH4", "100"},
                                                      {"txtRH5", "tilt-workstation.invalid"},
                                                      {"txtSend", ""},
                                                      {"txtReceive", ""},
                                                      {"txtX", ""},
                                                      {"txtY", ""}};
    for (const auto& [name, expected] : boxes) {
        EXPECT_EQ(text(name), expected) << name;
    }
    for (const char* on : {"optSession1", "optRemoteHost2", "optSend", "optDialNo"}) {
        EXPECT_TRUE(control<QRadioButton>(on)->isChecked()) << on;
    }
    EXPECT_FALSE(control<QGroupBox>("fraDial")->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("fraSend")->isEnabled());
    EXPECT_TRUE(menu("mnuSample")->isEnabled());
    EXPECT_TRUE(menu("mnuSample")->isCheckable());
    EXPECT_FALSE(menu("mnuSample")->isChecked());

    EXPECT_EQ(text("txtWhoAmI"), platform::localComputerName());
    const std::string address =
        text("txtLH1") + "." + text("txtLH2") + "." + text("txtLH3") + "." + text("txtLH4");
    EXPECT_EQ(std::optional(address), platform::localIPv4Address());

    // The port is named whether it could be bound or not (another copy may hold it).
    EXPECT_NE(status().find("UDP port 1001"), std::string::npos) << status();
    EXPECT_TRUE(gui.waitFor([&] {
        return status().find("tilt-workstation.invalid is not known on this network") !=
               std::string::npos;
    })) << status();
    EXPECT_TRUE(gui.texts().empty());

    // The picture: a second of sampling the simulated logger, sending to the default host, which
    // does not resolve: nothing goes out, and nobody is told.
    dynamic_cast<common::ui::Pictured*>(window)->prepareForPicture();
    EXPECT_FALSE(text("txtX").empty());
    EXPECT_TRUE(decodeAngleDatagram(text("txtSend")).has_value()) << text("txtSend");
    EXPECT_TRUE(gui.texts().empty());
    EXPECT_TRUE(gui.errors.reports.empty());
    window->close();
    EXPECT_TRUE(gui.idle());
}

// The roles swap the ports and the frames, and leave the socket bound where it was.
TEST_F(RemoteSessionWindow, Roles_CrossThePortsWithoutRebinding_FramedPairsMoveTheDials) {
    open();
    const std::uint16_t bound = reset(freePort());
    struct Role {
        const char* option;
        const char* port;
        const char* bind;
        bool sampling;
        bool sending;
        bool dial;
    };
    for (const Role& r : {Role{"optSession2", "1001", "1002", false, false, true},
                          Role{"optSession1", "1002", "1001", true, true, false}}) {
        click(r.option);
        EXPECT_EQ(text("txtPort"), r.port) << r.option;
        EXPECT_EQ(text("txtBind"), r.bind) << r.option;
        EXPECT_EQ(menu("mnuSample")->isEnabled(), r.sampling) << r.option;
        EXPECT_EQ(control<QGroupBox>("fraSend")->isEnabled(), r.sending) << r.option;
        EXPECT_EQ(control<QGroupBox>("fraDial")->isEnabled(), r.dial) << r.option;
        const std::string hello = std::string("to ") + r.option;
        ASSERT_TRUE(peer.sendTo(loopback(bound), hello));
        EXPECT_TRUE(shownAsReceived(hello)) << "still bound to " << bound;
    }

    // The network is open to anyone: a framed pair moves the dials, and only while "Display Receive
    // Data" says Yes; anything else leaves them as they were (which texts are pairs is the datagram
    // decoder's to check). Everything is shown as it came, and only the last.
    click("optSession2");
    const std::uint16_t port = reset(freePort());
    struct Case {
        std::string datagram;
        bool dial;
        const char* x;  // what the boxes show afterwards
        const char* y;
    };
    const std::vector<Case> cases = {
        {"KT12.5/13.5KT", true, "12", "14"},
        {"", true, "12", "14"},
        {std::string("KT\0\xff/\x01KT", 8), true, "0", "0"},
        // Read whole, though the box shows only its start.
        {"KT" + std::string(kLargestIPv4Payload - 10, '0') + "5/6KT", true, "5", "6"},
        {"KT-180/-90KT", true, "-180", "-90"},
        {"KT1/2KT", false, "-180", "-90"},
    };
    for (const Case& c : cases) {
        click(c.dial ? "optDialYes" : "optDialNo");
        ASSERT_TRUE(peer.sendTo(loopback(port), c.datagram));
        ASSERT_TRUE(shownAsReceived(c.datagram)) << c.datagram.substr(0, 20);
        EXPECT_EQ(text("txtX"), c.x) << c.datagram.substr(0, 20);
        EXPECT_EQ(text("txtY"), c.y) << c.datagram.substr(0, 20);
        EXPECT_EQ(dial("dialX"), std::atoi(c.x)) << c.datagram.substr(0, 20);
        EXPECT_EQ(dial("dialY"), std::atoi(c.y)) << c.datagram.substr(0, 20);
    }
    click("cmdClearReceive");
    EXPECT_EQ(text("txtReceive"), "");
}

TEST_F(RemoteSessionWindow, ResetAndClearSend_SendFromTheBoundPort_ABadPortIsRefused) {
    open();
    DatagramCollector first;
    DatagramCollector second;
    const std::uint16_t oldPort = reset(first.port());
    QTest::keyClicks(box("txtSend"), "hi");
    ASSERT_TRUE(gui.waitFor([&] { return first.count() == 2; }));
    EXPECT_EQ(first.datagrams(), (std::vector<std::string>{"h", "hi"}))
        << "each change sends the whole box";
    EXPECT_EQ(first.senders(), std::set{oldPort}) << "from the bound port";

    const std::uint16_t newPort = reset(second.port(), freePort());
    ASSERT_NE(newPort, oldPort);
    EXPECT_EQ(status(), "Receiving on UDP port " + std::to_string(newPort) +
                            ". Sending to 127.0.0.1 port " + std::to_string(second.port()) + ".");
    QTest::keyClicks(box("txtSend"), "!");
    ASSERT_TRUE(gui.waitFor([&] { return second.count() == 1; }));
    EXPECT_EQ(second.datagrams(), std::vector<std::string>{"hi!"});
    EXPECT_EQ(second.senders(), std::set{newPort});
    EXPECT_EQ(first.count(), 2U);

    click("cmdClearSend");
    ASSERT_TRUE(gui.waitFor([&] { return second.count() == 2; }));
    EXPECT_EQ(second.datagrams(), (std::vector<std::string>{"hi!", ""})) << "the emptied box";
    EXPECT_EQ(text("txtSend"), "");

    ASSERT_TRUE(peer.sendTo(loopback(newPort), "KT1/2KT"));
    EXPECT_TRUE(shownAsReceived("KT1/2KT"));
    UdpEndpoint probe;
    EXPECT_EQ(probe.bind(oldPort), std::nullopt) << "the old port was let go";

    // A Reset with a port that cannot be used gets a clear message; the window keeps working.
    const std::uint16_t working = reset(freePort());
    DatagramCollector other;
    const std::string otherPort = std::to_string(other.port());
    UdpEndpoint holder;
    ASSERT_EQ(holder.bind(0), std::nullopt);
    const std::string inUse = std::to_string(holder.boundPort());
    struct Case {
        std::string port;
        std::string bind;
        std::string message;
        bool closes;  // the socket was closed for the rebind
    };
    const std::vector<Case> cases = {
        {"0", "0", "The Remote Port must be a whole number from 1 to 65535.", false},
        {"5000", "70000",
         "The Bind port must be a whole number from 1 to 65535 (or 0 for any free port).", false},
        {"5000", "",
         "The Bind port must be a whole number from 1 to 65535 (or 0 for any free port).", false},
        {otherPort, inUse,
         "UDP port " + inUse +
             " is in use by another program. Choose another Bind port and "
             "press Reset.",
         true},
    };
    for (const Case& c : cases) {
        gui.messages.shown.clear();
        box("txtPort")->setText(QString::fromStdString(c.port));
        box("txtBind")->setText(QString::fromStdString(c.bind));
        click("cmdReset");
        EXPECT_EQ(gui.texts(), std::vector<std::string>{c.message}) << c.bind;
        if (c.closes) {
            EXPECT_EQ(status().rfind(c.message, 0), 0U) << status();
            QTest::keyClicks(box("txtSend"), "x");
            QTest::qWait(100);
            EXPECT_EQ(other.count(), 0U) << "nothing leaves from a port nobody chose";
        } else {
            const std::string still = "kept " + c.port + c.bind;
            ASSERT_TRUE(peer.sendTo(loopback(working), still));
            EXPECT_TRUE(shownAsReceived(still)) << "a refused Reset leaves the socket as it was";
        }
    }
    const std::uint16_t again = reset(other.port());
    ASSERT_TRUE(peer.sendTo(loopback(again), "back"));
    EXPECT_TRUE(shownAsReceived("back"));
    QTest::keyClicks(box("txtSend"), "y");
    ASSERT_TRUE(gui.waitFor([&] { return other.count() == 1; }));
    EXPECT_EQ(other.datagrams(), std::vector<std::string>{"xy"});
    EXPECT_EQ(other.senders(), std::set{again});
}

// Held still at a known attitude: the boxes and dials show it; datagrams go out only while
// Send is chosen, from the window's bound port, and the send box shows them.
TEST_F(RemoteSessionWindow, Sampling_ShowsTheAngles_SendsOnlyWhileSendIsOn_ReturnEndsIt) {
    device::SimOptions still;
    still.attitude = device::FixedAttitude{30, -20};
    open(still);
    DatagramCollector other;
    const std::uint16_t bound = reset(other.port());
    click("optNoSend");
    menu("mnuSample")->trigger();
    EXPECT_TRUE(menu("mnuSample")->isChecked());
    EXPECT_FALSE(control<QGroupBox>("fraSession")->isEnabled());
    ASSERT_TRUE(gui.waitFor([&] { return text("txtX") == "30" && text("txtY") == "-20"; }));
    EXPECT_EQ(dial("dialX"), 30);
    EXPECT_EQ(dial("dialY"), -20);
    QTest::qWait(100);
    EXPECT_EQ(other.count(), 0U);
    EXPECT_EQ(text("txtSend"), "");

    click("optSend");
    ASSERT_TRUE(gui.waitFor([&] { return other.count() >= 10; }));
    for (const auto& d : other.datagrams()) {
        EXPECT_EQ(d, "KT30/-20KT");
    }
    EXPECT_EQ(other.senders(), std::set{bound}) << "a peer keyed on our port gets them all";
    EXPECT_TRUE(gui.waitFor([&] { return text("txtSend") == "KT30/-20KT"; }));

    menu("mnuSample")->trigger();
    ASSERT_TRUE(gui.idle());
    EXPECT_FALSE(menu("mnuSample")->isChecked());
    EXPECT_TRUE(menu("mnuSample")->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("fraSession")->isEnabled());
    EXPECT_EQ(text("txtX"), "");
    EXPECT_EQ(text("txtY"), "");
    EXPECT_EQ(dial("dialX"), 0);

    // Return stops sampling and lets go of the port.
    menu("mnuSample")->trigger();
    ASSERT_TRUE(gui.waitFor([&] { return !text("txtX").empty(); }));
    menu("mnuReturn")->trigger();
    ASSERT_TRUE(gui.idle()) << "sampling ends with the window";
    ASSERT_TRUE(gui.waitFor([&] { return gui.openWindow("RemoteSession") == nullptr; }));
    UdpEndpoint probe;
    EXPECT_EQ(probe.bind(bound), std::nullopt);
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST_F(RemoteSessionWindow, AdapterPulledOut_TheReportThenOneLineOnWhatToDo) {
    open();
    menu("mnuSample")->trigger();
    ASSERT_TRUE(gui.waitFor([&] { return !text("txtX").empty(); }));
    gui.catalogue.line(1)->unplug();
    ASSERT_TRUE(gui.waitFor([&] { return !menu("mnuSample")->isChecked(); }));
    ASSERT_TRUE(gui.idle());
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].number, errc::kPortLost);
    EXPECT_TRUE(gui.messages.shown.empty()) << "no second box";
    EXPECT_EQ(window->findChild<QStatusBar*>()->currentMessage().toStdString(),
              live::samplingEndText(live::LiveEnd::PortFailed, "choose File > Sample again"));
    EXPECT_TRUE(menu("mnuSample")->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("fraSession")->isEnabled());
}

// A logger that falls silent while the session samples: said in the status line while the loop
// keeps asking, and gone once it answers again.
TEST_F(RemoteSessionWindow, LoggerFallenSilent_IsSaidWhileSamplingGoesOn) {
    device::SimOptions pausing;
    pausing.faults.silenceEvery = link::ms(4000);
    pausing.faults.silenceLength = link::ms(3000);
    open(pausing);
    menu("mnuSample")->trigger();
    auto* bar = window->findChild<QStatusBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(gui.waitFor([&] { return bar->currentMessage().contains("stopped answering"); }));
    EXPECT_EQ(bar->currentMessage().toStdString(), live::silentWhileSamplingText(true));
    EXPECT_TRUE(menu("mnuSample")->isChecked());
    ASSERT_TRUE(gui.waitFor([&] { return bar->currentMessage().isEmpty(); }))
        << "the logger answers again";
    menu("mnuSample")->trigger();
    ASSERT_TRUE(gui.idle());
    EXPECT_TRUE(gui.errors.reports.empty());
}

}  // namespace
}  // namespace tilt::remote::ui
