#pragma once

#include <QString>

#include "view/channel_arrays.h"
#include "view/ui/recording_window.h"

class QLineEdit;
class QPushButton;

namespace tilt::view::ui {

// The "Graph Button Pushes" window: both traces of a two-channel linear file, with cursors on
// the samples where the logger's button was pushed.
class GraphBP final : public RecordingWindow {
    Q_OBJECT

  public:
    explicit GraphBP(common::ui::AppContext& context, QWidget* parent = nullptr);

    void mnuOpen_Click() override;
    void openFile(const QString& path) override;
    void cmdBack_Click();
    void cmdForward_Click();
    void cmdShowAll_Click();

    [[nodiscard]] const ButtonPushList& pushes() const { return ButtonPushList_; }

  protected:
    [[nodiscard]] QString shownPart() const override;

  private:
    QWidget* buildPushControls();
    void showFile();
    // Moves cursor 1 of both graphs to the push before (-1) or after (+1) the one shown.
    void step(int direction);
    [[nodiscard]] bool fileSelected();

    QLineEdit* txtBPNumber_ = nullptr;
    QLineEdit* txtBPValue_ = nullptr;
    QPushButton* cmdBack_ = nullptr;
    QPushButton* cmdForward_ = nullptr;
    QPushButton* cmdShowAll_ = nullptr;
    ButtonPushList ButtonPushList_{0};
};

}  // namespace tilt::view::ui
