#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The layouts of the CSV files that other password keepers and browsers write,
// recognised from their header line, and which column gives what.
namespace kestrune::exchange {

// What a column of an imported file holds, as far as an import cares.
enum class ColumnKind {
    Other, // a column the user did not choose: not kept
    Username,
    Password,
    Location,
    Title,    // a title or name: the username when the username is empty
    ItemType, // the kind of item; only logins are taken
    Notes,
    Folder,  // a folder, group or collection
    Totp,    // a one-time password secret
    Time,    // when the item was made, changed or used
    Fields,  // custom fields
    Ignored, // marks and identities with no meaning outside their program
};

// Which column gives what; -1 for none. Columns are 0-based.
struct ColumnMapping {
    int username = -1;
    int password = -1;
    int location = -1;
    int title = -1;
    int itemType = -1;             // rows whose type is not "login" are left out
    bool firstLineNames = true;    // the first line is the header, not an entry
    std::vector<ColumnKind> kinds; // every column's kind, for what is not kept

    bool operator==(const ColumnMapping&) const = default;
};

enum class Layout { KeePassXC, Bitwarden, BitwardenOrganisation, Chrome, Firefox, Other };

struct KnownLayout {
    Layout layout = Layout::Other;
    ColumnMapping mapping;
};

// The layout's name as the user knows it.
QString layoutName(Layout layout);

// Which known layout a header line is: its names, without regard to letter
// case or the blanks around them, must be the layout's columns (in any order;
// a few columns that older versions lack may be missing). Nothing for any
// other header.
std::optional<KnownLayout> recogniseLayout(const std::vector<QString>& header);

// The mapping to offer for a file of no known layout: the columns whose names
// look like a username, a password and a location (nothing when the first line
// does not name them), and every other column not kept.
ColumnMapping guessMapping(const std::vector<QString>& firstLine, qsizetype columns,
                           bool firstLineNames);

} // namespace kestrune::exchange
