#include "mainwindow/EntryList.h"

#include "widgets/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include <optional>

namespace kestrune::ui {

EntryList::EntryList(QWidget* parent) : QTreeView(parent) {
    setModel(&model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // keeps a list of a million rows fast
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false); // the list sorts itself on a header click
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit columnClick(section + 1); });
}

void EntryList::addColumnHeader(const QString& text, int widthTwips) {
    model_.addColumnHeader(text);
    setColumnWidth(int(model_.columnHeaders().size()) - 1, twipsToPixels(widthTwips));
}

int EntryList::columnWidthTwips(int column) const {
    return pixelsToTwips(columnWidth(column));
}

bool EntryList::isSelected(qsizetype position) const {
    if (position < 1 || position > model_.count()) {
        return false;
    }
    return selectionModel()->isRowSelected(int(position - 1), {});
}

qsizetype EntryList::firstSelected() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    qsizetype first = 0;
    for (const QModelIndex& index : selected) {
        const qsizetype position = index.row() + 1;
        if (first == 0 || position < first) {
            first = position;
        }
    }
    return first;
}

void EntryList::selectRow(qsizetype position) {
    if (position < 1 || position > model_.count()) {
        return;
    }
    const QModelIndex index = model_.index(int(position - 1), 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

void EntryList::replaceEntries(std::vector<store::Entry>&& entries) {
    const qsizetype selected = firstSelected();
    std::optional<store::Entry> kept;
    if (selected > 0) {
        kept = model_.row(selected);
    }
    model_.replaceAll(std::move(entries));
    if (kept) {
        selectFirstWhere([&kept](const store::Entry& entry) { return entry == *kept; });
    }
}

bool EntryList::selectFirstWhere(const std::function<bool(const store::Entry&)>& matches) {
    for (qsizetype position = 1; position <= model_.count(); ++position) {
        if (matches(model_.row(position))) {
            selectRow(position);
            return true;
        }
    }
    return false;
}

} // namespace kestrune::ui
