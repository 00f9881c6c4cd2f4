// Soak: a long, random but seeded camera path across the stadium (low over
// the grass, high above the sky, inside the goal frames, through the stands
// and the ground so that surfaces cross the near plane, target-only moves
// that pan), drawn with the real rasteriser into a bitmap of exactly its
// size, with scenes and cameras made and destroyed, settings switched and
// frame timings reported along the way.
//
// After every frame: no allocation, the scene's counts within its pools,
// divided points within the rasteriser's reach, the bitmap's row padding
// untouched.  At the end the heap is back where it started.
//
// QUELM_SOAK_FRAMES sets the length (3000 by default, 100000 for the long
// run) and QUELM_SOAK_SEED the path.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/model.h"
#include "quelm_globalmem.h"
#include "quelm.h"

namespace {

constexpr int kWidth = 97;  // odd, so that rows carry padding
constexpr int kHeight = 61;
constexpr int kStride = (kWidth + 3) & ~3;
constexpr uint8_t kPadding = 0xA5;
constexpr int32_t kScreenLimit = 15000;
constexpr int kSceneSlots = 2;

long EnvNumber(const char *name, long fallback) {
    const char *text = std::getenv(name);
    if (!text || !*text) return fallback;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (*end == '\0' && value > 0) ? value : fallback;
}

struct Point {
    double x, y, z;
};

Point Lerp(const Point &a, const Point &b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

// Kinds of path segment.
enum class Leg { kLow, kHigh, kGoal, kThroughSurfaces, kPan, kSpin };
constexpr Leg kLegs[] = {Leg::kLow, Leg::kHigh, Leg::kGoal, Leg::kThroughSurfaces, Leg::kPan,
                         Leg::kSpin};

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        startBlocks = QuelmGlobalBlocksLive();
        header.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
        BITMAPINFOHEADER &h = Info()->bmiHeader;
        h.biSize = sizeof(BITMAPINFOHEADER);
        h.biWidth = kWidth;
        h.biHeight = kHeight;
        h.biPlanes = 1;
        h.biBitCount = 8;
        h.biClrUsed = 256;
        // Exactly the bitmap's bytes, so that the sanitizers see any overrun.
        bits = std::make_unique<uint8_t[]>(kStride * kHeight);
        std::fill(bits.get(), bits.get() + kStride * kHeight, kPadding);
        host.View = VIEW_DOLLY;
        host.RenderRect = {0, 0, kWidth - 1, kHeight - 1};
        host.Magnification = 0.02;
    }

    void TearDown() override {
        if (spin) DestroyCamera(spin);
        for (SCENE *&s : scenes) DestroyScene(s);
    }

    BITMAPINFO *Info() { return reinterpret_cast<BITMAPINFO *>(header.data()); }

    double Uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); }
    int Below(int n) { return std::uniform_int_distribution<>(0, n - 1)(rng); }
    bool Chance(int oneIn) { return Below(oneIn) == 0; }

    Point AnywhereIn(double halfX, double halfY, double zLo, double zHi) {
        return {Uniform(-halfX, halfX), Uniform(-halfY, halfY), Uniform(zLo, zHi)};
    }

    // Start and end of the camera and the target for one leg.
    void PlanLeg(Leg leg) {
        const Point field = AnywhereIn(900, 2200, 0, 0);
        switch (leg) {
        case Leg::kLow:
        case Leg::kSpin:  // the host's camera flies low while no spin camera lives
            from = AnywhereIn(1500, 2600, 2, 60);
            to = AnywhereIn(1500, 2600, 2, 60);
            targetFrom = field;
            targetTo = AnywhereIn(900, 2200, 0, 40);
            break;
        case Leg::kHigh:
            from = AnywhereIn(5000, 6000, 3000, 12000);
            to = AnywhereIn(5000, 6000, 3000, 12000);
            targetFrom = targetTo = field;
            break;
        case Leg::kGoal: {
            // Among the posts and under the crossbar of one end's frame.
            const double end = Chance(2) ? 1 : -1;
            from = {Uniform(-150, 150), end * Uniform(2150, 2270), Uniform(1, 130)};
            to = {Uniform(-150, 150), end * Uniform(2150, 2270), Uniform(1, 130)};
            targetFrom = field;
            targetTo = {Uniform(-300, 300), end * Uniform(2100, 2300), Uniform(0, 360)};
            break;
        }
        case Leg::kThroughSurfaces:
            // Out through the stands and the sky, or down through the ground.
            from = AnywhereIn(1500, 2500, 20, 600);
            to = Chance(2) ? Point{Uniform(-6000, 6000), Uniform(-7000, 7000), Uniform(-300, 8000)}
                           : Point{from.x + Uniform(-200, 200), from.y + Uniform(-200, 200),
                                   -Uniform(1, 200)};
            targetFrom = field;
            targetTo = AnywhereIn(900, 2200, 0, 100);
            break;
        case Leg::kPan:
            from = to = AnywhereIn(3000, 4000, 40, 3000);
            targetFrom = field;
            targetTo = {field.x + Uniform(-400, 400), field.y + Uniform(-400, 400), 0};
            break;
        }
    }

    // Scenes, cameras, settings and timings change now and then.
    void Disturb(Leg leg) {
        if (Chance(400)) {
            SCENE *&slot = scenes[Below(kSceneSlots)];
            if (slot) {
                DestroyScene(slot);
                slot = nullptr;
            } else {
                slot = InitScene();
                ASSERT_NE(slot, nullptr);
            }
        }
        if (Chance(300)) {
            if (spin) {
                DestroyCamera(spin);
                spin = nullptr;
            } else {
                spin = InitCamera(VIEW_SPIN);
                ASSERT_NE(spin, nullptr);
                spin->RenderRect = {0, 0, kWidth - 1, kHeight - 1};
                auto *record = static_cast<SPINDEMO_VIEW *>(spin->Control);
                ASSERT_NE(record, nullptr);
                record->CameraStep = Below(301) - 150;
                record->TargetStep = Below(601) - 300;
                record->CameraRadius = Below(9000);
                record->CameraHeight = Below(4000) - 200;
                record->Magnification = Uniform(0.005, 0.2);
            }
        }
        for (SCENE *scene : scenes) {
            if (!scene) continue;
            // Pans come with slow frames, which allow them in a row.
            if (leg == Leg::kPan && Chance(3))
                RenderRate(scene, 10, 20);
            else if (Chance(20))
                RenderRate(scene, 10, Below(3) * 10);
            if (Chance(500)) {
                constexpr uint32_t kToggled[] = {PLAN_MEDIUM, PLAN_FAR, PLAN_NEAR,
                                                 PLAN_FINE | PLAN_COARSE, PLAN_STANDS};
                const uint32_t bits = kToggled[Below(5)];
                if (GetSceneSetting(scene, int32_t(bits)))
                    ResetSceneSetting(scene, int32_t(bits));
                else
                    SetSceneSetting(scene, int32_t(bits));
            }
        }
    }

    ::testing::AssertionResult AfterFrame(const SCENE &s) const {
        if (s.iScreenNumVerts < 0 || s.iScreenNumVerts > QUELM_MAX_VERTICES ||
            s.iScreenNumEdges < 0 || s.iScreenNumEdges > QUELM_MAX_EDGES ||
            s.iScreenNumPolygons < 0 || s.iScreenNumPolygons > QUELM_MAX_POLYGONS)
            return ::testing::AssertionFailure()
                   << "counts " << s.iScreenNumVerts << " points, " << s.iScreenNumEdges
                   << " edges, " << s.iScreenNumPolygons << " polygons";
        for (int32_t i = 0; i < s.iScreenNumPolygons; ++i) {
            const POLYGONLIST &p = s.ScenePolygonList[i];
            if (!(p.visible & VIS_DRAW)) continue;
            if (p.numv < 2 || p.numv > QUELM_MAX_POLYGON_VERTICES)
                return ::testing::AssertionFailure() << "surface " << i << " drawn with "
                                                     << p.numv << " corners";
            for (int32_t j = 0; j < p.numv; ++j)
                if (p.v[j] < 0 || p.v[j] >= s.iScreenNumVerts)
                    return ::testing::AssertionFailure()
                           << "surface " << i << " names point " << p.v[j];
        }
        // Rapid pans shift what the last reprojection divided; a frame of
        // its own (tally 0) has every divided point within reach.
        if (s.iRapidPansTally == 0) {
            for (int32_t i = 0; i < s.iScreenNumVerts; ++i) {
                if (!(s.PointList[i].visible & PT_DIVIDE)) continue;
                const sSPOINT &sp = s.ScreenPointList[i];
                if (std::abs(sp.x) > kScreenLimit || std::abs(sp.y) > kScreenLimit)
                    return ::testing::AssertionFailure() << "point " << i << " divided to ("
                                                         << sp.x << ", " << sp.y << ")";
            }
        }
        for (int y = 0; y < kHeight; ++y)
            for (int x = kWidth; x < kStride; ++x)
                if (bits[y * kStride + x] != kPadding)
                    return ::testing::AssertionFailure() << "padding of row " << y << " written";
        return ::testing::AssertionSuccess();
    }

    std::mt19937_64 rng;
    long startBlocks = 0;
    std::vector<uint8_t> header;
    std::unique_ptr<uint8_t[]> bits;
    CAMERA host{};
    CAMERA *spin = nullptr;
    std::array<SCENE *, kSceneSlots> scenes{};
    Point from{}, to{}, targetFrom{}, targetTo{};
};

TEST_F(Soak, CameraPathAcrossTheStadium) {
    const long frames = EnvNumber("QUELM_SOAK_FRAMES", 3000);
    const long seed = EnvNumber("QUELM_SOAK_SEED", 19930412);
    rng.seed(static_cast<uint64_t>(seed));
    scenes[0] = InitScene();
    ASSERT_NE(scenes[0], nullptr);

    long drawnFrames = 0, pannedFrames = 0, cutFrames = 0, legs = 0;
    for (long frame = 0; frame < frames;) {
        const Leg leg = kLegs[Below(static_cast<int>(std::size(kLegs)))];
        const long length = std::min<long>(20 + Below(180), frames - frame);
        PlanLeg(leg);
        host.Magnification = leg == Leg::kHigh ? Uniform(0.005, 0.05) : Uniform(0.01, 0.6);
        ++legs;
        for (long step = 0; step < length; ++step, ++frame) {
            ASSERT_NO_FATAL_FAILURE(Disturb(leg));
            const double t = double(step) / double(length);
            CAMERA *camera = &host;
            if (leg == Leg::kSpin && spin) {
                UpdateCamera(spin);
                camera = spin;
            } else {
                const Point eye = Lerp(from, to, t), target = Lerp(targetFrom, targetTo, t);
                host.Xcamera = eye.x;
                host.Ycamera = eye.y;
                host.Zcamera = eye.z;
                host.Xtarget = target.x;
                host.Ytarget = target.y;
                host.Ztarget = target.z;
            }
            for (SCENE *scene : scenes) {
                if (!scene) continue;
                const long allocations = QuelmGlobalAllocations();
                RenderScene(Info(), bits.get(), camera, scene);
                ASSERT_EQ(QuelmGlobalAllocations(), allocations) << "frame " << frame;
                ASSERT_TRUE(AfterFrame(*scene))
                    << "frame " << frame << " (seed " << seed << "), camera (" << camera->Xcamera
                    << ", " << camera->Ycamera << ", " << camera->Zcamera << ") target ("
                    << camera->Xtarget << ", " << camera->Ytarget << ", " << camera->Ztarget
                    << ")";
                drawnFrames += PolygonSceneFirstSurface(scene) != 0;
                pannedFrames += scene->iRapidPansTally != 0;
                cutFrames += scene->iScreenNumVerts > Model->iNumVerts;
            }
        }
    }
    std::printf("soak: seed %ld, %ld frames in %ld legs: %ld scene frames drew, %ld panned, %ld cut\n",
                seed, frames, legs, drawnFrames, pannedFrames, cutFrames);
    // The path is mostly over the stadium: most frames draw something, some
    // are rapid pans and some cut surfaces at the near plane.
    EXPECT_GT(drawnFrames, frames / 2) << legs << " legs";
    EXPECT_GT(pannedFrames, frames / 100);
    EXPECT_GT(cutFrames, frames / 100);

    if (spin) DestroyCamera(spin);
    spin = nullptr;
    for (SCENE *&s : scenes) {
        DestroyScene(s);
        s = nullptr;
    }
    EXPECT_EQ(Model, nullptr);
    EXPECT_EQ(QuelmGlobalBlocksLive(), startBlocks);
}

}  // namespace
