#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <thread>

class QMainWindow;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::view::ui {

// File > Export Data… and File > Report… of the graph windows: the shown data file as dated rows
// or as a one-page report. The file is read off the window's thread, so the window stays live
// through a recording of half a million samples; the outcome goes to the status line, a
// failure to a message.
class RecordingOutputs : public QObject {
    Q_OBJECT
  public:
    RecordingOutputs(QMainWindow& window, common::ui::AppContext& context);
    // A running job is stopped at its next page and its output dropped: a file is never left
    // half written.
    ~RecordingOutputs() override;

    void exportData(const QString& file, const QString& out);
    void report(const QString& file, const QString& pdf);
    [[nodiscard]] bool busy() const { return job_.joinable() && busy_; }

  signals:
    void busyChanged(bool busy);
    void finished(const QString& outcome);  // what the status line says, or the failure

  private:
    // Runs `work` on the job's thread; what it returns runs on the window's thread after it. A
    // failure of the work, whatever it is, becomes a message.
    void run(const QString& doing, std::function<std::function<void()>(std::stop_token)> work);
    void done(const QString& outcome, bool failed);

    QMainWindow& window_;
    common::ui::AppContext& context_;
    std::jthread job_;
    bool busy_ = false;
};

}  // namespace tilt::view::ui
