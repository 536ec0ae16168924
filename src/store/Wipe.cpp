#include "store/Wipe.h"

#include <sodium.h>

namespace kestrune::store {

void wipeBytes(void* data, std::size_t size) {
    if (data != nullptr && size > 0) {
        sodium_memzero(data, size);
    }
}

void wipe(QByteArray& bytes) {
    if (!bytes.isEmpty() && bytes.isDetached()) {
        wipeBytes(bytes.data(), std::size_t(bytes.size()));
    }
    bytes.clear();
}

void wipe(QString& text) {
    if (!text.isEmpty() && text.isDetached()) {
        wipeBytes(text.data(), std::size_t(text.size()) * sizeof(QChar));
    }
    text.clear();
}

} // namespace kestrune::store
