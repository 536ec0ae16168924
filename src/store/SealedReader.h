#pragma once

#include "store/Entry.h"
#include "store/FileHelpers.h"
#include "store/SealedLayout.h"
#include "store/SealedPasswordTry.h"
#include "store/SecretKey.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The reader of the sealed layout (see SealedLayout.h).
namespace kestrune::store {

enum class SealedOutcome {
    Opened,        // every chunk authenticated, FINAL last, the hash matches
    WrongPassword, // the frame and the hash are whole, the first chunk does not open
    Damaged,       // anything else wrong with a file that says it is sealed
    Unsupported,   // another version, algorithm or limits outside the accepted ranges
};

// Reads a sealed file handed over in pieces of any size, as it is read from
// disk. With a key, every chunk is decrypted and its plaintext handed to
// `onPlain` in order (and wiped after the call); only an Opened outcome means
// that all of it was genuine. Without a key only the frame and the hash are
// checked, which needs no password, and the first chunk is kept for a try
// of a password (see trySealedPassword).
class SealedFileReader {
public:
    explicit SealedFileReader(const SecretKey* key = nullptr,
                              std::function<void(QByteArrayView)> onPlain = {});
    ~SealedFileReader();
    SealedFileReader(const SealedFileReader&) = delete;
    SealedFileReader& operator=(const SealedFileReader&) = delete;

    void feed(QByteArrayView piece);
    SealedOutcome finish();

    // Valid once the first 72 bytes have been fed.
    const SealedHeader& header() const { return header_; }
    // The first chunk as it stands in the file (read without a key).
    QByteArray takeFirstChunk() { return std::move(firstChunk_); }

private:
    struct State;
    void settle(const unsigned char* data, qsizetype size);
    void takeHeader();
    void chunk(bool last);

    std::unique_ptr<State> state_;
    SealedHeader header_;
    QByteArray firstChunk_;
};

// The entries of a sealed data file, read and decrypted piece by piece as
// LoadData does (the file is never held whole). They are genuine only when
// `outcome` is Opened and `passwordMatches`: the decrypted line 1 is
// `masterPassword`; otherwise `entries` is empty.
struct SealedEntries {
    FileResult read;
    SealedOutcome outcome = SealedOutcome::Damaged;
    bool passwordMatches = false;
    std::vector<Entry> entries;
};
SealedEntries readSealedEntries(const QString& path, const SecretKey& key,
                                const QString& masterPassword);

// A sealed file read whole without a key, as the login checks it before the
// password is asked for: its frame and its hash. When it is whole (Opened),
// `lock` holds its header and first chunk for a try of a password. Slow for a
// large file and touches nothing shared: run it on any thread.
struct SealedFileCheck {
    FileResult read;
    SealedOutcome outcome = SealedOutcome::Damaged;
    std::shared_ptr<const SealedLock> lock;
};
SealedFileCheck checkSealedFile(const QString& path);

} // namespace kestrune::store
