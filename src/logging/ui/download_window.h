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
namespace tilt::frame {
class WindowRegistry;
}  // namespace tilt::frame

namespace tilt::logging::ui {

// The Download window: reads the logger's memory into a data file (and its CSV for linear
// recordings), erases the memory, and opens the graph windows. Downloads and erases run on the
// device thread; the window shows their progress and stays responsive.
class DownloadErase final : public QMainWindow {
  public:
    // `setNavigationEnabled` switches the four items of the navigation bar.
    DownloadErase(common::ui::AppContext& context, frame::WindowRegistry& windows,
                  std::function<void(bool)> setNavigationEnabled, QWidget* parent = nullptr);

    void mnuDownload_Click();
    void mnuErase_Click();
    void mnuReturn_Click();

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    class DownloadDialogs;  // what the download asks of this window, from the device thread

    void buildMenus();
    void buildControls();
    void startDownload();
    void parametersRead(const DownloadParameters& p);
    [[nodiscard]] std::optional<std::string> chooseFile();
    [[nodiscard]] ExistingFile existingFile(const ExistingDataFile& existing,
                                            std::optional<bool> recordingEndsThere);
    void transferStarting(std::int32_t firstPage);
    void showTransferProgress(const TransferProgress& progress);
    void downloadEnded(const DownloadResult& result);
    void tellEarlyEnd(const DownloadResult& result);
    void keepUnfinishedDownload(const DownloadResult& result);
    void showUnfinishedDownload();
    void finishDownload();
    void resetDownloadControls();
    void showEraseProgress(const EraseProgress& progress);
    void eraseEnded(EraseEnd end);
    void resetEraseControls();
    void showMode(double mode, double channel);

    common::ui::AppContext& context_;
    frame::WindowRegistry& windows_;
    std::function<void(bool)> setNavigationEnabled_;
    QAction* mnuDownload_ = nullptr;
    QAction* mnuErase_ = nullptr;
    QGroupBox* fraPBar_ = nullptr;
    QProgressBar* PBar_ = nullptr;
    QLineEdit* txtMode_ = nullptr;
    QLineEdit* txtChannels_ = nullptr;
    QLineEdit* txtTimer_ = nullptr;
    QLineEdit* txtBufferLen_ = nullptr;
    QLabel* lblWarning_ = nullptr;
    QLabel* lblSpeed_ = nullptr;
    QLabel* unfinishedNote_ = nullptr;  // what a download that did not finish left
    QGroupBox* fraErase_ = nullptr;
    QProgressBar* PBarErase_ = nullptr;
    QLineEdit* txtInBufferSize_ = nullptr;
    QLabel* lblEraseStalled_ = nullptr;
    TransferRate rate_;
    bool downloading_ = false;   // from the parameters to the end of the transfer
    bool transferring_ = false;  // pages are being asked for
    bool erasing_ = false;
};

}  // namespace tilt::logging::ui
