#pragma once

#include <QMainWindow>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/ui/latest_value.h"
#include "common/ui/pictured.h"
#include "link/protocol.h"
#include "platform/udp_endpoint.h"
#include "remote/ui/datagram_outbox.h"

class QAction;
class QDial;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::remote::ui {

class SessionParameters;

// A reading of the sampling loop and the datagram sent for it, when sending was on.
struct SampledPair {
    link::AngleReading reading;
    std::optional<std::string> datagram;
};

// The RemoteSession window: two PCs running the program share the device's live angles over
// the network. The sending one samples the angles and sends each pair as one datagram; the
// receiving one shows every datagram and, when asked, turns angle datagrams back into the
// dials. Sampling runs on the device thread; every reading's datagram leaves through the
// window's own socket, bound to the local port, and the window is shown the newest reading
// once a frame.
class RemoteSession final : public QMainWindow, public common::ui::Pictured {
  public:
    explicit RemoteSession(common::ui::AppContext& context, QWidget* parent = nullptr);
    ~RemoteSession() override;

    void optSession1_Click();
    void optSession2_Click();
    void cmdReset_Click();
    void mnuSample_Click();
    void mnuReturn_Click();
    void cmdClearSend_Click();
    void cmdClearReceive_Click();

    // About a second of sampling a simulated device, then the picture is taken while it runs
    // on. A real logger is left alone: the window is pictured idle.
    void prepareForPicture() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildControls();
    QGroupBox* buildSessionFrame();
    QGroupBox* buildSendFrame();
    QGroupBox* buildDialFrame();
    QGroupBox* buildAxisFrame(const char* frame, const QString& caption, QLineEdit*& box,
                              QDial*& dial);
    void Form_Load();

    void bind(std::uint16_t port);
    void setRemoteHost(const std::string& host, std::uint16_t port);
    void showStatus();
    void sendText(const std::string& text);
    void udpPeerA_DataArrival();

    void startSampling();
    void stopSampling();
    void finishSampling();
    void showReading(const SampledPair& pair);

    common::ui::AppContext& context_;
    QAction* mnuSample_ = nullptr;
    QGroupBox* fraSession_ = nullptr;
    QRadioButton* optSession1_ = nullptr;
    QRadioButton* optSession2_ = nullptr;
    SessionParameters* fraParameters_ = nullptr;
    QGroupBox* fraSend_ = nullptr;
    QGroupBox* fraDial_ = nullptr;
    QLineEdit* txtSend_ = nullptr;
    QLineEdit* txtReceive_ = nullptr;
    QLineEdit* txtX_ = nullptr;
    QLineEdit* txtY_ = nullptr;
    QDial* dialX_ = nullptr;
    QDial* dialY_ = nullptr;
    QLabel* lblStatus_ = nullptr;

    bool SendFlag_ = true;
    bool DialFlag_ = false;
    std::int16_t ReceivedX_ = 0;
    std::int16_t ReceivedY_ = 0;
    std::string LastSentText_;

    platform::UdpEndpoint udpPeerA_;
    platform::HostLookup lookup_;
    std::optional<platform::UdpPeer> peer_;  // nothing while the remote host is unknown
    // The sampler's datagrams, sent through udpPeerA_ on this thread.
    DatagramOutbox outbox_{[this](const std::string& datagram) { sendText(datagram); }};
    // Send / No Send as the sampling loop reads it, for each reading on the device thread;
    // shared with the loop, which may outlive the window by a reading or two.
    std::shared_ptr<std::atomic<bool>> sendSwitch_ = std::make_shared<std::atomic<bool>>(true);
    std::optional<std::string> bindProblem_;
    std::string remoteHost_;
    std::uint16_t remotePort_ = 0;
    bool lookingUp_ = false;
    common::ui::LatestValue<SampledPair> readings_;
    bool sampling_ = false;
    bool anyReading_ = false;  // this sampling has shown a reading
};

}  // namespace tilt::remote::ui
