#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <optional>

#include "logging/data_file.h"
#include "logging/download_parameters.h"
#include "logging/erase.h"
#include "logging/page_transfer.h"
#include "logging/transfer_rate.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace tilt::shell::ui {
struct AppContext;
class WindowRegistry;
}  // namespace tilt::shell::ui

namespace tilt::logging::ui {

// The Download window: reads the logger's memory into a data file (and its CSV for linear
// recordings), erases the memory, and opens the graph windows. Downloads and erases run on the
// device thread; the window shows their progress and stays responsive.
class DownloadErase final : public QMainWindow {
  public:
    // `setNavigationEnabled` switches the four items of the navigation bar.
    DownloadErase(shell::ui::AppContext& context, shell::ui::WindowRegistry& windows,
                  std::function<void(bool)> setNavigationEnabled, QWidget* parent = nullptr);

    void mnuDownload_Click();
    void mnuErase_Click();
    void mnuReturn_Click();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildControls();
    void retrieveParameters();
    void parametersRetrieved(const ParameterOutcome& outcome);
    void startTransfer(const std::string& file, std::int32_t firstPage);
    void showTransferProgress(const TransferProgress& progress);
    void transferEnded(const TransferResult& result);
    void finishDownload();
    void resetDownloadControls();
    [[nodiscard]] std::optional<std::int32_t> askToResume(const std::string& file,
                                                          const DataFileHeader& header);
    void eraseEnded(EraseEnd end);
    void resetEraseControls();
    void showMode();

    shell::ui::AppContext& context_;
    shell::ui::WindowRegistry& windows_;
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
    QGroupBox* fraErase_ = nullptr;
    QProgressBar* PBarErase_ = nullptr;
    QLineEdit* txtInBufferSize_ = nullptr;
    TransferRate rate_;
    bool retrieving_ = false;
    bool transferring_ = false;
    bool erasing_ = false;
};

}  // namespace tilt::logging::ui
