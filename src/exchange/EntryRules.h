#pragma once

#include "store/DataFileFormat.h"
#include "store/Entry.h"

#include <QString>

// What an entry must hold to be kept, and how a refusal is worded: the one rule
// for every way an entry comes in (the entry dialog, an import, a merge), and
// the words the entry dialog and the import's summary use for it.
namespace kestrune::exchange {

// Why an entry cannot be kept as it is, checked in this order: it needs a
// username and a password, then every field must be one that data.enc can
// hold (store::checkEntryField).
struct EntryCheck {
    enum class Problem { None, NoUsername, NoPassword, Field };
    Problem problem = Problem::None;
    int field = -1; // for Problem::Field: 0 username, 1 password, 2 location
    store::FieldCheck fieldCheck;

    bool ok() const { return problem == Problem::None; }
};
EntryCheck checkEntry(const store::Entry& entry);

// Where a field's name is read: the entry dialog calls the location its
// website, the import's summary its location.
enum class FieldWords { EntryDialog, Import };

// The name of a field (0 username, 1 password, 2 location) in a message.
QString fieldName(int field, FieldWords words);

// What the entry dialog makes of the three texts typed when Save is clicked.
struct EntryTextsCheck {
    enum class Verdict {
        Accepted,
        Missing,    // no username or no password: the dialog asks for both
        NotStorable // data.enc could not give a text back as typed
    };
    Verdict verdict = Verdict::Accepted;
    QString message; // what the dialog shows when it refuses the texts

    bool accepted() const { return verdict == Verdict::Accepted; }
};

// The entry dialog's verdict on an entry, worded with the program's name.
EntryTextsCheck checkEntryTexts(const store::Entry& entry, const QString& productName);

// Why an entry that checkEntry refused cannot be stored, for the import's
// summary. The offending character is named for the username and the location
// only.
QString refusalReason(const EntryCheck& check);

} // namespace kestrune::exchange
