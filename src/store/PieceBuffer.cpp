#include "store/PieceBuffer.h"

#include "store/SecretKey.h"

#include <algorithm>

namespace kestrune::store {

PieceBuffer::PieceBuffer(qsizetype pieceSize, Wipe wipe)
    : pieceSize_(std::max<qsizetype>(pieceSize, 1)), wipe_(wipe) {}

PieceBuffer::~PieceBuffer() {
    if (wipe_ == Wipe::Yes) {
        for (QByteArray& buffer : buffers_) {
            wipe(buffer);
        }
    }
}

void PieceBuffer::reserve(qsizetype size) {
    for (QByteArray& buffer : buffers_) {
        buffer.reserve(size);
    }
}

void PieceBuffer::grow(qsizetype size) {
    QByteArray& buffer = buffers_[current_];
    const qsizetype grownSize = std::max(size, pieceSize_);
    if (wipe_ == Wipe::No) {
        buffer.resize(grownSize);
        return;
    }
    // Moved by hand: the old room is wiped, not handed back as it is.
    QByteArray grown(grownSize, Qt::Uninitialized);
    std::copy_n(buffer.constData(), used_, grown.data());
    wipe(buffer);
    buffer = std::move(grown);
}

} // namespace kestrune::store
