// conformance_run DIR - replays every scenario under DIR/scenarios through
// the public calls (with the recording rasteriser) and compares each frame's
// scene state, by digest, with DIR/digests, the frames an independent
// implementation produced.  One line per scenario, then "N passed, N failed";
// a plain program, so that it runs natively, under Wine and in WebAssembly.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tests/support/conformance.h"

namespace {

using conformance::FrameDigest;
using conformance::FrameState;

// Empty when every frame matches, else what differs first.
std::string Check(const std::string &dir, const std::string &name) {
    const std::vector<FrameDigest> expected = conformance::ReadDigests(dir, name);
    if (expected.empty()) return "no digests";
    std::string failure;
    size_t frames = 0;
    conformance::RunScenario(conformance::ReadScenario(dir, name), [&](const FrameState &state) {
        if (frames >= expected.size()) {
            failure = "more frames than the " + std::to_string(expected.size()) + " expected";
            return false;
        }
        const FrameDigest &want = expected[frames++];
        const FrameDigest got = conformance::Digest(state);
        std::string parts;
        for (size_t i = 0; i < want.parts.size(); ++i)
            if (got.parts[i] != want.parts[i]) parts += std::string(" ") + conformance::kDigestPartNames[i];
        if (want.frame != state.frame) parts += " frame";
        if (parts.empty()) return true;
        // Later frames follow from this one: the first mismatch says it all.
        failure = "frame " + std::to_string(state.frame) + " (SetView " + std::to_string(want.setview) +
                  ", got " + std::to_string(got.setview) + ") differs in:" + parts;
        return false;
    });
    if (failure.empty() && frames != expected.size())
        failure = std::to_string(frames) + " frames rendered, " + std::to_string(expected.size()) + " expected";
    return failure;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: conformance_run DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    int passed = 0, failed = 0;
    try {
        const std::vector<std::string> names = conformance::ScenarioNames(dir);
        if (names.empty()) {
            std::fprintf(stderr, "conformance_run: no scenarios under %s/scenarios\n", dir.c_str());
            return 1;
        }
        for (const std::string &name : names) {
            std::string failure;
            try {
                failure = Check(dir, name);
            } catch (const std::exception &e) {
                failure = e.what();
            }
            if (failure.empty()) {
                ++passed;
                std::printf("ok     %s\n", name.c_str());
            } else {
                ++failed;
                std::printf("FAILED %s: %s; conformance_diff %s shows the values\n", name.c_str(),
                            failure.c_str(), name.c_str());
            }
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "conformance_run: %s\n", e.what());
        return 1;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
