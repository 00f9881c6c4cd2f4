// Replays a fuzz target's seed corpus and the inputs of the crashes it has
// found (tests/data/regressions/<target>) through the ordinary build, so
// that every fixed crash stays fixed.  The target's own checks abort on a
// broken promise (and the sanitizer build reports what the sanitizers see),
// which fails the test; each input is handed over in a buffer of exactly its
// size.
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

void Replay(const fs::path &file) {
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

TEST(QUELM_FUZZ_SUITE, SeedCorpus) {
    const auto files = InputsIn(QUELM_FUZZ_CORPUS);
    ASSERT_FALSE(files.empty()) << "no seeds in " << QUELM_FUZZ_CORPUS;
    for (const fs::path &file : files) Replay(file);
}

TEST(QUELM_FUZZ_SUITE, CrashRegressions) {
    const auto files = InputsIn(QUELM_FUZZ_REGRESSIONS);
    if (files.empty()) GTEST_SKIP() << "no crash inputs kept in " << QUELM_FUZZ_REGRESSIONS;
    for (const fs::path &file : files) Replay(file);
}

}  // namespace
