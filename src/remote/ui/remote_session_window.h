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
class RemoteSessionWindow final : public QMainWindow, public common::ui::Pictured {
  public:
    explicit RemoteSessionWindow(common::ui::AppContext& context, QWidget* parent = nullptr);
    ~RemoteSessionWindow() override;

    void chooseSending();
    void chooseReceiving();
    void resetConnection();
    void toggleSampling();
    void leave();
    void clearSent();
    void clearReceived();

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
    void prepareSession();

    void bind(std::uint16_t port);
    void setRemoteHost(const std::string& host, std::uint16_t port);
    void showStatus();
    void sendText(const std::string& text);
    void receiveDatagrams();

    void startSampling();
    void stopSampling();
    void finishSampling();
    void showReading(const SampledPair& pair);

    common::ui::AppContext& context_;
    QAction* sampleAction_ = nullptr;
    QGroupBox* sessionBox_ = nullptr;
    QRadioButton* sendingOption_ = nullptr;
    QRadioButton* receivingOption_ = nullptr;
    SessionParameters* parameters_ = nullptr;
    QGroupBox* sendBox_ = nullptr;
    QGroupBox* dialBox_ = nullptr;
    QLineEdit* sentText_ = nullptr;
    QLineEdit* receivedText_ = nullptr;
    QLineEdit* xBox_ = nullptr;
    QLineEdit* yBox_ = nullptr;
    QDial* dialX_ = nullptr;
    QDial* dialY_ = nullptr;
    QLabel* status_ = nullptr;

    bool dialFollows_ = false;
    std::int16_t receivedX_ = 0;
    std::int16_t receivedY_ = 0;
    std::string lastSentText_;

    platform::UdpEndpoint endpoint_;
    platform::HostLookup lookup_;
    std::optional<platform::UdpPeer> peer_;  // nothing while the remote host is unknown
    // The sampler's datagrams, sent through endpoint_ on this thread.
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
