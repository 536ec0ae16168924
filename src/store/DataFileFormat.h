#pragma once

#include "store/Entry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// The bytes of data.enc. Line 1 is the encoded master password; every further
// line is one encoded entry, username|||password|||location, joined first and
// then encoded as a whole. Lines end with CR LF. A reader ends a line at CR
// only: an LF right after a CR belongs to the line end, any other LF is text
// (the encoded form of the character at byte 8A is an LF).
namespace kestrune::store {

inline constexpr char kFieldSeparator[] = "|||";

// A freshly created data file: one empty line, so no master password yet.
QByteArray emptyDataFile();

// The file written when the master password is created: the encoded password
// and CR LF, nothing else.
QByteArray createdDataFile(const QString& masterPassword);

// The file written by a save: the encoded master password, one encoded line per
// entry in the order given, then one more CR LF.
QByteArray savedDataFile(const QString& masterPassword, const EntryRows& rows);

// Line 1 of a file, raw (still encoded). Empty for an empty file.
QByteArrayView firstLineOf(QByteArrayView file);

// The decoded master password of line 1; empty means none has been created.
QString storedPasswordOf(QByteArrayView file);

// The entries of lines 2 onwards, in file order. Lines that are empty or a
// single space are skipped. A line with more than two separators keeps its
// first three pieces; one with fewer keeps the fields it has and leaves the
// missing ones empty, so that a later save loses nothing.
std::vector<Entry> entriesOf(QByteArrayView file);

// One entry as its encoded line, without the line end.
QByteArray encodedEntryLine(const Entry& entry);

// The first character of `text` that data.enc cannot hold faithfully in any
// field: one outside Windows-1252, or the character at byte 8D, which encodes
// to CR and would end the line. Empty when the whole text can be held.
QString firstUnstorableCharacter(QStringView text);

// Why a field of an entry cannot be written to data.enc and read back as it
// was. The username and the password are followed by a separator, so neither
// may end in "|" (the reader would take that bar for part of the separator);
// no field may hold the separator itself.
enum class FieldProblem { None, ContainsSeparator, EndsWithBar, Character };
struct FieldCheck {
    FieldProblem problem = FieldProblem::None;
    QString character; // the offending character, for FieldProblem::Character
};
// `last` is true for the location, which no separator follows.
FieldCheck checkEntryField(QStringView text, bool last);

} // namespace kestrune::store
