#pragma once

#include "store/Entry.h"

#include <QAbstractTableModel>
#include <QCollator>
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
    void setRow(qsizetype position, const store::Entry& entry);
    // Appends a row at the end and returns its position.
    qsizetype append(const store::Entry& entry);
    // Removes a row; the rows behind it move up by one.
    void remove(qsizetype position);
    void clear();

    // Sorting: the switch, the 0-based key column and the direction
    // (0 ascending, 1 descending). With the switch on, changing the key or the
    // direction reorders the rows at once.
    bool sorted() const { return sorted_; }
    int sortKey() const { return sortKey_; }
    int sortOrder() const { return sortOrder_; }
    void setSorted(bool on);
    void setSortKey(int column);
    void setSortOrder(int order);
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
    static const QString& field(const store::Entry& entry, int column);

    std::vector<store::Entry> rows_;
    QStringList headers_;
    bool sorted_ = false;
    int sortKey_ = 0;
    int sortOrder_ = 0;
    QCollator collator_;
    bool foldCase_ = false;
};

} // namespace kestrune::ui
