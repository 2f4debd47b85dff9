#pragma once

#include <QString>

#include "view/channel_arrays.h"
#include "view/ui/recording_window.h"

class QLineEdit;
class QPushButton;

namespace tilt::view::ui {

// The "Graph Button Pushes" window: both traces of a two-channel linear file, with cursors on
// the samples where the logger's button was pushed.
class ButtonPushGraphWindow final : public RecordingWindow {
    Q_OBJECT

  public:
    explicit ButtonPushGraphWindow(common::ui::AppContext& context, QWidget* parent = nullptr);

    void chooseAndOpenFile() override;
    void openFile(const QString& path) override;
    void showPreviousPush();
    void showNextPush();
    void toggleAllPushes();

    [[nodiscard]] const ButtonPushList& pushes() const { return pushes_; }

  protected:
    [[nodiscard]] QString shownPart() const override;

  private:
    QWidget* buildPushControls();
    void showFile();
    // Moves cursor 1 of both graphs to the push before (-1) or after (+1) the one shown.
    void step(int direction);
    [[nodiscard]] bool fileSelected();

    QLineEdit* pushNumberBox_ = nullptr;
    QLineEdit* pushValueBox_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* forwardButton_ = nullptr;
    QPushButton* showAllButton_ = nullptr;
    ButtonPushList pushes_{0};
};

}  // namespace tilt::view::ui
