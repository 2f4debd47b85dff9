#pragma once

#include <QObject>

namespace tilt::common::ui {

// What one window tells the others about the logger, so that what each shows of it follows the
// program's own writes: a window that wrote to the logger puts the values it wrote into the
// shared state first, then says so here.
class LoggerEvents final : public QObject {
    Q_OBJECT

  public:
    LoggerEvents() = default;

  signals:
    // The configuration cells a write changed are in the shared state (the tares, the update
    // time increment, the DAC settings, ...).
    void configurationWritten();
};

}  // namespace tilt::common::ui
