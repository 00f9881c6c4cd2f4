// conformance_diff - replays conformance scenarios and compares each frame
// with the full expected state, printing the first difference field by
// field; or regenerates the per-frame digests that conformance_run checks.
//
//   conformance_diff [--write-digests] [--expected DIR] [--out DIR] [--all] [NAME ...]
//
// DIR holds expected/NAME.jsonl.gz (default: ../shared/conformance beside the
// sources); without names, every scenario in data/conformance/scenarios.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/conformance.h"

namespace {

namespace fs = std::filesystem;
using conformance::FrameState;


struct Options {
    fs::path expected = QUELM_EXPECTED_DIR;
    fs::path out = fs::path(QUELM_CONFORMANCE_DIR) / "digests";
    bool writeDigests = false;
    bool all = false;  // every differing frame, not just the first
    std::vector<std::string> names;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Options ParseArguments(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--expected" || a == "--out") {
            if (i + 1 >= argc) throw UsageError(std::string(a) + " needs a folder");
            (a == "--out" ? o.out : o.expected) = argv[++i];
        } else if (a == "--write-digests") {
            o.writeDigests = true;
        } else if (a == "--all") {
            o.all = true;
        } else if (a.starts_with("-")) {
            throw UsageError("unknown option " + std::string(a));
        } else {
            o.names.emplace_back(a);
        }
    }
    if (o.names.empty()) {
        o.names = conformance::ScenarioNames(QUELM_CONFORMANCE_DIR);
    }
    return o;
}

// The expected file's frames, one line each.
std::vector<FrameState> ReadExpected(const fs::path &dir, const std::string &name) {
    const fs::path path = dir / "expected" / (name + ".jsonl.gz");
    gzFile in = gzopen(path.string().c_str(), "rb");
    if (!in) throw std::runtime_error("cannot open " + path.string());
    std::string text;
    std::vector<char> chunk(1 << 20);
    int n;
    while ((n = gzread(in, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0)
        text.append(chunk.data(), static_cast<size_t>(n));
    int err = Z_OK;
    const std::string why = n < 0 ? gzerror(in, &err) : "";
    gzclose(in);
    if (n < 0) throw std::runtime_error(path.string() + ": " + why);
    std::vector<FrameState> frames;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) frames.push_back(conformance::FrameFromJson(conformance::Json::parse(line)));
    return frames;
}

void WriteDigests(const Options &o, const std::string &name) {
    const std::vector<FrameState> frames = ReadExpected(o.expected, name);
    fs::create_directories(o.out);
    const fs::path path = o.out / (name + ".txt");
    std::ofstream out(path, std::ios::binary);
    for (const FrameState &frame : frames)
        out << conformance::FormatDigest(conformance::Digest(frame)) << '\n';
    if (!out) throw std::runtime_error("cannot write " + path.string());
    std::printf("%s: %zu frames\n", name.c_str(), frames.size());
}

// True when every frame matches.
bool Compare(const Options &o, const std::string &name) {
    const std::vector<FrameState> expected = ReadExpected(o.expected, name);
    const conformance::Json scenario = conformance::ReadScenario(QUELM_CONFORMANCE_DIR, name);
    size_t frames = 0, bad = 0;
    conformance::RunScenario(scenario, [&](const FrameState &actual) {
        if (frames >= expected.size()) {
            std::printf("%s: frame %zu is beyond the %zu expected\n", name.c_str(), frames,
                        expected.size());
            ++bad;
            return false;
        }
        const FrameState &want = expected[frames++];
        const std::vector<std::string> diffs = conformance::Differences(want, actual);
        if (diffs.empty()) return true;
        ++bad;
        std::printf("%s frame %lld (setview expected %d):\n", name.c_str(),
                    static_cast<long long>(want.frame), want.setview);
        for (const std::string &d : diffs) std::printf("  %s\n", d.c_str());
        return o.all;
    });
    if (bad == 0 && frames != expected.size())
        std::printf("%s: %zu frames rendered, %zu expected\n", name.c_str(), frames, expected.size());
    else if (bad == 0)
        std::printf("%s: all %zu frames match\n", name.c_str(), frames);
    return bad == 0 && frames == expected.size();
}

}  // namespace

int main(int argc, char **argv) {
    try {
        const Options o = ParseArguments(argc, argv);
        // The library finds quelm.bmp through QUELM_DATA; default to this build's.
#ifdef _WIN32
        if (!std::getenv("QUELM_DATA")) _putenv_s("QUELM_DATA", QUELM_TEST_DATA);
#else
        setenv("QUELM_DATA", QUELM_TEST_DATA, 0);
#endif
        bool ok = true;
        for (const std::string &name : o.names) {
            if (o.writeDigests)
                WriteDigests(o, name);
            else
                ok = Compare(o, name) && ok;
        }
        return ok ? 0 : 1;
    } catch (const UsageError &e) {
        std::fprintf(stderr,
                     "conformance_diff: %s\nusage: conformance_diff [--write-digests] "
                     "[--expected DIR] [--out DIR] [--all] [NAME ...]\n",
                     e.what());
        return 2;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "conformance_diff: %s\n", e.what());
        return 2;
    }
}
