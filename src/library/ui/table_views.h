#pragma once

#include <QString>

class QTableView;

namespace tilt::library::ui {

// How the tables of the Recordings window look: whole rows chosen, one line of text each, no row
// numbers. `said` is what a screen reader calls the table; its scroll bars are named after it.
void styleTable(QTableView& table, const QString& said);

// Names the button a table view keeps in its corner (it chooses every row), for screen readers;
// enabled where choosing every row means something.
void nameCornerButton(QTableView& table, const char* name, const QString& said, bool enabled);

}  // namespace tilt::library::ui
