#include "exchange/ImportPlan.h"

#include "exchange/EntryRules.h"
#include "store/LocationRules.h"

#include <QHash>
#include <QStringList>

#include <unordered_set>

namespace kestrune::exchange {

namespace {

struct EntryHash {
    std::size_t operator()(const store::Entry* e) const {
        return std::size_t(qHashMulti(0, e->username, e->password, e->location));
    }
};
struct EntryEqual {
    bool operator()(const store::Entry* a, const store::Entry* b) const { return *a == *b; }
};

const QString& fieldOf(const CsvRecord& record, int column) {
    static const QString none;
    return column >= 0 && std::size_t(column) < record.fields.size()
               ? record.fields[std::size_t(column)]
               : none;
}

// Counts what the row holds in columns that are not kept.
void countNotKept(const CsvRecord& record, const ColumnMapping& mapping, NotKept& notKept) {
    bool notes = false, folders = false, totp = false, times = false, fields = false, other = false;
    for (std::size_t c = 0; c < record.fields.size(); ++c) {
        if (record.fields[c].isEmpty()) {
            continue;
        }
        switch (c < mapping.kinds.size() ? mapping.kinds[c] : ColumnKind::Other) {
        case ColumnKind::Notes:
            notes = true;
            break;
        case ColumnKind::Folder:
            folders = true;
            break;
        case ColumnKind::Totp:
            totp = true;
            break;
        case ColumnKind::Time:
            times = true;
            break;
        case ColumnKind::Fields:
            fields = true;
            break;
        case ColumnKind::Other:
            other = true;
            break;
        default:
            break;
        }
    }
    notKept.notes += notes;
    notKept.folders += folders;
    notKept.totp += totp;
    notKept.times += times;
    notKept.fields += fields;
    notKept.other += other;
}

} // namespace

ImportPlan planImport(const CsvTable& table, const ColumnMapping& mapping,
                      const store::EntryRows& existing) {
    ImportPlan plan;
    const std::size_t first = mapping.firstLineNames ? 1 : 0;
    const std::size_t records = table.records.size();
    // Rows are compared with the list and with the rows before them; the
    // additions never move, so pointers to them stay good.
    plan.additions.reserve(records > first ? records - first : 0);
    std::unordered_set<const store::Entry*, EntryHash, EntryEqual> seen;
    seen.reserve(std::size_t(existing.entryCount()) + plan.additions.capacity());
    for (qsizetype i = 0; i < existing.entryCount(); ++i) {
        seen.insert(&existing.entryAt(i));
    }
    for (std::size_t r = first; r < records; ++r) {
        const CsvRecord& record = table.records[r];
        ++plan.rows;
        if (mapping.itemType >= 0 &&
            fieldOf(record, mapping.itemType).trimmed().compare(u"login", Qt::CaseInsensitive) !=
                0) {
            ++plan.notLogins;
            continue;
        }
        countNotKept(record, mapping, plan.notKept);
        store::Entry entry{fieldOf(record, mapping.username), fieldOf(record, mapping.password),
                           fieldOf(record, mapping.location)};
        const QString& title = fieldOf(record, mapping.title);
        if (entry.username.isEmpty()) {
            entry.username = title;
        } else if (!title.isEmpty() && title.compare(entry.username, Qt::CaseInsensitive) != 0 &&
                   title.compare(store::webHost(entry.location), Qt::CaseInsensitive) != 0) {
            ++plan.notKept.names;
        }
        if (seen.contains(&entry)) {
            ++plan.duplicates;
            continue;
        }
        if (const EntryCheck check = checkEntry(entry); !check.ok()) {
            plan.refused.push_back({record.row, refusalReason(check)});
            continue;
        }
        plan.additions.push_back(std::move(entry));
        seen.insert(&plan.additions.back());
    }
    return plan;
}

QString summaryText(const ImportPlan& plan, const QString& layout, TextEncoding encoding) {
    const auto count = [](qsizetype n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    QString encodingName;
    switch (encoding) {
    case TextEncoding::Utf8:
        encodingName = QStringLiteral("UTF-8");
        break;
    case TextEncoding::Utf16:
        encodingName = QStringLiteral("UTF-16");
        break;
    case TextEncoding::Windows1252:
        encodingName = QStringLiteral("Windows-1252");
        break;
    }
    QStringList lines;
    lines << QStringLiteral("Layout: %1; text read as %2.").arg(layout, encodingName)
          << QStringLiteral("Rows read: %1.").arg(plan.rows) << QString();
    lines << count(qsizetype(plan.additions.size()), "entry will be added.",
                   "entries will be added.");
    if (plan.duplicates > 0) {
        lines << count(plan.duplicates, "row is skipped: the entry is already there.",
                       "rows are skipped: their entries are already there.");
    }
    if (plan.notLogins > 0) {
        lines << count(plan.notLogins, "item is not a login and is left out.",
                       "items are not logins and are left out.");
    }
    if (!plan.refused.empty()) {
        lines << count(qsizetype(plan.refused.size()),
                       "row cannot be stored:", "rows cannot be stored:");
        constexpr std::size_t kListed = 200;
        for (std::size_t i = 0; i < plan.refused.size() && i < kListed; ++i) {
            lines << QStringLiteral("    Row %1: %2")
                         .arg(plan.refused[i].row)
                         .arg(plan.refused[i].reason);
        }
        if (plan.refused.size() > kListed) {
            lines << QStringLiteral("    and %1 more.").arg(plan.refused.size() - kListed);
        }
    }
    QStringList lost;
    const auto add = [&lost](qsizetype n, const char* what) {
        if (n > 0) {
            lost << QStringLiteral("%1 (%2)").arg(QLatin1String(what)).arg(n);
        }
    };
    add(plan.notKept.notes, "notes");
    add(plan.notKept.folders, "folders and groups");
    add(plan.notKept.totp, "TOTP secrets");
    add(plan.notKept.times, "times");
    add(plan.notKept.names, "titles and names");
    add(plan.notKept.fields, "custom fields");
    add(plan.notKept.other, "other columns");
    if (!lost.isEmpty()) {
        lines << QString()
              << QStringLiteral("Not kept, with the number of rows that have them: ") +
                     lost.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace kestrune::exchange
