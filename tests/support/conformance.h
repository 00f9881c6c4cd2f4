// conformance.h - replaying conformance scenarios through the public calls
// and comparing a frame's scene state with the expected one, exactly or by
// digest.
//
// A scenario is {"steps": [...]}, run against one new scene and one host
// CAMERA that starts all zero; each "render" step yields one FrameState.
#ifndef QUELM_TESTS_SUPPORT_CONFORMANCE_H
#define QUELM_TESTS_SUPPORT_CONFORMANCE_H

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "quelm.h"

namespace conformance {

using Json = nlohmann::json;

struct PointState {
    uint32_t visible;
    int32_t x, y;
    friend bool operator==(const PointState &, const PointState &) = default;
};

struct SurfaceState {
    uint32_t visible;
    int32_t numv;
    std::vector<int32_t> v;
    friend bool operator==(const SurfaceState &, const SurfaceState &) = default;
};

// One surface as handed to the rasteriser: clipped or not, its colour and
// its screen points as copied before clipping.
struct CallState {
    int32_t clip;
    int32_t colour;
    std::vector<PointState> points;  // visible unused (0)
    friend bool operator==(const CallState &, const CallState &) = default;
};

constexpr size_t kPerspectiveDoubles = sizeof(VANTAGE) / sizeof(double);

struct CameraState {
    // Xcamera, Ycamera, Zcamera, Xtarget, Ytarget, Ztarget, Magnification, Xn, Yn, Zn
    double doubles[10];
    std::array<int32_t, 4> rect;  // RenderRect
};

struct FrameState {
    int64_t frame = 0;
    int32_t setview = 0;
    int32_t tally = 0, limit = 0;
    uint32_t settings = 0;
    int32_t nverts = 0, nedges = 0, npolys = 0;
    std::vector<PointState> points;
    std::vector<SurfaceState> polys;
    std::vector<uint32_t> acts;
    std::vector<CallState> calls;
    std::array<double, kPerspectiveDoubles> perspective{};
    CameraState camera{};
};

// Reads one line of an expected-state file.
FrameState FrameFromJson(const Json &frame);

// Runs a scenario; onFrame sees each rendered frame and returns false to stop.
// std::runtime_error (or nlohmann's errors) on a step it does not know or a
// scene that cannot be made.
void RunScenario(const Json &scenario,
                 const std::function<bool(const FrameState &)> &onFrame);

// A 64-bit digest of each part of a frame, over a canonical serialisation
// (doubles by their bits).
struct FrameDigest {
    int64_t frame = 0;
    int32_t setview = 0;
    std::array<uint64_t, 7> parts{};  // header, points, polys, acts, calls, perspective, camera
};
extern const char *const kDigestPartNames[7];

FrameDigest Digest(const FrameState &frame);
// One line: frame, setview and the parts in hex.
std::string FormatDigest(const FrameDigest &digest);
// Error on a malformed line.
FrameDigest ParseDigest(const std::string &line);

// The first difference in each part of the frame, one line each ("points[13]:
// expected [...], got [...]"); empty when the frames are identical.
std::vector<std::string> Differences(const FrameState &expected, const FrameState &actual);

// Reads a whole file; std::runtime_error when it cannot be read.
std::string ReadFile(const std::string &path);

// The scenarios under DIR/scenarios (NAME.json), sorted by name.
std::vector<std::string> ScenarioNames(const std::string &dir);
// DIR/digests/NAME.txt, one digest a frame.
std::vector<FrameDigest> ReadDigests(const std::string &dir, const std::string &name);
// DIR/scenarios/NAME.json.
Json ReadScenario(const std::string &dir, const std::string &name);

}  // namespace conformance

#endif
