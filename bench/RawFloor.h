#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The least work that loading and saving data.enc can take, in plain C++ with
// no Qt: what the program's figures are measured against.
namespace kestrune::bench {

struct RawVault {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::string_view master;
    std::vector<std::array<std::string_view, 3>> entries;
};

// read(2) of the whole file, the top bits flipped in place, split into lines
// at CR (an LF right after it skipped) and each entry line into three views at
// the "|||" separators. Returns false when the file cannot be read.
bool loadRaw(const std::string& path, RawVault& vault);

// Writes `bytes` to a temporary file in the same folder with write(2), syncs it
// with `syncCall` (the same call the program's save makes) and renames it over
// `path`. Returns false on any failure.
enum class SyncCall { Fsync, Fdatasync };
bool saveRaw(const std::string& path, std::string_view bytes, SyncCall syncCall);

} // namespace kestrune::bench
