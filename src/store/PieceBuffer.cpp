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
    buffers_[current_].resize(std::max(size, pieceSize_));
}

} // namespace kestrune::store
