#include "mainwindow/modListViewEnh.h"

#include "mainwindow/EntryList.h"
#include "platform/Platform.h"

namespace kestrune::ui {

namespace {

// The list control's own number and text for a header that does not exist.
constexpr int kIndexOutOfBounds = 35600;

bool fail(EntryList& list, int number, const QString& description, bool reportErrors) {
    if (reportErrors) {
        platform::services().messages->show(
            &list, QStringLiteral("Error") + QString::number(number) + u'\t' + description,
            QStringLiteral("Error in Function : EnhListView_SortColumns"), platform::Buttons::Ok,
            platform::Icon::Information);
    }
    return false;
}

} // namespace

bool EnhListView_SortColumns(EntryList& list, int columnHeader, bool reportErrors) {
    EntryListModel& rows = list.rows();
    if (rows.count() <= 0) {
        return true;
    }
    if (columnHeader < 1 || columnHeader > rows.columnHeaders().size()) {
        return fail(list, kIndexOutOfBounds, QStringLiteral("Index out of bounds"), reportErrors);
    }
    // Switching sorting on, choosing the key and flipping the direction end in
    // one reordering by the final key and direction; rows with equal keys keep
    // the order they were shown in.
    const int newOrder = rows.sortOrder() == 0 ? 1 : 0;
    rows.sortBy(columnHeader - 1, newOrder);
    return true;
}

} // namespace kestrune::ui
