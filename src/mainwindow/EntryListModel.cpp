#include "mainwindow/EntryListModel.h"

#include <QThreadPool>

#include <algorithm>
#include <stdexcept>

namespace kestrune::ui {

using store::Entry;

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent) {
    setCollatorLocale(QLocale());
}

void EntryListModel::setCollatorLocale(const QLocale& locale) {
    ordering_.collator = QCollator(locale);
    ordering_.collator.setCaseSensitivity(Qt::CaseInsensitive);
    ordering_.foldCase = locale.language() == QLocale::C;
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    // Views count rows in int; the list itself is not limited by that.
    return parent.isValid() ? 0
                            : int(std::min<qsizetype>(count(), std::numeric_limits<int>::max()));
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(headers_.size());
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() > 2) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return store::ColumnText(rows_[std::size_t(index.row())], index.column());
    }
    return {};
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size()) {
        return headers_[section];
    }
    return {};
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    // Rows are changed only through the entry dialog: no editing in place.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void EntryListModel::addColumnHeader(const QString& text) {
    const int at = int(headers_.size());
    beginInsertColumns({}, at, at);
    headers_.append(text);
    endInsertColumns();
}

const Entry& EntryListModel::row(qsizetype position) const {
    if (position < 1 || position > count()) {
        throw std::out_of_range("entry list position out of range");
    }
    return rows_[std::size_t(position - 1)];
}

QString EntryListModel::subItem(qsizetype position, int subItem) const {
    return store::ColumnText(row(position), subItem);
}

quint64 EntryListModel::idAt(qsizetype position) const {
    (void)row(position); // range check
    return ids_[std::size_t(position - 1)];
}

qsizetype EntryListModel::positionOf(quint64 id) const {
    const auto it = std::find(ids_.begin(), ids_.end(), id);
    return it == ids_.end() ? 0 : qsizetype(it - ids_.begin()) + 1;
}

qsizetype EntryListModel::setRow(qsizetype position, const Entry& entry) {
    (void)row(position); // range check
    const auto at = std::size_t(position - 1);
    rows_[at] = entry;
    emit dataChanged(index(int(at), 0), index(int(at), 2));
    if (!sorted_) {
        return position;
    }
    const std::size_t to = sortedPlaceFor(entry, at);
    moveRow(at, to);
    return qsizetype(to) + 1;
}

qsizetype EntryListModel::append(const Entry& entry) {
    const std::size_t at = sorted_ ? sortedPlaceFor(entry, std::size_t(-1)) : rows_.size();
    beginInsertRows({}, int(at), int(at));
    rows_.insert(rows_.begin() + qsizetype(at), entry);
    ids_.insert(ids_.begin() + qsizetype(at), nextId_++);
    endInsertRows();
    return qsizetype(at) + 1;
}

void EntryListModel::insert(qsizetype position, const Entry& entry, quint64 id) {
    if (position < 1 || position > count() + 1) {
        throw std::out_of_range("entry list position out of range");
    }
    const int at = int(position - 1);
    beginInsertRows({}, at, at);
    rows_.insert(rows_.begin() + at, entry);
    ids_.insert(ids_.begin() + at, id);
    endInsertRows();
}

void EntryListModel::appendEntries(std::vector<Entry>&& entries) {
    if (entries.empty()) {
        return;
    }
    const int first = int(count());
    beginInsertRows({}, first, int(count() + qsizetype(entries.size()) - 1));
    if (rows_.empty()) {
        rows_ = std::move(entries);
    } else {
        rows_.insert(rows_.end(), std::make_move_iterator(entries.begin()),
                     std::make_move_iterator(entries.end()));
    }
    ids_.reserve(rows_.size());
    while (ids_.size() < rows_.size()) {
        ids_.push_back(nextId_++);
    }
    endInsertRows();
    if (sorted_) {
        applySort();
    }
}

void EntryListModel::remove(qsizetype position) {
    (void)row(position);
    const int at = int(position - 1);
    beginRemoveRows({}, at, at);
    rows_.erase(rows_.begin() + at);
    ids_.erase(ids_.begin() + at);
    endRemoveRows();
}

void EntryListModel::removeAddedSince(quint64 firstId) {
    // Without sorting the rows added last are the last rows.
    std::size_t keep = 0;
    while (keep < ids_.size() && ids_[keep] < firstId) {
        ++keep;
    }
    const bool trailing = std::all_of(ids_.begin() + std::ptrdiff_t(keep), ids_.end(),
                                      [firstId](quint64 id) { return id >= firstId; });
    if (keep == ids_.size()) {
        return;
    }
    if (trailing) {
        beginRemoveRows({}, int(keep), int(ids_.size() - 1));
        rows_.resize(keep);
        ids_.resize(keep);
        endRemoveRows();
        return;
    }
    // Sorting placed them among the others.
    beginResetModel();
    std::size_t to = 0;
    for (std::size_t from = 0; from < ids_.size(); ++from) {
        if (ids_[from] >= firstId) {
            continue;
        }
        if (to != from) {
            rows_[to] = std::move(rows_[from]);
            ids_[to] = ids_[from];
        }
        ++to;
    }
    rows_.resize(to);
    ids_.resize(to);
    endResetModel();
}

void EntryListModel::replaceAll(std::vector<store::Entry>&& entries) {
    beginResetModel();
    auto old = std::make_shared<std::vector<store::Entry>>(std::move(rows_));
    rows_.clear();
    ids_.clear();
    endResetModel();
    QThreadPool::globalInstance()->start([old] { old->clear(); });
    appendEntries(std::move(entries));
}

void EntryListModel::clear() {
    beginResetModel();
    rows_.clear();
    ids_.clear();
    endResetModel();
}

std::size_t EntryListModel::sortedPlaceFor(const Entry& entry, std::size_t skip) const {
    // Binary search over the rows with `skip` left out, for the first row that
    // must come after the entry: equal keys keep the entry behind them.
    const QString& key = store::ColumnText(entry, sortKey_);
    const bool descending = sortOrder_ != 0;
    const std::size_t others = skip < rows_.size() ? rows_.size() - 1 : rows_.size();
    std::size_t low = 0;
    std::size_t high = others;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const std::size_t actual = middle < skip ? middle : middle + 1;
        const int c =
            store::CompareTexts(store::ColumnText(rows_[actual], sortKey_), key, ordering_);
        const bool after = descending ? c < 0 : c > 0;
        if (after) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

void EntryListModel::moveRow(std::size_t from, std::size_t to) {
    if (from == to) {
        return;
    }
    // Qt counts the destination before the move: one past `to` when moving down.
    const int destination = int(to > from ? to + 1 : to);
    beginMoveRows({}, int(from), int(from), {}, destination);
    Entry entry = std::move(rows_[from]);
    const quint64 id = ids_[from];
    rows_.erase(rows_.begin() + qsizetype(from));
    ids_.erase(ids_.begin() + qsizetype(from));
    rows_.insert(rows_.begin() + qsizetype(to), std::move(entry));
    ids_.insert(ids_.begin() + qsizetype(to), id);
    endMoveRows();
}

void EntryListModel::setSorted(bool on) {
    sorted_ = on;
    if (sorted_) {
        applySort();
    }
}

void EntryListModel::setSortKey(int column) {
    sortKey_ = std::clamp(column, 0, 2);
    if (sorted_) {
        applySort();
    }
}

void EntryListModel::setSortOrder(int order) {
    sortOrder_ = order == 0 ? 0 : 1;
    if (sorted_) {
        applySort();
    }
}

void EntryListModel::sortBy(int column, int order) {
    sortKey_ = std::clamp(column, 0, 2);
    sortOrder_ = order == 0 ? 0 : 1;
    sorted_ = true;
    applySort();
}

void EntryListModel::applySort() {
    const std::size_t n = rows_.size();
    if (n < 2) {
        return;
    }
    const std::vector<std::uint32_t> order =
        store::SortedRowOrder(rows_, sortKey_, sortOrder_ != 0, ordering_);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(n);
    for (std::size_t i = 0; i < n; ++i) {
        newPosition[order[i]] = int(i);
    }
    // The rows change places in place, one cycle of the permutation at a
    // time, so that a second copy of a large list is never needed.
    std::vector<bool> placed(n, false);
    for (std::size_t start = 0; start < n; ++start) {
        if (placed[start]) {
            continue;
        }
        Entry entry = std::move(rows_[start]);
        const quint64 id = ids_[start];
        std::size_t at = start;
        while (order[at] != start) {
            const std::size_t from = order[at];
            rows_[at] = std::move(rows_[from]);
            ids_[at] = ids_[from];
            placed[at] = true;
            at = from;
        }
        rows_[at] = std::move(entry);
        ids_[at] = id;
        placed[at] = true;
    }
    // Keep the selection and the current row on the same entries.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before) {
        after.append(index(newPosition[std::size_t(idx.row())], idx.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace kestrune::ui
