#pragma once

#include "store/PasswordRating.h"
#include "store/RowOrder.h"

#include <QAbstractTableModel>

#include <vector>

namespace kestrune::ui {

// The guesses per second of an offline attack on a stolen copy of a password
// store with a fast hash: what the report's estimate in words assumes.
inline constexpr double kOfflineGuessesPerSecond = 1e10;

// "Poor", "Weak", "Good" or "Excellent".
QString bandText(store::StrengthBand band);
// How long an offline attack takes to guess a password of `bits`, in words:
// "instantly", "in about 3 hours", "in about 2 thousand years".
QString guessTimeText(double bits);
// Why a password needs attention, most urgent first, parts joined by "; ":
// "Reused on 3 entries; Weak: guessed in about 3 hours by an offline attack;
// Short: fewer than 12 characters". Empty when it needs none.
QString reasonText(const store::PasswordRating& rating);
// The line above the list, once rating is done.
QString summaryText(qsizetype needingAttention, qsizetype rated);

// The rows of the password report: the entries whose password needs
// attention, each by its identity in the main list, with its username,
// location and rating; never its password. Worst first until a header is
// clicked.
class PasswordReportModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Username, Location, Strength, Reason, ColumnCount };

    explicit PasswordReportModel(QObject* parent = nullptr);

    // Puts the entries that need attention in place of the rows, in the
    // current sort order. The three lists run in parallel.
    void setRatings(const std::vector<store::Entry>& entries, const std::vector<quint64>& ids,
                    const std::vector<store::PasswordRating>& ratings);

    // The main list's identity of the entry shown in `row` (0-based).
    quint64 idAt(int row) const { return rows_[std::size_t(row)].id; }
    // The row (0-based) of the entry with that identity, or -1.
    int rowOf(quint64 id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Strength ascending is worst first: lowest band, most reuse, fewest bits.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Row {
        quint64 id;
        QString username;
        QString location;
        store::PasswordRating rating;
    };
    void sortRows();

    std::vector<Row> rows_;
    int sortColumn_ = Strength;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    store::TextOrdering ordering_;
};

} // namespace kestrune::ui
