// Fuzz target for the data file reader and the character set and codec under
// it. Any bytes may sit in data.enc; for every input this checks
//  - the reader against a small, slow reader written here from the rules of
//    the format (lines end at CR, an LF right after a CR belongs to the line
//    end, line 1 is the password, blank lines are skipped, up to three fields
//    split at the first two separators), whole and fed in pieces;
//  - that a save written in pieces is the same bytes as one written whole;
//  - that what the reader returns can be written and read back: the password
//    always, and every entry whose fields pass checkEntryField (the rule the
//    entry dialog applies), in the same order;
//  - that checkEntryField refuses exactly the texts that would not come back;
//  - that decoding and encoding are inverse on bytes and on storable text.

#include "FuzzCheck.h"

#include "store/DataFileFormat.h"
#include "store/HighBitCodec.h"
#include "store/Windows1252.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

using namespace kestrune::store;

namespace {

// Windows-1252, bytes 80 to 9F, from the published table; the five bytes the
// code page leaves undefined stand for the control characters of that code.
constexpr std::array<char16_t, 32> kReferenceHigh = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

QString referenceDecode(QByteArrayView encoded) {
    QString text;
    for (const char c : encoded) {
        const auto b = static_cast<unsigned char>(static_cast<unsigned char>(c) ^ 0x80U);
        text += QChar(b >= 0x80 && b <= 0x9F ? kReferenceHigh[b - 0x80] : char16_t(b));
    }
    return text;
}

const QByteArrayView kSeparator("\xFC\xFC\xFC", 3); // "|||" on disk

std::vector<QByteArrayView> referenceLines(QByteArrayView file) {
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < file.size()) {
        qsizetype cr = start;
        while (cr < file.size() && file[cr] != '\r') {
            ++cr;
        }
        lines.push_back(file.sliced(start, cr - start));
        start = cr + 1;
        if (start < file.size() && file[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

struct ReferenceEntry {
    Entry entry;
    QByteArrayView line;
    int separators = 0; // separators found in the line, up to three
};

std::vector<ReferenceEntry> referenceEntries(QByteArrayView file) {
    std::vector<ReferenceEntry> result;
    const std::vector<QByteArrayView> lines = referenceLines(file);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        if (line.isEmpty() || line == QByteArrayView(" ")) {
            continue;
        }
        std::vector<QByteArrayView> pieces;
        int separators = 0;
        qsizetype from = 0;
        while (pieces.size() < 3) {
            const qsizetype hit = line.indexOf(kSeparator, from);
            if (hit < 0) {
                pieces.push_back(line.sliced(from));
                break;
            }
            pieces.push_back(line.sliced(from, hit - from));
            ++separators;
            from = hit + kSeparator.size();
        }
        ReferenceEntry r;
        r.separators = separators;
        r.line = line;
        r.entry.username = referenceDecode(pieces[0]);
        r.entry.password = pieces.size() > 1 ? referenceDecode(pieces[1]) : QString();
        r.entry.location = pieces.size() > 2 ? referenceDecode(pieces[2]) : QString();
        result.push_back(std::move(r));
    }
    return result;
}

class Rows : public EntryRows {
public:
    std::vector<Entry> rows;
    qsizetype entryCount() const override { return qsizetype(rows.size()); }
    const Entry& entryAt(qsizetype index) const override { return rows.at(std::size_t(index)); }
    void appendEntries(std::vector<Entry>&& entries) override {
        rows.insert(rows.end(), entries.begin(), entries.end());
    }
};

bool storable(const Entry& e) {
    return checkEntryField(e.username, false).problem == FieldProblem::None &&
           checkEntryField(e.password, false).problem == FieldProblem::None &&
           checkEntryField(e.location, true).problem == FieldProblem::None;
}

// The reader and the writer on the bytes of a file.
void checkFile(QByteArrayView file) {
    const QString password = storedPasswordOf(file);
    const std::vector<QByteArrayView> lines = referenceLines(file);
    FUZZ_CHECK(firstLineOf(file) == (lines.empty() ? QByteArrayView() : lines[0]));
    FUZZ_CHECK(password == referenceDecode(firstLineOf(file)));
    // The password is written back byte for byte, whatever it holds.
    FUZZ_CHECK(createdDataFile(password) == firstLineOf(file).toByteArray() + "\r\n");

    const std::vector<Entry> entries = entriesOf(file);
    const std::vector<ReferenceEntry> expected = referenceEntries(file);
    FUZZ_CHECK(entries.size() == expected.size());
    Rows kept;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        FUZZ_CHECK(entries[i] == expected[i].entry);
        if (storable(entries[i])) {
            kept.rows.push_back(entries[i]);
            // A line of exactly three fields that pass the check is written
            // back as the same bytes.
            if (expected[i].separators == 2) {
                FUZZ_CHECK(encodedEntryLine(entries[i]) == expected[i].line.toByteArray());
            }
        }
    }
    // What can be stored comes back in the same order after a save.
    const QByteArray saved = savedDataFile(password, kept);
    FUZZ_CHECK(storedPasswordOf(saved) == password);
    FUZZ_CHECK(entriesOf(saved) == kept.rows);

    // A file read in pieces as it comes from the disk gives the same entries
    // wherever the pieces end (inside a separator, between CR and LF); the
    // piece sizes, 1 to 16 bytes, are taken from the file's own bytes.
    EntryReader reader;
    if (!file.isEmpty() && (file[0] & 1) != 0) {
        reader.expectBytes(file.size());
    }
    for (qsizetype at = 0, i = 0; at < file.size(); ++i) {
        const qsizetype size = std::min<qsizetype>(1 + (file[i] & 15), file.size() - at);
        reader.feed(file.sliced(at, size));
        at += size;
    }
    FUZZ_CHECK(reader.finish() == entries);

    // A save written in small pieces is the same bytes as one written whole.
    for (const qsizetype pieceSize : {1, 7, 64}) {
        SavedFileEncoder encoder(password, kept, pieceSize);
        QByteArray joined;
        for (QByteArrayView piece = encoder.next(); !piece.isEmpty(); piece = encoder.next()) {
            joined += piece;
        }
        FUZZ_CHECK(joined == saved);
    }
}

// One field of an entry, given as any text: the check accepts it exactly when
// the entry comes back from the file as it was.
void checkField(const QString& text) {
    for (int field = 0; field < 3; ++field) {
        Entry entry{QStringLiteral("user"), QStringLiteral("pass"), QStringLiteral("place")};
        QString* fields[] = {&entry.username, &entry.password, &entry.location};
        *fields[field] = text;
        // The bytes a save writes for this one entry (checkFile compares
        // savedDataFile with the same reader).
        const QByteArray file =
            createdDataFile(QStringLiteral("pw")) + encodedEntryLine(entry) + "\r\n\r\n";
        const std::vector<Entry> back = entriesOf(file);
        const bool survives = back.size() == 1 && back[0] == entry;
        const bool accepted = checkEntryField(text, field == 2).problem == FieldProblem::None;
        FUZZ_CHECK(accepted == survives);
    }
}

// The character set and the codec.
void checkCodec(QByteArrayView bytes, const QString& text) {
    const QString decoded = fromWindows1252(bytes);
    FUZZ_CHECK(decoded.size() == bytes.size());
    FUZZ_CHECK(toWindows1252(decoded) == bytes.toByteArray());
    FUZZ_CHECK(HighBitCodec(HighBitCodec(bytes)) == bytes.toByteArray());

    const std::optional<QByteArray> encoded = toWindows1252(text);
    const QString outside = firstCharacterOutsideWindows1252(text);
    FUZZ_CHECK(encoded.has_value() == outside.isEmpty());
    if (encoded) {
        FUZZ_CHECK(fromWindows1252(*encoded) == text);
        FUZZ_CHECK(HighBitCodec(HighBitCodec(text)) == text);
        for (qsizetype i = 0; i < text.size(); ++i) {
            FUZZ_CHECK(windows1252Byte(text[i].unicode()) ==
                       static_cast<unsigned char>(encoded->at(i)));
        }
    } else {
        FUZZ_CHECK(text.contains(outside));
        FUZZ_CHECK(windows1252Byte(outside[0].unicode()) < 0);
        // Everything before it can be held.
        FUZZ_CHECK(toWindows1252(QStringView(text).first(text.indexOf(outside))).has_value());
    }
    const QString unstorable = firstUnstorableCharacter(text);
    FUZZ_CHECK(unstorable.isEmpty() == (encoded.has_value() && !text.contains(QChar(0x008D))));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkFile(bytes);
    // The same bytes read as UTF-16 text, as typed into the entry dialog.
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    if (!text.isEmpty()) {
        std::memcpy(text.data(), data, std::size_t(text.size()) * sizeof(QChar));
    }
    checkCodec(bytes, text);
    checkField(text);
    return 0;
}
