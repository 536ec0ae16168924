#include "store/OtherDataFile.h"

#include "store/DataFileFormat.h"
#include "store/SealedLayout.h"
#include "store/SealedPasswordTry.h"
#include "store/SealedReader.h"

#include <QFileInfo>

namespace kestrune::store {

namespace {

using Outcome = OtherDataFile::Outcome;

// A written file: its entries when line 1 is `password`.
void readWritten(const QString& path, const QString& password, OtherDataFile& result) {
    EntryReader reader;
    reader.expectBytes(result.stamp.size);
    QByteArray firstLine; // the encoded master password, up to its CR
    bool firstLineDone = false;
    result.file = readFileInPieces(path, [&](QByteArrayView piece) {
        if (!firstLineDone) {
            const qsizetype cr = piece.indexOf('\r');
            firstLine.append(piece.first(cr < 0 ? piece.size() : cr));
            firstLineDone = cr >= 0;
        }
        reader.feed(piece);
    });
    if (!result.file.ok) {
        wipe(firstLine);
        result.outcome = Outcome::CannotRead;
        return;
    }
    QString stored = storedPasswordOf(firstLine);
    wipe(firstLine);
    std::vector<Entry> entries = reader.finish();
    if (stored.isEmpty() && entries.empty()) {
        result.outcome = Outcome::Empty;
    } else if (!stored.isEmpty() && stored == password) {
        result.outcome = Outcome::Entries;
        result.entries = std::move(entries);
    } else {
        result.outcome = Outcome::OtherPassword;
    }
    stored.fill(QChar(0));
}

// A sealed file opened with `key`: Entries, or what stood in the way.
// WrongPassword comes back as OtherPassword.
void readSealed(const QString& path, const SecretKey& key, const QString& password,
                OtherDataFile& result) {
    SealedEntries read = readSealedEntries(path, key, password);
    result.file = read.read;
    if (!read.read.ok) {
        result.outcome = Outcome::CannotRead;
        return;
    }
    switch (read.outcome) {
    case SealedOutcome::Opened:
        // A key that opens it with another master password in line 1 is
        // another vault's, sealed under the same salt.
        result.outcome = read.passwordMatches ? Outcome::Entries : Outcome::OtherPassword;
        result.entries = std::move(read.entries);
        return;
    case SealedOutcome::WrongPassword:
        result.outcome = Outcome::OtherPassword;
        return;
    case SealedOutcome::Unsupported:
        result.outcome = Outcome::Unsupported;
        return;
    case SealedOutcome::Damaged:
        result.outcome = Outcome::Damaged;
        return;
    }
}

} // namespace

platform::FileStamp otherFileStamp(const QString& path) {
    return platform::SystemFileStamps().stampOf(path);
}

OtherDataFile readOtherDataFile(const QString& path, const QString& password,
                                const Seal* keyInHand) {
    OtherDataFile result;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        result.outcome = Outcome::CannotRead;
        result.file = FileResult::failure(FileProblem::CannotOpen);
        return result;
    }
    if (!info.isFile()) {
        result.outcome = Outcome::NotAFile;
        result.file = FileResult::failure(FileProblem::NotAFile);
        return result;
    }
    result.stamp = otherFileStamp(path);
    const qint64 size = info.size();
    if (size > kDataFileSizeLimit) {
        result.outcome = Outcome::TooLarge;
        result.file = FileResult::failure(FileProblem::TooLarge);
        return result;
    }
    if (size == 0) {
        result.outcome = Outcome::Empty;
        return result;
    }
    // The sealed header, its first line included.
    const ReadResult start = readFileStart(path, kSealedHeaderSize);
    if (!start.ok) {
        result.outcome = Outcome::CannotRead;
        result.file = start;
        return result;
    }
    switch (kindOfDataFile(start.bytes)) {
    case DataFileKind::Written:
        readWritten(path, password, result);
        return result;
    case DataFileKind::SealedOtherVersion:
        result.sealed = true;
        result.outcome = Outcome::Unsupported;
        return result;
    case DataFileKind::SealedDamaged:
        result.sealed = true;
        result.outcome = Outcome::Damaged;
        return result;
    case DataFileKind::Sealed:
        break;
    }
    result.sealed = true;
    if (start.bytes.size() < kSealedHeaderSize) {
        result.outcome = Outcome::Damaged;
        return result;
    }
    const SealedHeader header = SealedHeader::parse(start.bytes);
    // Another copy of this vault's file: the key in hand opens it at once.
    if (keyInHand != nullptr && keyInHand->key.isSet() && keyInHand->header.salt == header.salt &&
        keyInHand->header.limits == header.limits) {
        readSealed(path, keyInHand->key, password, result);
        if (result.outcome != Outcome::OtherPassword) {
            return result;
        }
        result.entries.clear();
    }
    // Checked whole first, which needs no key: a damaged file is never taken
    // for one of another password.
    SealedFileReader reader;
    result.file = readFileInPieces(path, [&reader](QByteArrayView piece) { reader.feed(piece); });
    if (!result.file.ok) {
        result.outcome = Outcome::CannotRead;
        return result;
    }
    switch (reader.finish()) {
    case SealedOutcome::Opened:
        break;
    case SealedOutcome::Unsupported:
        result.outcome = Outcome::Unsupported;
        return result;
    default:
        result.outcome = Outcome::Damaged;
        return result;
    }
    SealedPasswordTry tried =
        trySealedPassword(SealedLock{reader.header(), reader.takeFirstChunk()}, password);
    switch (tried.outcome) {
    case SealedPasswordTry::Outcome::Opens:
        readSealed(path, tried.seal.key, password, result);
        return result;
    case SealedPasswordTry::Outcome::Wrong:
        result.outcome = Outcome::OtherPassword;
        return result;
    case SealedPasswordTry::Outcome::Damaged:
        result.outcome = Outcome::Damaged;
        return result;
    case SealedPasswordTry::Outcome::OutOfMemory:
        result.outcome = Outcome::OutOfMemory;
        return result;
    }
    return result;
}

std::shared_ptr<const Seal> copyOfSeal(const Seal* seal) {
    if (seal == nullptr || !seal->key.isSet()) {
        return nullptr;
    }
    auto copy = std::make_shared<Seal>();
    copy->header = seal->header;
    if (!copy->key.assign(QByteArrayView(reinterpret_cast<const char*>(seal->key.bytes()),
                                         qsizetype(SecretKey::kSize)))) {
        return nullptr;
    }
    return copy;
}

} // namespace kestrune::store
