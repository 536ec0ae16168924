#include "exchange/ImportLayouts.h"

#include <QHash>

#include <array>

namespace kestrune::exchange {

namespace {

struct Column {
    const char* name; // in lower case
    ColumnKind kind;
    bool required = true;
};

struct LayoutColumns {
    Layout layout;
    std::vector<Column> columns;
};

using K = ColumnKind;

const std::vector<LayoutColumns>& layouts() {
    static const std::vector<LayoutColumns> all = {
        {Layout::KeePassXC,
         {{"group", K::Folder},
          {"title", K::Title},
          {"username", K::Username},
          {"password", K::Password},
          {"url", K::Location},
          {"notes", K::Notes},
          {"totp", K::Totp, false},
          {"icon", K::Ignored, false},
          {"last modified", K::Time, false},
          {"created", K::Time, false}}},
        {Layout::Bitwarden,
         {{"folder", K::Folder},
          {"favorite", K::Ignored},
          {"type", K::ItemType},
          {"name", K::Title},
          {"notes", K::Notes},
          {"fields", K::Fields},
          {"reprompt", K::Ignored, false},
          {"login_uri", K::Location},
          {"login_username", K::Username},
          {"login_password", K::Password},
          {"login_totp", K::Totp}}},
        {Layout::BitwardenOrganisation,
         {{"collections", K::Folder},
          {"type", K::ItemType},
          {"name", K::Title},
          {"notes", K::Notes},
          {"fields", K::Fields},
          {"reprompt", K::Ignored, false},
          {"login_uri", K::Location},
          {"login_username", K::Username},
          {"login_password", K::Password},
          {"login_totp", K::Totp}}},
        {Layout::Chrome,
         {{"name", K::Title},
          {"url", K::Location},
          {"username", K::Username},
          {"password", K::Password},
          {"note", K::Notes, false}}},
        {Layout::Firefox,
         {{"url", K::Location},
          {"username", K::Username},
          {"password", K::Password},
          {"httprealm", K::Ignored},
          {"formactionorigin", K::Ignored},
          {"guid", K::Ignored, false},
          {"timecreated", K::Time, false},
          {"timelastused", K::Time, false},
          {"timepasswordchanged", K::Time, false}}},
    };
    return all;
}

QString normalised(const QString& name) {
    return name.trimmed().toLower();
}

// Fills the mapping's single columns from its kinds.
void pickColumns(ColumnMapping& mapping) {
    for (int c = 0; c < int(mapping.kinds.size()); ++c) {
        switch (mapping.kinds[std::size_t(c)]) {
        case K::Username:
            mapping.username = c;
            break;
        case K::Password:
            mapping.password = c;
            break;
        case K::Location:
            mapping.location = c;
            break;
        case K::Title:
            mapping.title = c;
            break;
        case K::ItemType:
            mapping.itemType = c;
            break;
        default:
            break;
        }
    }
}

} // namespace

QString layoutName(Layout layout) {
    switch (layout) {
    case Layout::KeePassXC:
        return QStringLiteral("KeePassXC");
    case Layout::Bitwarden:
        return QStringLiteral("Bitwarden");
    case Layout::BitwardenOrganisation:
        return QStringLiteral("Bitwarden (organisation)");
    case Layout::Chrome:
        // Kestrune's own export has the same columns.
        return QStringLiteral("Chrome or Chromium, or a Kestrune export");
    case Layout::Firefox:
        return QStringLiteral("Firefox");
    case Layout::Other:
        break;
    }
    return QStringLiteral("columns chosen by you");
}

std::optional<KnownLayout> recogniseLayout(const std::vector<QString>& header) {
    QHash<QString, int> columnOf;
    for (int c = 0; c < int(header.size()); ++c) {
        const QString name = normalised(header[std::size_t(c)]);
        if (columnOf.contains(name)) {
            return std::nullopt; // a name twice: which one would count?
        }
        columnOf.insert(name, c);
    }
    for (const LayoutColumns& candidate : layouts()) {
        KnownLayout known;
        known.layout = candidate.layout;
        known.mapping.kinds.assign(header.size(), K::Other);
        qsizetype found = 0;
        bool fits = true;
        for (const Column& column : candidate.columns) {
            const auto at = columnOf.constFind(QLatin1String(column.name));
            if (at == columnOf.constEnd()) {
                fits = fits && !column.required;
                continue;
            }
            known.mapping.kinds[std::size_t(*at)] = column.kind;
            ++found;
        }
        if (fits && found == qsizetype(header.size())) {
            pickColumns(known.mapping);
            return known;
        }
    }
    return std::nullopt;
}

ColumnMapping guessMapping(const std::vector<QString>& firstLine, qsizetype columns,
                           bool firstLineNames) {
    ColumnMapping mapping;
    mapping.firstLineNames = firstLineNames;
    mapping.kinds.assign(std::size_t(std::max<qsizetype>(columns, 0)), K::Other);
    if (!firstLineNames) {
        // Without names, the order Kestrune shows: username, password, location.
        const std::array<K, 3> order = {K::Username, K::Password, K::Location};
        for (std::size_t c = 0; c < order.size() && c < mapping.kinds.size(); ++c) {
            mapping.kinds[c] = order[c];
        }
        pickColumns(mapping);
        return mapping;
    }
    // The first column whose name holds one of the words, among those not
    // taken yet; the password first, since "login_password" names a login too.
    const auto take = [&](K kind, std::initializer_list<const char*> words) {
        for (const char* word : words) {
            for (std::size_t c = 0; c < mapping.kinds.size() && c < firstLine.size(); ++c) {
                if (mapping.kinds[c] == K::Other &&
                    normalised(firstLine[c]).contains(QLatin1String(word))) {
                    mapping.kinds[c] = kind;
                    return;
                }
            }
        }
    };
    take(K::Password, {"pass", "pwd"});
    take(K::Username, {"user", "login", "mail", "account"});
    take(K::Location, {"url", "uri", "site", "location", "address", "host", "link"});
    pickColumns(mapping);
    return mapping;
}

} // namespace kestrune::exchange
