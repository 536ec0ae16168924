#include "mainwindow/PasswordReportModel.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kestrune::ui {

namespace {

// The lower is worse: lower band, then more entries sharing it, then fewer bits.
int compareWorst(const store::PasswordRating& a, const store::PasswordRating& b) {
    if (a.band != b.band) {
        return a.band < b.band ? -1 : 1;
    }
    if (a.sharedBy != b.sharedBy) {
        return a.sharedBy > b.sharedBy ? -1 : 1;
    }
    if (a.bits != b.bits) {
        return a.bits < b.bits ? -1 : 1;
    }
    return 0;
}

QString amount(double count, const char* one, const char* many) {
    const long long whole = std::llround(count);
    return QStringLiteral("about %1 %2").arg(whole).arg(QLatin1String(whole == 1 ? one : many));
}

} // namespace

QString bandText(store::StrengthBand band) {
    switch (band) {
    case store::StrengthBand::Poor:
        return QStringLiteral("Poor");
    case store::StrengthBand::Weak:
        return QStringLiteral("Weak");
    case store::StrengthBand::Good:
        return QStringLiteral("Good");
    case store::StrengthBand::Excellent:
        break;
    }
    return QStringLiteral("Excellent");
}

QString guessTimeText(double bits) {
    // Half of all guesses, on average, find it; the estimate counts them all.
    const double seconds = std::exp2(bits) / kOfflineGuessesPerSecond;
    constexpr double kMinute = 60;
    constexpr double kHour = 60 * kMinute;
    constexpr double kDay = 24 * kHour;
    constexpr double kMonth = 30 * kDay;
    constexpr double kYear = 365 * kDay;
    QString words;
    if (seconds < 1) {
        return QStringLiteral("instantly");
    }
    if (seconds < kMinute) {
        words = amount(seconds, "second", "seconds");
    } else if (seconds < kHour) {
        words = amount(seconds / kMinute, "minute", "minutes");
    } else if (seconds < kDay) {
        words = amount(seconds / kHour, "hour", "hours");
    } else if (seconds < kMonth) {
        words = amount(seconds / kDay, "day", "days");
    } else if (seconds < kYear) {
        words = amount(seconds / kMonth, "month", "months");
    } else if (seconds < 1e3 * kYear) {
        words = amount(seconds / kYear, "year", "years");
    } else if (seconds < 1e6 * kYear) {
        words = amount(seconds / kYear / 1e3, "thousand years", "thousand years");
    } else if (seconds < 1e9 * kYear) {
        words = amount(seconds / kYear / 1e6, "million years", "million years");
    } else {
        return QStringLiteral("in more than a billion years");
    }
    return QStringLiteral("in ") + words;
}

QString reasonText(const store::PasswordRating& rating) {
    if (!rating.needsAttention()) {
        return {};
    }
    QStringList parts;
    if (rating.reused()) {
        parts << QStringLiteral("Reused on %1 entries").arg(rating.sharedBy);
    }
    if (rating.guessable()) {
        parts << bandText(store::bandOfBits(rating.bits)) + QStringLiteral(": guessed ") +
                     guessTimeText(rating.bits) + QStringLiteral(" by an offline attack");
    }
    if (rating.isShort) {
        parts
            << QStringLiteral("Short: fewer than %1 characters").arg(store::kShortBelowCharacters);
    }
    return parts.join(QStringLiteral("; "));
}

QString summaryText(qsizetype needingAttention, qsizetype rated) {
    const QLocale locale;
    if (rated == 0) {
        return QStringLiteral("There are no passwords to check.");
    }
    if (needingAttention == 0) {
        return rated == 1 ? QStringLiteral("The one password is fine: none needs attention.")
                          : QStringLiteral("All %1 passwords are fine: none needs attention.")
                                .arg(locale.toString(rated));
    }
    return QStringLiteral("%1 of %2 passwords %3 attention.")
        .arg(locale.toString(needingAttention), locale.toString(rated),
             needingAttention == 1 ? QStringLiteral("needs") : QStringLiteral("need"));
}

PasswordReportModel::PasswordReportModel(QObject* parent) : QAbstractTableModel(parent) {
    const QLocale locale;
    ordering_.collator = QCollator(locale);
    ordering_.collator.setCaseSensitivity(Qt::CaseInsensitive);
    ordering_.foldCase = locale.language() == QLocale::C;
}

void PasswordReportModel::setRatings(const std::vector<store::Entry>& entries,
                                     const std::vector<quint64>& ids,
                                     const std::vector<store::PasswordRating>& ratings) {
    beginResetModel();
    rows_.clear();
    for (std::size_t i = 0; i < ratings.size(); ++i) {
        if (ratings[i].needsAttention()) {
            rows_.push_back({ids[i], entries[i].username, entries[i].location, ratings[i]});
        }
    }
    sortRows();
    endResetModel();
}

int PasswordReportModel::rowOf(quint64 id) const {
    const auto it =
        std::find_if(rows_.begin(), rows_.end(), [id](const Row& row) { return row.id == id; });
    return it == rows_.end() ? -1 : int(it - rows_.begin());
}

int PasswordReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int PasswordReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PasswordReportModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) {
        return {};
    }
    const Row& row = rows_[std::size_t(index.row())];
    switch (index.column()) {
    case Username:
        return row.username;
    case Location:
        return row.location;
    case Strength:
        return bandText(row.rating.band);
    case Reason:
        return reasonText(row.rating);
    default:
        return {};
    }
}

QVariant PasswordReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case Username:
        return QStringLiteral("Username");
    case Location:
        return QStringLiteral("Website/Location");
    case Strength:
        return QStringLiteral("Strength");
    case Reason:
        return QStringLiteral("Reason");
    default:
        return {};
    }
}

void PasswordReportModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount) {
        return;
    }
    sortColumn_ = column;
    sortOrder_ = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<quint64> beforeIds;
    for (const QModelIndex& index : before) {
        beforeIds.push_back(rows_[std::size_t(index.row())].id);
    }
    sortRows();
    QModelIndexList after;
    for (std::size_t i = 0; i < beforeIds.size(); ++i) {
        after.append(index(rowOf(beforeIds[i]), before[qsizetype(i)].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void PasswordReportModel::sortRows() {
    // The rows come in the main list's order; worst first breaks every tie
    // of a text column, and the main list's order every tie after that.
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) {
        return compareWorst(a.rating, b.rating) < 0;
    });
    if (sortColumn_ == Strength) {
        if (sortOrder_ == Qt::DescendingOrder) {
            std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) {
                return compareWorst(a.rating, b.rating) > 0;
            });
        }
        return;
    }
    // A text column: every key is made once.
    std::vector<QString> keys(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        keys[i] = sortColumn_ == Username   ? rows_[i].username
                  : sortColumn_ == Location ? rows_[i].location
                                            : reasonText(rows_[i].rating);
    }
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = store::CompareTexts(keys[a], keys[b], ordering_);
        return descending ? c > 0 : c < 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (const std::size_t i : order) {
        sorted.push_back(std::move(rows_[i]));
    }
    rows_ = std::move(sorted);
}

} // namespace kestrune::ui
