#pragma once

#include "store/Seal.h"
#include "store/SealedLayout.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <memory>

// The writer of the sealed layout (see SealedLayout.h).
namespace kestrune::store {

// Seals a written file handed over in pieces (an empty piece ends them), in
// pieces of its own: a piece in, chunks out, so that a save never holds the
// whole file. Each piece given out stays valid until the call after next, as
// FileHelpers' writer needs; the plaintext this holds is wiped as it goes.
class SealedFileEncoder {
public:
    SealedFileEncoder(const Seal& seal, std::function<QByteArrayView()> plainPieces);
    ~SealedFileEncoder();
    SealedFileEncoder(const SealedFileEncoder&) = delete;
    SealedFileEncoder& operator=(const SealedFileEncoder&) = delete;

    QByteArrayView next();
    // True when the seal was unusable (no key, or a header this version does
    // not write): then no piece comes, and nothing must be written.
    bool failed() const;
    // The header this save writes (its stream header is new).
    const SealedHeader& header() const { return header_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    SealedHeader header_;
};

// The whole sealed file for a written file's bytes (tests, small files);
// empty when the seal is unusable.
QByteArray sealedFile(const Seal& seal, QByteArrayView plain);

} // namespace kestrune::store
