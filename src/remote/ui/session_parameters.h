#pragma once

#include <QGroupBox>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tilt::remote::ui {

// The remote host the endpoint starts with: a workstation name that can never resolve (the
// ".invalid" domain is reserved for that), so nothing goes out before the user says where to.
inline constexpr const char* kDefaultRemoteHost = "tilt-workstation.invalid";

// The frame "Set Session Parameters": who this PC is, the remote host (four octets or a name),
// the remote port and the local port to bind, and the button that applies them.
class SessionParameters final : public QGroupBox {
  public:
    explicit SessionParameters(QWidget* parent = nullptr);

    // This PC's name and dotted IPv4 address (the octet boxes stay as they are without one).
    void showLocalHost(const std::string& name, const std::optional<std::string>& address);

    // The remote host as chosen: the four trimmed octets joined with ".", or the trimmed name.
    [[nodiscard]] std::string remoteHost() const;

    [[nodiscard]] QString remotePortText() const;
    [[nodiscard]] QString bindText() const;
    void setPorts(const QString& remotePort, const QString& bind);

    [[nodiscard]] QPushButton* resetButton() const { return resetButton_; }

  private:
    QLineEdit* addBox(const char* name, const QString& text, int width);

    QLineEdit* hostNameBox_ = nullptr;
    std::array<QLineEdit*, 4> localAddressBoxes_{};
    QRadioButton* byAddressOption_ = nullptr;
    QRadioButton* byNameOption_ = nullptr;
    std::array<QLineEdit*, 4> remoteAddressBoxes_{};
    QLineEdit* remoteNameBox_ = nullptr;
    QLineEdit* remotePortBox_ = nullptr;
    QLineEdit* bindPortBox_ = nullptr;
    QPushButton* resetButton_ = nullptr;
};

// A port number typed into a box: a whole number from `lowest` to 65535.
[[nodiscard]] std::optional<std::uint16_t> portNumber(const QString& text, int lowest);

}  // namespace tilt::remote::ui
