// Runs a fuzz target's body over stored inputs without libFuzzer, so that
// every test run (with any compiler and the sanitizers of its build) replays
// the corpus: each argument is a file or a folder of files. A fault aborts
// through the sanitizers; an input that cannot be read fails the run.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
bool Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}
} // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (std::filesystem::is_directory(argv[i], error)) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s FILE|FOLDER...: no input given\n", argv[0]);
        return 2;
    }
    // Sorted, so that a fault shows up at the same input every time.
    std::sort(files.begin(), files.end());
    for (const auto& file : files)
        if (!Replay(file))
            return 1;
    std::printf("%zu inputs replayed\n", files.size());
    return 0;
}
