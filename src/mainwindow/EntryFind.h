#pragma once

#include <QString>
#include <QtGlobal>

namespace kestrune::ui {

class EntryListModel;

// What Find Next looks for: a text anywhere in a row's username or location,
// letter case ignored unless matchCase is set.
struct FindRequest {
    QString text;
    bool matchCase = false;
};

// The first row after position `after` (1-based; 0 starts at the first row)
// whose username or location contains the text. The search goes on from the
// top after the last row and ends with the row `after` itself. Passwords are
// never searched. Returns 0 when no row matches or the text is empty.
qsizetype FindNextRow(const EntryListModel& rows, qsizetype after, const FindRequest& request);

} // namespace kestrune::ui
