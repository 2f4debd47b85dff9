#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "common/ui/latest_value.h"
#include "common/ui/pictured.h"
#include "config/config_values.h"
#include "config/eeprom_transfer.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::config::ui {

class ParameterRows;

// The windows the Configuration window's Tools menu opens, filled in by the frame that knows
// them.
struct ConfigurationToolWindows {
    std::function<void()> showEeprom;
    std::function<void()> showAccelerometers;
    std::function<void()> showAngles;
    std::function<void()> showCalibrate;
};

// The Configuration window: shows the logger's configuration in fields made from the parameter
// map, reads it when the window opens and on File > Read, writes the fields back on File >
// Write, fills the fields with the minimum, maximum or default values, saves and opens profiles,
// and marks the fields that a Write would change. Reads and writes run on the device thread;
// the window stays responsive and Return ends them.
class ConfigurationWindow final : public QMainWindow, public common::ui::Pictured {
    Q_OBJECT

  public:
    // `setNavigationEnabled` switches the four items of the navigation bar.
    ConfigurationWindow(common::ui::AppContext& context, ConfigurationToolWindows toolWindows,
                        std::function<void(bool)> setNavigationEnabled, QWidget* parent = nullptr);
    ~ConfigurationWindow() override;

    void startRead();
    void startWrite();
    void leave();
    void saveFieldsAsProfile();
    void openProfileIntoFields();
    void showMinimums();
    void showMaximums();
    void showDefaults();

    // The shared record into the fields, and the fields emptied before a read.
    void showRecord();
    void clearFields();

    // Ctrl+F6: shows or hides the EEPROM entry and the two hidden frames together.
    void toggleHiddenFrames();

    // Reads the configuration to its end and shows every frame (without any dialog).
    void prepareForPicture() override;

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    enum class Activity { Idle, Reading, Writing };

    // How a read or a write ended, with how far it got.
    struct ReadOutcome {
        ConfigReadResult result;
        int done = 0;
        std::optional<std::string> libraryProblem;
    };

    void buildMenus();
    void buildControls();
    void setHiddenFramesShown(bool shown);
    void beginActivity(Activity activity, int steps);
    void endActivity();
    void showReadProgress(const CellReadProgress& progress);
    void readEnded(const ReadOutcome& outcome);
    void keepRead(const ReadArray& bytes);
    [[nodiscard]] bool confirmWriteOfClearedFields(const ParameterValues& fields);
    void showWriteProgress(int ticksDone);
    void writeEnded(const TickWriteResult& outcome,
                    const std::vector<std::optional<CellWrite>>& ticks);
    void keepWrittenCells(const std::vector<std::optional<CellWrite>>& ticks, int ticksDone,
                          bool complete);
    void followWrites();
    void refuseWrite(const UnsendableValue& refusal);
    void commitFields();
    void showNote(const QString& text);
    void showLimits();
    void growToFit();
    [[nodiscard]] ParameterValues fieldValues() const;
    void setFieldValues(const ParameterValues& values);
    void showChanges();

    common::ui::AppContext& context_;
    ConfigurationToolWindows toolWindows_;
    std::function<void(bool)> setNavigationEnabled_;
    std::unique_ptr<ParameterRows> rows_;
    QAction* readAction_ = nullptr;
    QAction* writeAction_ = nullptr;
    QAction* saveProfileAction_ = nullptr;
    QAction* openProfileAction_ = nullptr;
    QAction* eepromAction_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QGroupBox* progressFrame_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* waitingLabel_ = nullptr;
    // What the window has to say: a field brought back within its limits, or how a read or a
    // write that did not complete left things.
    QLabel* noteLabel_ = nullptr;
    Activity activity_ = Activity::Idle;
    bool loaded_ = false;     // the opening read has been started
    bool picturing_ = false;  // a read for a picture: no dialogs
    // What the logger holds as far as this window knows: the last read, with the cells of a
    // completed write put in. Nothing before the first read.
    std::optional<ReadArray> held_;
    // The fields were emptied for a read that did not complete and nothing has filled them
    // since: a Write would send zeros.
    bool fieldsCleared_ = false;
    // The shared record as this window last followed it: a write elsewhere shows as a change.
    ConfigRecord followed_;
    // Progress from the device thread, the newest at most once a frame.
    common::ui::LatestValue<CellReadProgress> readProgress_;
    common::ui::LatestValue<int> writeProgress_;
};

}  // namespace tilt::config::ui
