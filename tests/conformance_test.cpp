// Conformance: every scenario under data/conformance/scenarios replayed through
// the public calls (with the recording rasteriser), each frame's whole scene
// state compared, by digest, with that of an independent implementation.
// conformance_diff shows the values behind a mismatch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/conformance.h"
#include "tests/support/json.h"

namespace {

namespace fs = std::filesystem;
using conformance::FrameDigest;
using conformance::FrameState;

const fs::path kDataDir = QUELM_CONFORMANCE_DIR;

std::vector<std::string> ScenarioNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(kDataDir / "scenarios", ec))
        if (entry.path().extension() == ".json") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<FrameDigest> ReadDigests(const std::string &name) {
    std::vector<FrameDigest> digests;
    std::istringstream lines(conformance::ReadFile((kDataDir / "digests" / (name + ".txt")).string()));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) digests.push_back(conformance::ParseDigest(line));
    return digests;
}

class ConformanceTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ConformanceTest, EveryFrameMatches) {
    const std::string &name = GetParam();
    const json::Value scenario = json::Parse(
        conformance::ReadFile((kDataDir / "scenarios" / (name + ".json")).string()));
    const std::vector<FrameDigest> expected = ReadDigests(name);
    ASSERT_FALSE(expected.empty());
    size_t frames = 0;
    conformance::RunScenario(scenario, [&](const FrameState &state) {
        if (frames >= expected.size()) {
            ADD_FAILURE() << name << ": more frames than the " << expected.size() << " expected";
            return false;
        }
        const FrameDigest &want = expected[frames++];
        const FrameDigest got = conformance::Digest(state);
        std::string parts;
        for (size_t i = 0; i < want.parts.size(); ++i)
            if (got.parts[i] != want.parts[i]) parts += std::string(" ") + conformance::kDigestPartNames[i];
        EXPECT_EQ(want.frame, state.frame);
        EXPECT_TRUE(parts.empty()) << name << " frame " << state.frame << " (SetView "
                                   << want.setview << ", got " << got.setview
                                   << ") differs in:" << parts << "; conformance_diff " << name
                                   << " shows the values";
        // Later frames follow from this one: the first mismatch says it all.
        return parts.empty();
    });
    if (!HasFailure()) {
        EXPECT_EQ(frames, expected.size()) << name << ": frames missing";
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ConformanceTest, ::testing::ValuesIn(ScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             std::string id = info.param;
                             for (char &c : id)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return id;
                         });

// Every stored scenario has its digests and the other way round.
TEST(ConformanceData, ScenariosAndDigestsPair) {
    const std::vector<std::string> names = ScenarioNames();
    EXPECT_GE(names.size(), 1u);
    std::vector<std::string> digests;
    for (const auto &entry : fs::directory_iterator(kDataDir / "digests"))
        digests.push_back(entry.path().stem().string());
    std::sort(digests.begin(), digests.end());
    EXPECT_EQ(names, digests);
}

// The reader and the digest must keep every bit that the comparison rests on.
TEST(ConformanceSupport, NumbersReadBackExactly) {
    const json::Value v = json::Parse(
        R"({"a": [-0.0, 0.0, 124.99999999999999, 5e-324, -1.4210854715202004e-14, 4294967295]})");
    const json::Value &a = v.At("a");
    EXPECT_TRUE(std::signbit(a.At(0).AsDouble()));
    EXPECT_FALSE(std::signbit(a.At(1).AsDouble()));
    EXPECT_EQ(a.At(2).AsDouble(), 124.99999999999999);
    EXPECT_NE(a.At(2).AsDouble(), 125.0);
    EXPECT_EQ(a.At(3).AsDouble(), 5e-324);
    EXPECT_EQ(a.At(4).AsDouble(), -1.4210854715202004e-14);
    EXPECT_EQ(a.At(5).AsInt(), 4294967295);
    EXPECT_THROW(a.At(2).AsInt(), json::Error);
}

TEST(ConformanceSupport, MalformedTextIsRefused) {
    for (const char *bad : {"", "{", "[1,]", "{\"a\" 1}", "[1] 2", "nul", "\"open", "[NaN]", "-"})
        EXPECT_THROW(json::Parse(bad), json::Error) << bad;
    EXPECT_THROW(json::Parse(std::string(100, '[') + std::string(100, ']')), json::Error);
}

TEST(ConformanceSupport, DigestTellsSignedZerosAndPartsApart) {
    FrameState a;
    a.points.push_back({9, 160, 100});
    FrameState b = a;
    b.perspective[0] = -0.0;
    const FrameDigest da = conformance::Digest(a), db = conformance::Digest(b);
    EXPECT_NE(da.parts[5], db.parts[5]);
    EXPECT_EQ(da.parts[1], db.parts[1]);
    ASSERT_EQ(conformance::Differences(a, b).size(), 1u);
    EXPECT_EQ(conformance::Differences(a, b)[0], "perspective.XPC: expected 0, got -0");
    const FrameDigest back = conformance::ParseDigest(conformance::FormatDigest(db));
    EXPECT_EQ(back.parts, db.parts);
    // One pixel off is another frame.
    b = a;
    b.points[0].x = 161;
    EXPECT_NE(conformance::Digest(b).parts[1], da.parts[1]);
}

}  // namespace
