#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

namespace tilt::library::ui {

class RecordingsModel;

// The rows of the Recordings table that hold every word typed in the filter field, in the order
// of the column clicked. It asks the model directly, which made every text once, so a keystroke
// over thousands of rows formats nothing.
class RecordingsFilter final : public QSortFilterProxyModel {
  public:
    RecordingsFilter(RecordingsModel& model, QObject* parent);

    // Words separated by spaces; each must be found, in any case, in some column of a row.
    void setFilterWords(const QString& text);

  protected:
    [[nodiscard]] bool filterAcceptsRow(int sourceRow,
                                        const QModelIndex& sourceParent) const override;
    [[nodiscard]] bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

  private:
    RecordingsModel& model_;
    QStringList words_;
};

}  // namespace tilt::library::ui
