#pragma once

#include <QGroupBox>
#include <cstdint>
#include <vector>

#include "common/recordings_library.h"

class QLabel;
class QSplitter;
class QTableWidget;

namespace tilt::library::ui {

// A logger's configuration history: every configuration read from it or written to it here,
// oldest first, and what changed between two of them. One snapshot chosen is compared with the
// one before it; two chosen are compared with each other.
class LoggerHistory final : public QGroupBox {
  public:
    explicit LoggerHistory(QWidget* parent = nullptr);

    // Shows the snapshots of logger `serial` and what the latest changed.
    void showSnapshots(std::int64_t serial, std::vector<ConfigSnapshot> snapshots);
    // No logger to show, and why.
    void showNothing(const QString& why);

    [[nodiscard]] bool empty() const { return snapshots_.empty(); }
    // Chooses the snapshots at `rows` (counted from the oldest) and compares them.
    void choose(const std::vector<int>& rows);

  private:
    void compareChosen();
    void showChanges(const ConfigSnapshot* before, const ConfigSnapshot& after);

    std::vector<ConfigSnapshot> snapshots_;
    QLabel* summary_ = nullptr;
    QSplitter* tables_ = nullptr;
    QTableWidget* snapshotTable_ = nullptr;
    QLabel* comparison_ = nullptr;
    QTableWidget* changeTable_ = nullptr;
};

}  // namespace tilt::library::ui
