#pragma once

#include <QMainWindow>
#include <optional>
#include <string>
#include <string_view>

#include "common/file_dialogs.h"
#include "view/plot/recording_plots.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::view::plot {
class PlotControl;
}

namespace tilt::view::ui {

class RecordingOutputs;

using plot::GraphPair;
using plot::PlotControl;

// What the two graph windows share: the "Data File" box, the graphs in the frames "X" and "Y",
// the File menu (Open, Export Image…, Return), the read-out of the value under the pointer,
// and data files dropped on the window.
class RecordingWindow : public QMainWindow {
    Q_OBJECT

  public:
    // Menu "&Open": choose a file and show it.
    virtual void chooseAndOpenFile() = 0;
    // Shows `path` as if it had been chosen in the Open dialog: a dropped file, or one named on
    // the command line.
    virtual void openFile(const QString& path) = 0;
    void leave();
    // Saves both graphs as a PNG picture or a PDF document.
    void exportGraphs();
    // File > Export Data…: every sample of the file with its time, as CSV or JSON lines.
    void exportData();
    // File > Report…: a one-page PDF report of the file.
    void saveReport();
    [[nodiscard]] RecordingOutputs& outputs() { return *outputs_; }

    [[nodiscard]] QString fileName() const;
    [[nodiscard]] PlotControl& graphX() { return *firstGraph_; }
    [[nodiscard]] PlotControl& graphY() { return *secondGraph_; }

  protected:
    RecordingWindow(common::ui::AppContext& context, const QString& caption, QWidget* parent);

    // Puts the window's own controls between the file box and the graphs.
    void addControls(QWidget* controls);
    // The Open dialog for data files; nothing when the user cancelled.
    [[nodiscard]] std::optional<QString> chooseDataFile();
    void setFileName(const QString& file);
    [[nodiscard]] GraphPair graphs() { return {*firstGraph_, *secondGraph_}; }
    // A message box titled "Tiltavarometer" with an OK button.
    void showMessage(std::string_view message);
    // What an exported picture is headed with, after the file name.
    [[nodiscard]] virtual QString shownPart() const = 0;

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    common::ui::AppContext& context_;

  private:
    // A save dialog that opens beside the shown file and offers its name with `suffix`.
    [[nodiscard]] FileDialogs::Request saveBesideFile(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& suffix) const;
    void buildMenus();
    void buildControls();

    QVBoxLayout* layout_ = nullptr;
    QLineEdit* fileNameBox_ = nullptr;
    PlotControl* firstGraph_ = nullptr;
    PlotControl* secondGraph_ = nullptr;
    QLabel* readout_ = nullptr;
    RecordingOutputs* outputs_ = nullptr;
};

// The small number boxes and buttons of the windows' own controls, named as the program knows
// them.
[[nodiscard]] QLineEdit* namedBox(const char* name, QWidget* parent);
[[nodiscard]] QPushButton* namedButton(const char* name, const QString& caption, QWidget* parent);

}  // namespace tilt::view::ui
