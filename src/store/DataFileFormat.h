#pragma once

#include "store/Entry.h"
#include "store/PieceBuffer.h"

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

// The largest data file the program reads: ten times what a million long
// entries take. A larger file is refused before a byte of it is read.
inline constexpr qint64 kDataFileSizeLimit = qint64(512) << 20;

// The longest master password the password dialog accepts, in characters
// (twice what Qt's line edit takes by default); each takes one byte in the
// data file.
inline constexpr qsizetype kMasterPasswordMaxLength = 65536;

// The most of line 1 read before a password has been given: the longest
// master password with room to spare. A longer line 1 is damage.
inline constexpr qint64 kFirstLineLimit = qint64(256) << 10;

// A freshly created data file: one empty line, so no master password yet.
QByteArray emptyDataFile();

// The file written when the master password is created: the encoded password
// and CR LF, nothing else.
QByteArray createdDataFile(const QString& masterPassword);

// The file written by a save: the encoded master password, one encoded line per
// entry in the order given, then one more CR LF.
QByteArray savedDataFile(const QString& masterPassword, const EntryRows& rows);

// The same bytes in pieces of about `pieceSize` bytes (a piece holds whole
// lines, so a longer line makes a longer piece), so that a save never holds the
// whole file in memory. The rows must not change while the pieces are taken.
class SavedFileEncoder {
public:
    SavedFileEncoder(const QString& masterPassword, const EntryRows& rows,
                     qsizetype pieceSize = qsizetype(1) << 20);
    SavedFileEncoder(const SavedFileEncoder&) = delete;
    SavedFileEncoder& operator=(const SavedFileEncoder&) = delete;
    // The next piece, empty when all has been given. A piece stays valid until
    // the call after next, so one piece can be written while the next is made.
    QByteArrayView next();

private:
    QString masterPassword_; // shared, not copied
    const EntryRows& rows_;
    qsizetype nextRow_ = -1; // -1: the master password's line comes first
    bool done_ = false;
    PieceBuffer pieces_; // they hold plaintext: wiped when the encoder goes
};

// Line 1 of a file, raw (still encoded). Empty for an empty file.
QByteArrayView firstLineOf(QByteArrayView file);

// The decoded master password of line 1; empty means none has been created.
QString storedPasswordOf(QByteArrayView file);

// The entries of lines 2 onwards, in file order. Lines that are empty or a
// single space are skipped. A line with more than two separators keeps its
// first three pieces; one with fewer keeps the fields it has and leaves the
// missing ones empty, so that a later save loses nothing.
std::vector<Entry> entriesOf(QByteArrayView file);

// The same entries, from a file handed over in pieces of any size as it is
// read, so that a large file is never held whole in memory beside its entries.
// A line may run across pieces, and so may its CR LF.
class EntryReader {
public:
    EntryReader() = default;
    // The start of a line kept between pieces is wiped.
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // The size of the whole file, when known: lets the reader make room for
    // all entries at once.
    void expectBytes(qint64 total);
    void feed(QByteArrayView piece);
    // The entries of every line fed, the last one included.
    std::vector<Entry> finish();

private:
    void takeLine(QByteArrayView line);

    std::vector<Entry> entries_;
    QByteArray pending_; // the start of a line that goes on in the next piece
    qint64 expectedBytes_ = 0;
    bool first_ = true;   // line 1, the master password, is not an entry
    bool skipLF_ = false; // the last piece ended with a CR
    bool reserved_ = false;
};

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
