#include "store/SealedLayout.h"

#include <algorithm>
#include <cstring>

namespace kestrune::store {

namespace {

static_assert(sizeof(kSealedFirstLine) - 1 + 2 == kSealedFirstLineSize);
static_assert(kSealedFirstLineSize + 1 + 4 + 4 + 4 + kKeySaltSize + 24 == kSealedHeaderSize);

QByteArrayView firstLineWithEnd() {
    return QByteArrayView("KESTRUNE SEALED 1\r\n", kSealedFirstLineSize);
}

void putU32(unsigned char* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

std::uint32_t getU32(const unsigned char* p) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= std::uint32_t(p[i]) << (8 * i);
    }
    return value;
}

} // namespace

DataFileKind kindOfDataFile(QByteArrayView start) {
    const QByteArrayView line = firstLineWithEnd();
    if (start.startsWith(line)) {
        return DataFileKind::Sealed;
    }
    // "KESTRUNE SEALED " and a number other than 1, then CR LF.
    const QByteArrayView prefix = line.first(16);
    if (start.startsWith(prefix)) {
        const QByteArrayView rest = start.sliced(prefix.size());
        qsizetype digits = 0;
        while (digits < rest.size() && digits < 9 && rest[digits] >= '0' && rest[digits] <= '9') {
            ++digits;
        }
        if (digits > 0 && rest.sliced(digits).startsWith("\r\n") &&
            rest.first(digits) != QByteArrayView("1")) {
            return DataFileKind::SealedOtherVersion;
        }
    }
    // A line that differs from the sealed first line in a few bytes is a
    // sealed file whose start was damaged: a written file would need a master
    // password of nearly these accented letters to start like this.
    const qsizetype compared = std::min(start.size(), line.size());
    if (compared >= 12) {
        qsizetype differing = 0;
        for (qsizetype i = 0; i < compared; ++i) {
            differing += start[i] != line[i] ? 1 : 0;
        }
        if (differing <= 3) {
            return DataFileKind::SealedDamaged;
        }
    }
    return DataFileKind::Written;
}

QByteArray SealedHeader::bytes() const {
    QByteArray out(kSealedHeaderSize, Qt::Uninitialized);
    auto* p = reinterpret_cast<unsigned char*>(out.data());
    std::memcpy(p, firstLineWithEnd().data(), kSealedFirstLineSize);
    p += kSealedFirstLineSize;
    p[0] = algorithm;
    putU32(p + 1, limits.opslimit);
    putU32(p + 5, limits.memlimitKiB);
    putU32(p + 9, chunkSize);
    std::memcpy(p + 13, salt.data(), salt.size());
    std::memcpy(p + 13 + salt.size(), stream.data(), stream.size());
    return out;
}

SealedHeader SealedHeader::parse(QByteArrayView bytes) {
    SealedHeader header;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + kSealedFirstLineSize;
    header.algorithm = p[0];
    header.limits.opslimit = getU32(p + 1);
    header.limits.memlimitKiB = getU32(p + 5);
    header.chunkSize = getU32(p + 9);
    std::memcpy(header.salt.data(), p + 13, header.salt.size());
    std::memcpy(header.stream.data(), p + 13 + header.salt.size(), header.stream.size());
    return header;
}

bool SealedHeader::acceptable() const {
    return algorithm == kSealedAlgorithm && limits.opslimit >= kMinOpslimit &&
           limits.opslimit <= kMaxOpslimit && limits.memlimitKiB >= kMinMemlimitKiB &&
           limits.memlimitKiB <= kMaxMemlimitKiB && chunkSize >= kMinChunkSize &&
           chunkSize <= kMaxChunkSize;
}

} // namespace kestrune::store
