// Soak: a long, seeded camera path across the stadium (low over the grass,
// high above the sky, through the stands and the ground, target-only pans),
// drawn with the real rasteriser into a bitmap of exactly its size, scenes
// remade and settings switched on the way: the row padding stays untouched,
// the path keeps drawing and the heap comes back to where it started.
// QUELM_SOAK_FRAMES sets the length (3000; 100000 for the long run),
// QUELM_SOAK_SEED the path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "model/model.h"
#include "quelm_globalmem.h"
#include "quelm.h"

namespace {

constexpr int kWidth = 97;  // odd, so that rows carry padding
constexpr int kHeight = 61;
constexpr int kStride = (kWidth + 3) & ~3;
constexpr uint8_t kPadding = 0xA5;

long EnvNumber(const char *name, long fallback) {
    const char *text = std::getenv(name);
    const long value = text ? std::strtol(text, nullptr, 10) : 0;
    return value > 0 ? value : fallback;
}

TEST(Soak, CameraPathAcrossTheStadium) {
    const long frames = EnvNumber("QUELM_SOAK_FRAMES", 3000);
    const long seed = EnvNumber("QUELM_SOAK_SEED", 19930412);
    std::mt19937_64 rng(static_cast<uint64_t>(seed));
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
    auto chance = [&](int oneIn) { return std::uniform_int_distribution<>(0, oneIn - 1)(rng) == 0; };

    const long startBlocks = QuelmGlobalBlocksLive();
    std::vector<uint8_t> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto *info = reinterpret_cast<BITMAPINFO *>(header.data());
    info->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 8, 0, 0, 0, 0, 256, 0};
    const auto bits = std::make_unique<uint8_t[]>(kStride * kHeight);  // exactly, for the sanitizers
    std::fill(bits.get(), bits.get() + kStride * kHeight, kPadding);
    CAMERA camera{};
    camera.View = VIEW_DOLLY;
    camera.RenderRect = {0, 0, kWidth - 1, kHeight - 1};
    SCENE *scene = InitScene();
    ASSERT_NE(scene, nullptr);

    long drawn = 0, panned = 0, cut = 0;
    double from[3] = {}, to[3] = {}, target[3] = {}, targetTo[3] = {};
    for (long frame = 0, left = 0, length = 1; frame < frames; ++frame, --left) {
        if (left == 0) {
            // A new leg: low, high, through the ground or stands, or a pan.
            length = left = 20 + static_cast<long>(uniform(0, 180));
            const double height = chance(3) ? uniform(3000, 12000) : uniform(-300, 600);
            const double reach = chance(2) ? 2600 : 7000;
            for (int i = 0; i < 3; ++i) {
                from[i] = i < 2 ? uniform(-reach, reach) : uniform(2, 60);
                to[i] = i < 2 ? uniform(-reach, reach) : height;
                target[i] = i < 2 ? uniform(-900, 900) : 0;
                targetTo[i] = target[i] + uniform(-400, 400);
            }
            if (chance(4)) {
                std::copy(from, from + 3, to);  // target only: rapid pans
                RenderRate(scene, 10, 20);
            }
            camera.Magnification = uniform(0.01, 0.6);
        }
        if (chance(500)) {
            DestroyScene(scene);
            scene = InitScene();
            ASSERT_NE(scene, nullptr);
        }
        if (chance(300)) SetSceneSetting(scene, PLAN_FAR);
        if (chance(300)) ResetSceneSetting(scene, PLAN_FAR | PLAN_FINE);
        const double t = double(length - left) / double(length);
        camera.Xcamera = from[0] + (to[0] - from[0]) * t;
        camera.Ycamera = from[1] + (to[1] - from[1]) * t;
        camera.Zcamera = from[2] + (to[2] - from[2]) * t;
        camera.Xtarget = target[0] + (targetTo[0] - target[0]) * t;
        camera.Ytarget = target[1] + (targetTo[1] - target[1]) * t;
        RenderScene(info, bits.get(), &camera, scene);
        drawn += PolygonSceneFirstSurface(scene) != 0;
        panned += scene->iRapidPansTally != 0;
        cut += scene->iScreenNumVerts > Model->iNumVerts;
        for (int y = 0; y < kHeight; ++y)
            for (int x = kWidth; x < kStride; ++x)
                ASSERT_EQ(bits[y * kStride + x], kPadding) << "row " << y << ", frame " << frame
                                                           << " (seed " << seed << ")";
    }
    // The path keeps doing what it claims.
    EXPECT_GT(drawn, frames / 2);
    EXPECT_GT(panned, 0);
    EXPECT_GT(cut, 0);
    DestroyScene(scene);
    EXPECT_EQ(Model, nullptr);
    EXPECT_EQ(QuelmGlobalBlocksLive(), startBlocks);
}

}  // namespace
