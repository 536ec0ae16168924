// Runs the inputs of a fuzz target without libFuzzer: every file named on the
// command line, and every file under every folder named there, in name order,
// goes once through LLVMFuzzerTestOneInput. A failed property aborts, so CTest
// sees the failure; so does finding no input at all. Used in every build, with
// or without clang, so that the seed corpus and the saved regression inputs
// are checked on each test run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

namespace {

bool collect(const fs::path& path, std::vector<fs::path>& files) {
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        files.push_back(path);
        return true;
    }
    if (!fs::exists(path, error)) {
        // A target without saved regression inputs has no folder for them.
        std::fprintf(stderr, "replay: no such file or folder, skipped: %s\n",
                     path.string().c_str());
        return true;
    }
    std::vector<fs::path> found;
    for (const auto& item : fs::recursive_directory_iterator(path, error)) {
        if (item.is_regular_file()) {
            found.push_back(item.path());
        }
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
    return !error;
}

} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::vector<fs::path> files;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        ok = collect(argv[i], files) && ok;
    }
    if (!ok || files.empty()) {
        std::fprintf(stderr, "replay: nothing to run\n");
        return 2;
    }
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "replay: cannot read %s\n", file.string().c_str());
            return 2;
        }
        std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.string().c_str(), bytes.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::fprintf(stderr, "replay: %zu inputs, all properties held\n", files.size());
    return 0;
}
