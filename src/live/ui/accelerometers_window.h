#pragma once

#include <array>
#include <vector>

#include "live/live_sampling.h"
#include "live/ui/live_feed.h"
#include "live/ui/live_window.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::live::ui {

// The Accelerometers window: the device's three raw accelerometer counts live, as numbers and on
// sliders, with the last minute on a strip chart, recorded to a data file when asked. Behind
// Ctrl+F6 a technician sets the three DAC values while watching the counts.
class AccelerometersWindow final : public LiveWindow {
  public:
    explicit AccelerometersWindow(common::ui::AppContext& context, QWidget* parent = nullptr);

    void writeDac1();
    void writeDac2();
    void writeDac3();

    // The window at work, with the DAC sliders shown.
    void prepareForPicture() override;

    // Shows or hides the DAC sliders and the note together (Ctrl+F6).
    void toggleHiddenSliders();

  private:
    // The controls of one channel: its count, and the setting of its DAC. The box and the
    // slider show one setting, which Write DAC sends: a typed value beyond the slider's range
    // is brought back to it, visibly, and a setting the logger holds beyond it (65535 from a
    // blank cell) is shown as it is, marked, and not sent.
    struct Channel {
        int dac = 1;
        QLineEdit* count = nullptr;
        QSlider* countSlider = nullptr;
        QSlider* setting = nullptr;
        QLineEdit* settingText = nullptr;
        QPushButton* write = nullptr;
        bool typed = false;       // the box holds typing that has not been taken yet
        bool outOfRange = false;  // the box shows a setting the slider cannot
        double followed = 0;      // the shared record's setting as last shown
    };

    Loop makeLoop() override;
    FrameFeed& feed() override { return feed_; }
    void samplingStarted() override {}
    void samplingStopped(bool clear) override;

    QWidget* buildReadings();
    QGroupBox* buildCountSliders(QWidget* parent);
    QGroupBox* buildHiddenSliders(QWidget* parent);
    void mirror(Channel& channel);
    void showSetting(Channel& channel, double value);
    void markOutOfRange(Channel& channel, bool outOfRange);
    void takeTyping(Channel& channel);
    void followWrites();
    [[nodiscard]] QString unfinishedWriteText() const override;
    void writeDacClicked(int dac);
    void failWithoutPort(int dac, int value);
    void setDacButtonsEnabled(bool enabled);
    void showDac(const DacDone& done);
    void showReadings(const std::vector<AccelerationSample>& samples);

    std::array<Channel, 3> channels_{};
    QGroupBox* hiddenSliders_ = nullptr;
    QLabel* note_ = nullptr;
    bool dacWriting_ = false;  // a DAC write waits for the loop
    DacRequest dacPosted_;     // the last one posted
    bool dacBroken_ = false;   // a write without the port: the buttons stay off
    bool typing_ = false;      // a setting box moves its slider, not the other way round
    LiveFeed<AccelerationSample> feed_;
};

}  // namespace tilt::live::ui
