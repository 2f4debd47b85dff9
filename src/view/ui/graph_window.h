#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "view/download_file.h"
#include "view/ui/recording_window.h"

class QLineEdit;
class QPushButton;

namespace tilt::view::ui {

// The Graph window: a bin file as histograms over degrees, one page pair at a time, stepped
// with Next and Previous; a linear file as whole traces over the sample index.
class GraphWindow final : public RecordingWindow {
    Q_OBJECT

  public:
    explicit GraphWindow(common::ui::AppContext& context, QWidget* parent = nullptr);

    void chooseAndOpenFile() override;
    void openFile(const QString& path) override;
    void showNextPages();
    void showPreviousPages();
    // Finds the page pair that starts at `page` and plots it; a page pair cut off by the end of
    // the file is remembered in `lastPage`.
    void locateDataPage(std::int16_t& page, const QString& file);

    [[nodiscard]] std::int16_t currentPage() const { return currentPage_; }
    [[nodiscard]] std::int16_t lastPage() const { return lastPage_; }
    [[nodiscard]] LinearChannel linearChannel() const { return linearChannel_; }

  protected:
    [[nodiscard]] QString shownPart() const override;

  private:
    QWidget* buildScrollFrame();
    void followFirstPage();
    void showFile();
    void showBinFile();
    void showLinearFile(const DownloadFileHeader& header);
    void setPageNumberX(std::int16_t page);
    [[nodiscard]] const BinPages* pagesOf(const QString& file);

    QLineEdit* firstPageBox_ = nullptr;
    QLineEdit* secondPageBox_ = nullptr;
    QPushButton* previousButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;

    std::int16_t currentPage_ = 0;
    std::int16_t lastPage_ = 0;
    LinearChannel linearChannel_{};
    bool linear_ = false;
    // The page index of the bin file shown, built once when it is opened.
    std::optional<BinPages> pages_;
    QString pagesFile_;
};

}  // namespace tilt::view::ui
