#pragma once

#include "mainwindow/EntryListModel.h"

#include <QTreeView>

#include <functional>

namespace kestrune::ui {

// The entry list of the main window: a report-style list with three text
// columns over EntryListModel. Rows are selected whole, one at a time, and
// cannot be edited in place.
class EntryList final : public QTreeView {
    Q_OBJECT
public:
    explicit EntryList(QWidget* parent = nullptr);

    EntryListModel& rows() { return model_; }
    const EntryListModel& rows() const { return model_; }

    // Adds a column header at the right end and sets its width in twips.
    void addColumnHeader(const QString& text, int widthTwips);
    int columnWidthTwips(int column) const;

    // Selection, by 1-based position.
    bool isSelected(qsizetype position) const;
    // The first selected row, or 0 when none is.
    qsizetype firstSelected() const;
    // Selects one row and scrolls it into view.
    void selectRow(qsizetype position);

    // Selects the first row, in the order shown, for which `matches` is true
    // and scrolls it into view: how an entry is found again once the rows
    // have been replaced. False when no row matches; the selection then
    // stays as it is.
    bool selectFirstWhere(const std::function<bool(const store::Entry&)>& matches);

    // Puts `entries` in place of every row, as when the data file is read
    // again: the sort stays as it was, and the entry that was selected is
    // selected again when an equal one is among the new rows.
    void replaceEntries(std::vector<store::Entry>&& entries);

signals:
    // A click on a column header, with the header's 1-based index.
    void columnClick(int headerIndex);

private:
    EntryListModel model_;
};

} // namespace kestrune::ui
