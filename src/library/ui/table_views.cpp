#include "library/ui/table_views.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace tilt::library::ui {

void styleTable(QTableView& table, const QString& said) {
    table.setAccessibleName(said);
    // The scroll bars, the headers' own too (never shown), are named after the table.
    const auto nameScrollBars = [](QAbstractScrollArea& area, const QString& of) {
        area.verticalScrollBar()->setAccessibleName(of + QStringLiteral(", up and down"));
        area.horizontalScrollBar()->setAccessibleName(of + QStringLiteral(", sideways"));
    };
    nameScrollBars(table, said);
    nameScrollBars(*table.horizontalHeader(), said + QStringLiteral(" column titles"));
    nameScrollBars(*table.verticalHeader(), said + QStringLiteral(" row titles"));
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setWordWrap(false);
    table.verticalHeader()->hide();
    // Rows of one height: the table never measures thousands of them.
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 8);
    table.horizontalHeader()->setStretchLastSection(true);
    table.horizontalHeader()->setHighlightSections(false);
}

void nameCornerButton(QTableView& table, const char* name, const QString& said, bool enabled) {
    table.setCornerButtonEnabled(enabled);
    for (auto* corner : table.findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        corner->setObjectName(QString::fromLatin1(name));
        corner->setAccessibleName(said);
    }
}

}  // namespace tilt::library::ui
