#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Where a writer that hands a file over in pieces makes its pieces: two
// buffers in turn, so that the piece given out last stays valid, and as it
// was, while the next one is made (it may still be being written).
namespace kestrune::store {

class PieceBuffer {
public:
    // Whether the pieces hold plaintext: then both buffers are wiped when
    // the PieceBuffer goes.
    enum class Wipe { No, Yes };

    // A buffer that grows takes at least `pieceSize` bytes at once.
    PieceBuffer(qsizetype pieceSize, Wipe wipe);
    ~PieceBuffer();
    PieceBuffer(const PieceBuffer&) = delete;
    PieceBuffer& operator=(const PieceBuffer&) = delete;

    // Room for `size` bytes in each buffer, made at once.
    void reserve(qsizetype size);

    // Starts an empty piece in the buffer that was not given out last, and
    // returns the buffer's number (0 or 1).
    int startPiece() {
        current_ = 1 - current_;
        used_ = 0;
        return current_;
    }

    // Where the next `n` bytes of the piece go; the room is made for them.
    char* room(qsizetype n) {
        QByteArray& buffer = buffers_[current_];
        if (buffer.size() < used_ + n) {
            grow(used_ + n);
        }
        return buffer.data() + used_;
    }
    // The piece now ends at `end`, a place within the room given last.
    void endAt(const char* end) { used_ = end - buffers_[current_].constData(); }
    // The piece grows by `n` bytes written into the room given last.
    void add(qsizetype n) { used_ += n; }

    qsizetype size() const { return used_; }
    // Whether a piece that already holds something would grow past the piece
    // size with `n` bytes more.
    bool wouldOverflow(qsizetype n) const { return used_ > 0 && used_ + n > pieceSize_; }
    // The piece as it stands, valid until the piece after the next is started.
    QByteArrayView piece() const { return QByteArrayView(buffers_[current_].constData(), used_); }

private:
    void grow(qsizetype size);

    QByteArray buffers_[2];
    qsizetype pieceSize_;
    qsizetype used_ = 0;
    int current_ = 1; // the first piece goes into buffer 0
    Wipe wipe_;
};

} // namespace kestrune::store
