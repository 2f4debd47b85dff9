#pragma once

#include <QMainWindow>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "common/app_state.h"
#include "common/ui/app_context.h"
#include "common/ui/pictured.h"
#include "live/live_requests.h"
#include "live/live_sampling.h"
#include "live/ui/strip_history.h"
#include "platform/ui/device_thread.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace tilt::link {
class JobScope;
}
namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::live::ui {

class FrameFeed;
class StripChart;

// What the live windows share: the File menu (Save, Sample, Return), recording to a data file,
// the sampling loop on the device thread with the requests posted to it, the rate of the
// readings and the strip chart of the last minute. A window adds its boxes above the chart and
// shows each frame's readings.
class LiveWindow : public QMainWindow, public common::ui::Pictured {
  public:
    void toggleSampling();
    void toggleSaving();
    void leave();

    // About a second of sampling when the selected port is a simulated logger; otherwise the
    // window is pictured idle.
    void prepareForPicture() override;

    [[nodiscard]] bool sampling() const { return sampling_; }

  protected:
    // What a live window is: its name (the error log's screen), the kind of its data file, and
    // the strip chart's traces with the unit of their values.
    struct Kind {
        const char* window;
        std::string_view fileKind;
        std::vector<QString> traces;
        QString unit;
        double leastSpan;  // of the chart's value axis: a still logger's noise is not blown up
    };
    LiveWindow(common::ui::AppContext& context, Kind kind, QWidget* parent);

    // The window's sampling loop with its events, made on the user-interface thread as sampling
    // starts; it runs on the device thread.
    using Loop = std::function<LiveEnd(const link::JobScope&, const LiveOptions&, LoopRequests&)>;
    [[nodiscard]] virtual Loop makeLoop() = 0;
    [[nodiscard]] virtual FrameFeed& feed() = 0;
    // The window's controls as sampling starts and stops; `clear` says whether the readings go
    // (they stay for a picture).
    virtual void samplingStarted() = 0;
    virtual void samplingStopped(bool clear) = 0;
    // What a write posted to the loop and not yet carried out may have left, for the message of
    // a loop that ended by itself; empty when no write was waiting.
    [[nodiscard]] virtual QString unfinishedWriteText() const { return {}; }

    // Puts the window's boxes above the strip chart.
    void setReadingsPanel(QWidget* panel);

    // A frame's readings, oldest first: the chart and the rate.
    void plotReadings(std::span<const ChartPoint> points, long askedAgain);

    // Hands a request to the running loop; false when none runs.
    bool post(LoopRequest request);

    // What the loop calls when the data file cannot take a reading (it has reported why): the
    // window says that the recording ended while sampling goes on.
    [[nodiscard]] std::function<void()> recordingFailedNotice();

    // What the loop calls when the device falls silent or answers again: the window says so
    // while the loop keeps asking.
    [[nodiscard]] std::function<void(bool)> silenceNotice();

    // What the loop calls when it has written cells of the logger's configuration: `keep` puts
    // them into the program's configuration record, then `show` runs on this window. The record
    // takes them on the program's events, so that a window closed before it hears of the write
    // loses nothing.
    template <typename Done>
    [[nodiscard]] std::function<void(const Done&)> cellsWrittenNotice(
        std::function<void(ConfigRecord&, const Done&)> keep,
        std::function<void(const Done&)> show) {
        auto record = platform::ui::DeviceThread::toWindow<Done>(
            &context_.loggerEvents, [&context = context_, keep](const Done& done) {
                keep(context.state.configuration, done);
                emit context.loggerEvents.configurationWritten();
            });
        auto shown = platform::ui::DeviceThread::toWindow<Done>(this, std::move(show));
        return [record, shown](const Done& done) {
            record(done);
            shown(done);
        };
    }

    // Tells the user something under the chart (a write carried out, a value refused, how
    // sampling ended); empty takes it away.
    void showStatus(const QString& text);

    // A frame of labelled boxes that show readings, a row each: the label, the objectName, and
    // the name a screen reader gives the box (the labels repeat from frame to frame).
    struct BoxRow {
        const char* label;
        const char* name;
        const char* accessibleName;
    };
    struct BoxFrame {
        QGroupBox* frame = nullptr;
        std::vector<QLineEdit*> boxes;
    };
    [[nodiscard]] static BoxFrame boxFrame(const QString& title, const char* name,
                                           std::initializer_list<BoxRow> rows, QWidget* parent);

    void closeEvent(QCloseEvent* event) override;

    common::ui::AppContext& context_;
    const Kind kind_;

  private:
    void buildMenus();
    void startSampling();
    void stopSampling();
    void finishSampling();
    void loopEnded();
    void showSilence(bool silent);

    QAction* saveAction_ = nullptr;
    QAction* sampleAction_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    StripChart* chart_ = nullptr;
    QLabel* rateLabel_ = nullptr;
    QLabel* message_ = nullptr;
    std::shared_ptr<LoopRequests> requests_;
    std::optional<LiveEnd> end_;
    bool sampling_ = false;
    bool saving_ = false;
    bool picturing_ = false;
    bool anyReading_ = false;  // since sampling started
    QString silenceText_;      // shown while the device is silent
};

}  // namespace tilt::live::ui
