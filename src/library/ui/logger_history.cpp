#include "library/ui/logger_history.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "library/config_differences.h"
#include "library/ui/recordings_model.h"
#include "library/ui/table_views.h"

namespace tilt::library::ui {

namespace {

QString kindText(const ConfigSnapshot& s) {
    return s.kind == "write" ? QStringLiteral("Written") : QStringLiteral("Read");
}

QTableWidget* table(const char* name, const QString& said, const QStringList& captions,
                    QWidget* parent) {
    auto* t = new QTableWidget(0, static_cast<int>(captions.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(captions);
    styleTable(*t, said);
    return t;
}

QTableWidgetItem* item(const QString& text) {
    return new QTableWidgetItem(text);
}

// A value, or a dimmed mark for a field the configuration does not hold.
QTableWidgetItem* valueItem(const std::optional<std::string>& value, const QPalette& palette) {
    if (!value) {
        auto* none = item(QStringLiteral("—"));
        none->setForeground(palette.color(QPalette::Disabled, QPalette::Text));
        none->setToolTip(QStringLiteral("This configuration does not hold the field."));
        return none;
    }
    return item(value->empty() ? QStringLiteral("(empty)") : QString::fromStdString(*value));
}

}  // namespace

LoggerHistory::LoggerHistory(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("fraHistory"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("lblHistory"));
    summary_->setWordWrap(true);

    snapshotTable_ = table("tblSnapshots", QStringLiteral("Configurations of the logger"),
                           {QStringLiteral("Taken"), QStringLiteral("Read or written"),
                            QStringLiteral("Fields changed")},
                           this);
    nameCornerButton(*snapshotTable_, "cmdAllSnapshots",
                     QStringLiteral("Compare the first configuration with the last"), true);
    comparison_ = new QLabel(this);
    comparison_->setObjectName(QStringLiteral("lblComparison"));
    comparison_->setWordWrap(true);
    changeTable_ =
        table("tblChanges", QStringLiteral("What changed"),
              {QStringLiteral("Field"), QStringLiteral("Before"), QStringLiteral("After")}, this);
    changeTable_->setSelectionMode(QAbstractItemView::NoSelection);
    nameCornerButton(*changeTable_, "cmdAllChanges", QStringLiteral("Every change"), false);

    auto* changes = new QWidget(this);
    auto* changesLayout = new QVBoxLayout(changes);
    changesLayout->setContentsMargins(0, 0, 0, 0);
    changesLayout->addWidget(comparison_);
    changesLayout->addWidget(changeTable_, 1);

    tables_ = new QSplitter(Qt::Horizontal, this);
    tables_->addWidget(snapshotTable_);
    tables_->addWidget(changes);
    tables_->setStretchFactor(0, 2);
    tables_->setStretchFactor(1, 3);
    tables_->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(tables_, 1);

    connect(snapshotTable_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { compareChosen(); });
    showNothing(QStringLiteral("Choose a recording to see its logger's configurations."));
}

void LoggerHistory::showNothing(const QString& why) {
    snapshots_.clear();
    setTitle(QStringLiteral("Configuration history"));
    summary_->setText(why);
    {
        const QSignalBlocker quiet(snapshotTable_->selectionModel());
        snapshotTable_->setRowCount(0);
    }
    changeTable_->setRowCount(0);
    comparison_->clear();
    // Empty tables say less than the line above them: the box shrinks to that line.
    tables_->hide();
    layout()->activate();
    setMaximumHeight(minimumSizeHint().height());
}

void LoggerHistory::showSnapshots(std::int64_t serial, std::vector<ConfigSnapshot> snapshots) {
    showNothing({});
    snapshots_ = std::move(snapshots);
    setTitle(QStringLiteral("Configuration history of logger %1").arg(serial));
    if (snapshots_.empty()) {
        summary_->setText(QStringLiteral("No configuration of logger %1 has been read or written "
                                         "here yet.")
                              .arg(serial));
        return;
    }
    tables_->show();
    setMaximumHeight(QWIDGETSIZE_MAX);
    summary_->setText(
        snapshots_.size() == 1
            ? QStringLiteral("One configuration, read or written here.")
            : QStringLiteral("%1 configurations, oldest first. Choose one to see what it changed, "
                             "or two (Ctrl+click) to compare them.")
                  .arg(snapshots_.size()));
    {
        // Filled quietly: the comparison follows the choice made after.
        const QSignalBlocker quiet(snapshotTable_->selectionModel());
        snapshotTable_->setRowCount(static_cast<int>(snapshots_.size()));
        for (std::size_t i = 0; i < snapshots_.size(); ++i) {
            const ConfigSnapshot& s = snapshots_[i];
            const auto row = static_cast<int>(i);
            snapshotTable_->setItem(row, 0, item(shownTime(s.takenAt)));
            snapshotTable_->setItem(row, 1, item(kindText(s)));
            snapshotTable_->setItem(
                row, 2,
                item(i == 0 ? QStringLiteral("first seen")
                            : QString::number(
                                  configDifferences(snapshots_[i - 1].values, s.values).size())));
        }
    }
    snapshotTable_->resizeColumnsToContents();
    choose({static_cast<int>(snapshots_.size()) - 1});
}

void LoggerHistory::choose(const std::vector<int>& rows) {
    snapshotTable_->clearSelection();
    for (const int row : rows) {
        snapshotTable_->selectionModel()->select(
            snapshotTable_->model()->index(row, 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (!rows.empty()) {
        snapshotTable_->scrollToItem(snapshotTable_->item(rows.back(), 0));
    }
}

void LoggerHistory::compareChosen() {
    std::set<int> chosen;
    for (const QModelIndex& index : snapshotTable_->selectionModel()->selectedRows()) {
        chosen.insert(index.row());
    }
    if (chosen.empty() || snapshots_.empty()) {
        changeTable_->setRowCount(0);
        comparison_->setText(snapshots_.empty() ? QString()
                                                : QStringLiteral("Choose a configuration."));
        return;
    }
    const auto later = static_cast<std::size_t>(*chosen.rbegin());
    const std::optional<std::size_t> earlier =
        chosen.size() > 1 ? std::optional(static_cast<std::size_t>(*chosen.begin()))
        : later > 0       ? std::optional(later - 1)
                          : std::nullopt;
    showChanges(earlier ? &snapshots_[*earlier] : nullptr, snapshots_[later]);
}

void LoggerHistory::showChanges(const ConfigSnapshot* before, const ConfigSnapshot& after) {
    const auto changes = configDifferences(before ? before->values : ConfigValues{}, after.values);
    const QString later =
        QStringLiteral("%1 (%2)").arg(shownTime(after.takenAt), kindText(after).toLower());
    if (!before) {
        comparison_->setText(QStringLiteral("The first configuration seen of this logger, %1: "
                                            "every field.")
                                 .arg(later));
    } else {
        comparison_->setText(
            QStringLiteral("From %1 (%2) to %3: %4")
                .arg(shownTime(before->takenAt), kindText(*before).toLower(), later,
                     changes.empty() ? QStringLiteral("nothing changed.")
                     : changes.size() == 1
                         ? QStringLiteral("1 field changed.")
                         : QStringLiteral("%1 fields changed.").arg(changes.size())));
    }
    changeTable_->setRowCount(static_cast<int>(changes.size()));
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const auto row = static_cast<int>(i);
        changeTable_->setItem(row, 0, item(QString::fromStdString(changes[i].field)));
        changeTable_->setItem(row, 1, valueItem(changes[i].before, palette()));
        changeTable_->setItem(row, 2, valueItem(changes[i].after, palette()));
    }
    changeTable_->resizeColumnsToContents();
}

}  // namespace tilt::library::ui
