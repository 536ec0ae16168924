#pragma once

#include "store/Entry.h"
#include "store/RowOrder.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace kestrune::ui {

// The rows of the entry list: the program's only in-memory copy of the
// entries, held in the order shown. Column 0 is the username (the row's
// text), column 1 the password (sub-item 1), column 2 the location (sub-item
// 2). Positions in the public operations are 1-based, as the user counts rows.
class EntryListModel final : public QAbstractTableModel, public store::EntryRows {
    Q_OBJECT
public:
    explicit EntryListModel(QObject* parent = nullptr);

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Column headers, added at the end, left to right.
    void addColumnHeader(const QString& text);
    QStringList columnHeaders() const { return headers_; }

    // Rows, by 1-based position in the order shown.
    qsizetype count() const { return qsizetype(rows_.size()); }
    const store::Entry& row(qsizetype position) const;
    QString text(qsizetype position) const { return row(position).username; }
    // Sub-item 1 is the password, sub-item 2 the location.
    QString subItem(qsizetype position, int subItem) const;
    // Replaces a row's three texts and returns the row's position afterwards
    // (it moves to its place in the order while sorting is on).
    qsizetype setRow(qsizetype position, const store::Entry& entry);
    // Appends a row and returns its position: at the end, or, while sorting
    // is on, at its place in the order (after rows with an equal key).
    qsizetype append(const store::Entry& entry);
    // Puts a row back at a given position (1 to count + 1) with the identity
    // it had, as when a removal is undone. It is placed as given, sorted or not.
    void insert(qsizetype position, const store::Entry& entry, quint64 id);
    // Removes a row; the rows behind it move up by one.
    void remove(qsizetype position);
    void clear();
    // Puts `entries` in place of every row, keeping the sort. The old rows
    // are freed on a worker thread: freeing a large list takes longer than
    // reading it.
    void replaceAll(std::vector<store::Entry>&& entries);

    // Every row carries an identity of its own that stays with it through
    // sorting, insertions and removals, so that a window holding on to an
    // entry finds it again. Identities are never reused within a run.
    quint64 idAt(qsizetype position) const;
    // The row's current position, or 0 when no row has that identity.
    qsizetype positionOf(quint64 id) const;
    // The identity the next row added gets; every row added later has a
    // larger one.
    quint64 nextIdentity() const { return nextId_; }
    // Removes, in one pass, every row added since nextIdentity() gave
    // `firstId`: the undo of appending many rows at once. The other rows keep
    // their order.
    void removeAddedSince(quint64 firstId);

    // Sorting: the switch, the 0-based key column and the direction
    // (0 ascending, 1 descending). With the switch on, changing the key or the
    // direction reorders the rows at once.
    bool sorted() const { return sorted_; }
    int sortKey() const { return sortKey_; }
    int sortOrder() const { return sortOrder_; }
    void setSorted(bool on);
    void setSortKey(int column);
    void setSortOrder(int order);
    // Rows added or changed while sorting is on are placed in order at once,
    // so the list always shows what a header click would show.
    // Sets key and direction, switches sorting on and reorders once.
    void sortBy(int column, int order);
    // Reorders the rows by the current key and direction (stable).
    void applySort();

    // The ordering of texts: letter case ignored, locale-aware.
    void setCollatorLocale(const QLocale& locale);

    // store::EntryRows
    qsizetype entryCount() const override { return count(); }
    const store::Entry& entryAt(qsizetype index) const override {
        return rows_[std::size_t(index)];
    }
    void appendEntries(std::vector<store::Entry>&& entries) override;

private:
    // Where a row belongs among the others while sorting is on: the 0-based
    // place in rows_ with `skip` left out (or none when skip is npos).
    std::size_t sortedPlaceFor(const store::Entry& entry, std::size_t skip) const;
    // Moves the row at `from` to `to` (0-based places after the move).
    void moveRow(std::size_t from, std::size_t to);

    std::vector<store::Entry> rows_;
    std::vector<quint64> ids_; // one per row, same order as rows_
    quint64 nextId_ = 1;
    QStringList headers_;
    bool sorted_ = false;
    int sortKey_ = 0;
    int sortOrder_ = 0;
    store::TextOrdering ordering_;
};

} // namespace kestrune::ui
