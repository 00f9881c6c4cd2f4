// Replays a fuzz target's seed corpus and the inputs of the crashes it has
// found (tests/data/regressions/<target>, often none) through the ordinary
// build, so that every fixed crash stays fixed.  The target's own checks
// abort on a broken promise, which fails the test; each input is handed over
// in a buffer of exactly its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsIn(const fs::path &folder) {
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto &entry : fs::directory_iterator(folder))
            if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(QUELM_FUZZ_SUITE, SeedsAndCrashRegressions) {
    std::vector<fs::path> files = InputsIn(QUELM_FUZZ_CORPUS);
    ASSERT_FALSE(files.empty()) << "no seeds in " << QUELM_FUZZ_CORPUS;
    const std::vector<fs::path> crashes = InputsIn(QUELM_FUZZ_REGRESSIONS);
    files.insert(files.end(), crashes.begin(), crashes.end());
    for (const fs::path &file : files) {
        std::ifstream in(file, std::ios::binary);
        ASSERT_TRUE(in) << file;
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        // The target aborts on a failed check: name the input first.
        std::fprintf(stderr, "replaying %s\n", file.c_str());
        const auto exact = std::make_unique<uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), exact.get());
        LLVMFuzzerTestOneInput(exact.get(), bytes.size());
    }
}

}  // namespace
