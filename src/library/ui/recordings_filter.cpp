#include "library/ui/recordings_filter.h"

#include "library/ui/recordings_model.h"

namespace tilt::library::ui {

RecordingsFilter::RecordingsFilter(RecordingsModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), model_(model) {
    setSourceModel(&model);
}

void RecordingsFilter::setFilterWords(const QString& text) {
    QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words == words_) {
        return;
    }
    words_ = std::move(words);
    // Rebuilt whole: a change that brings back thousands of scattered rows is one layout
    // change, not thousands of insertions.
    invalidate();
}

bool RecordingsFilter::filterAcceptsRow(int sourceRow, const QModelIndex& /*sourceParent*/) const {
    return words_.isEmpty() || model_.matches(sourceRow, words_);
}

bool RecordingsFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    return model_.lessThan(left.column(), left.row(), right.row());
}

}  // namespace tilt::library::ui
