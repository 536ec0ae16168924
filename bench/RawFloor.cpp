#include "RawFloor.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune::bench {

bool loadRaw(const std::string& path, RawVault& vault) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return false;
    }
    const auto size = std::size_t(info.st_size);
    vault.bytes.reset(new char[size]);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, vault.bytes.get() + done, size - done);
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += std::size_t(n);
    }
    ::close(fd);
    vault.size = size;

    char* data = vault.bytes.get();
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        word ^= 0x8080808080808080ULL;
        std::memcpy(data + i, &word, 8);
    }
    for (; i < size; ++i) {
        data[i] = char(static_cast<unsigned char>(data[i]) ^ 0x80U);
    }

    // The line ends are written as they are, not encoded, so after the flip a
    // CR LF reads as 8D 8A.
    constexpr char kFlippedCR = char(0x8D);
    constexpr char kFlippedLF = char(0x8A);
    vault.entries.clear();
    const std::string_view all(data, size);
    std::size_t p = 0;
    bool first = true;
    while (p < size) {
        std::size_t cr = all.find(kFlippedCR, p);
        if (cr == std::string_view::npos) {
            cr = size;
        }
        const std::string_view line = all.substr(p, cr - p);
        p = cr + 1;
        if (p < size && all[p] == kFlippedLF) {
            ++p;
        }
        if (first) {
            vault.master = line;
            first = false;
            continue;
        }
        if (line.empty() || line == " ") {
            continue;
        }
        std::array<std::string_view, 3> fields{};
        std::size_t from = 0;
        for (std::size_t f = 0; f < 3; ++f) {
            const std::size_t hit = line.find("|||", from);
            const std::size_t to = hit == std::string_view::npos ? line.size() : hit;
            fields[f] = line.substr(from, to - from);
            if (hit == std::string_view::npos) {
                break;
            }
            from = hit + 3;
        }
        vault.entries.push_back(fields);
    }
    return true;
}

bool saveRaw(const std::string& path, std::string_view bytes, SyncCall syncCall) {
    const std::string temporary = path + ".floor-tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            ::close(fd);
            ::unlink(temporary.c_str());
            return false;
        }
        done += std::size_t(n);
    }
    const int synced = syncCall == SyncCall::Fsync ? ::fsync(fd) : ::fdatasync(fd);
    if (::close(fd) != 0 || synced != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace kestrune::bench
