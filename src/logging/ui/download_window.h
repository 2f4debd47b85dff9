#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <optional>

#include "logging/download_job.h"
#include "logging/erase.h"
#include "logging/transfer_rate.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::logging::ui {

// What the Download window reaches outside itself, filled in by the frame that knows the other
// windows.
struct DownloadWindowLinks {
    std::function<void(bool enabled)> setNavigationEnabled;  // the four navigation bar items
    std::function<void()> showGraph;
    std::function<void()> showButtonPushGraph;
    // Shows the Graph window on a data file, without asking for one.
    std::function<void(const QString& file)> graphFile;
};

// The Download window: reads the logger's memory into a data file (and its CSV for linear
// recordings), erases the memory, and opens the graph windows. Downloads and erases run on the
// device thread; the window shows their progress and stays responsive.
class DownloadWindow final : public QMainWindow {
  public:
    DownloadWindow(common::ui::AppContext& context, DownloadWindowLinks links,
                   QWidget* parent = nullptr);

    // Starts a download, or stops the one that transfers pages.
    void toggleDownload();
    // Starts an erase after asking, or stops the one running.
    void toggleErase();

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    class DownloadDialogs;  // what the download asks of this window, from the device thread

    void buildMenus();
    void buildControls();
    void startDownload();
    void headerRead(const DataFileHeader& header);
    [[nodiscard]] std::optional<std::string> chooseFile();
    [[nodiscard]] ExistingFile existingFile(const ExistingDataFile& existing,
                                            std::optional<bool> recordingEndsThere);
    void transferStarting(std::int32_t firstPage);
    void showTransferProgress(const TransferProgress& progress);
    void downloadEnded(const DownloadResult& result);
    void tellEarlyEnd(const DownloadResult& result);
    void keepUnfinishedDownload(const DownloadResult& result);
    void showUnfinishedDownload();
    void finishDownload(const std::function<void()>& tellLibrary);
    void resetDownloadControls();
    void showEraseProgress(const EraseProgress& progress);
    void eraseEnded(EraseEnd end);
    void resetEraseControls();
    void showMode(RecordingMode mode, LinearChannel channel);

    common::ui::AppContext& context_;
    DownloadWindowLinks links_;
    QAction* downloadAction_ = nullptr;
    QAction* eraseAction_ = nullptr;
    QGroupBox* downloadFrame_ = nullptr;
    QProgressBar* downloadBar_ = nullptr;
    QLineEdit* modeBox_ = nullptr;
    QLineEdit* channelsBox_ = nullptr;
    QLineEdit* timerAdvanceBox_ = nullptr;
    QLineEdit* bufferLengthBox_ = nullptr;
    QLabel* commFailureNote_ = nullptr;
    QLabel* speedNote_ = nullptr;
    QLabel* unfinishedNote_ = nullptr;  // what a download that did not finish left
    QGroupBox* eraseFrame_ = nullptr;
    QProgressBar* eraseBar_ = nullptr;
    QLineEdit* progressBytesBox_ = nullptr;
    QLabel* eraseStalledNote_ = nullptr;
    TransferRate rate_;
    bool downloading_ = false;   // from the parameters to the end of the transfer
    bool transferring_ = false;  // pages are being asked for
    bool erasing_ = false;
};

}  // namespace tilt::logging::ui
