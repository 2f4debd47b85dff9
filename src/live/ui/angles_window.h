#pragma once

#include <array>
#include <vector>

#include "live/live_sampling.h"
#include "live/ui/live_feed.h"
#include "live/ui/live_window.h"

class QDial;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::live::ui {

// The Angles window: the device's two angles live, as numbers, raw words and on two dials, with
// the last minute on a strip chart; the tare of either axis stored or cleared while sampling,
// and the readings recorded to a data file.
class AnglesWindow final : public LiveWindow {
  public:
    explicit AnglesWindow(common::ui::AppContext& context, QWidget* parent = nullptr);

    void toggleTareX();
    void toggleTareY();

  private:
    // The controls of one axis.
    struct AxisControls {
        QLineEdit* angle = nullptr;
        QLineEdit* word = nullptr;
        QLineEdit* tare = nullptr;
        QDial* dial = nullptr;
        QPushButton* tareButton = nullptr;
        // The caption before a click whose write the loop has not carried out yet: a stop that
        // drops the request puts it back.
        QString captionBeforeRequest;
    };

    Loop makeLoop() override;
    FrameFeed& feed() override { return feed_; }
    void samplingStarted() override;
    void samplingStopped(bool clear) override;
    [[nodiscard]] QString unfinishedWriteText() const override;

    QWidget* buildReadings();
    QGroupBox* buildAxisFrame(Axis axis, QWidget* parent);
    void tareClicked(Axis axis);
    void showTare(const TareDone& done);
    void showTares();
    void showReadings(const std::vector<AngleSample>& samples);

    std::array<AxisControls, 2> axes_{};
    LiveFeed<AngleSample> feed_;
};

}  // namespace tilt::live::ui
