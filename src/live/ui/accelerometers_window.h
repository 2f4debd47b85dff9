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

namespace tilt::shell::ui {
struct AppContext;
}

namespace tilt::live::ui {

// The Accelerometers window: the device's three raw accelerometer counts live, as numbers and on
// sliders, with the last minute on a strip chart, recorded to a data file when asked. Behind
// Ctrl+F6 a technician sets the three DAC values while watching the counts.
class Accelerometers final : public LiveWindow {
  public:
    explicit Accelerometers(shell::ui::AppContext& context, QWidget* parent = nullptr);

    void cmdWriteDAC1_Click();
    void cmdWriteDAC2_Click();
    void cmdWriteDAC3_Click();

    // The window at work, with the DAC sliders shown.
    void prepareForPicture() override;

    // Shows or hides the DAC sliders and the note together (Ctrl+F6).
    void toggleHiddenSliders();

  private:
    // The controls of one channel: its count, and the setting of its DAC.
    struct Channel {
        QLineEdit* count = nullptr;
        QSlider* countSlider = nullptr;
        QSlider* setting = nullptr;
        QLineEdit* settingText = nullptr;
        QPushButton* write = nullptr;
    };

    Loop makeLoop() override;
    FrameFeed& feed() override { return feed_; }
    void samplingStarted() override {}
    void samplingStopped(bool clear) override;

    QWidget* buildReadings();
    QGroupBox* buildCountSliders(QWidget* parent);
    QGroupBox* buildHiddenSliders(QWidget* parent);
    void mirror(Channel& channel);
    void writeDacClicked(int dac);
    void failWithoutPort(int dac, int value);
    void setDacButtonsEnabled(bool enabled);
    void showDac(const DacDone& done);
    void showReadings(const std::vector<AccelerationSample>& samples);

    std::array<Channel, 3> channels_{};
    QGroupBox* fraHiddenSliders_ = nullptr;
    QLabel* lblNote_ = nullptr;
    bool dacWriting_ = false;  // a DAC write waits for the loop
    bool dacBroken_ = false;   // a write without the port: the buttons stay off
    bool typing_ = false;      // a setting box moves its slider, not the other way round
    LiveFeed<AccelerationSample> feed_;
};

}  // namespace tilt::live::ui
