// The frames the benchmarks time are the frames RenderScene draws: the
// recorded rasteriser calls, replayed, and the pixel runs, written with
// memset, each give back RenderScene's picture byte for byte.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "bench/support/bench_frame.h"

namespace {

using namespace quelm_bench;

int DrawnSurfaces(const SCENE *scene, int *clipped) {
    int drawn = 0;
    *clipped = 0;
    for (int32_t i = 0; i < scene->iScreenNumPolygons; ++i) {
        const uint32_t visible = scene->ScenePolygonList[i].visible;
        if (!(visible & VIS_DRAW)) continue;
        ++drawn;
        if (visible & VIS_CLIP) ++*clipped;
    }
    return drawn;
}

// A view at a size; an odd size makes rows of padded length.
struct ViewAndSize {
    const BenchView *view;
    BenchSize size;
};

// As CTest's test names show it: never a pointer, which changes every build.
void PrintTo(const ViewAndSize &c, std::ostream *os) {
    *os << c.view->name << " " << c.size.width << "x" << c.size.height;
}

class BenchFrameTest : public ::testing::TestWithParam<ViewAndSize> {};

TEST_P(BenchFrameTest, ReplayAndRunsRedrawTheRecordedPicture) {
    const BenchSize size = GetParam().size;
    for (const Loader loader : {Loader::kEdgeDriven, Loader::kVertex}) {
        ViewFrame f(*GetParam().view, size, loader);
        int clipped = 0;
        const int drawn = DrawnSurfaces(f.scene.get(), &clipped);
        ASSERT_EQ(int(f.recorded.calls.size()), drawn);
        int recordedClips = 0;
        for (const SurfaceCall &call : f.recorded.calls) recordedClips += call.clipped;
        EXPECT_EQ(recordedClips, clipped);

        Bitmap replayed(size.width, size.height);
        Replay(f.recorded, replayed);
        EXPECT_EQ(replayed.bits, f.bitmap.bits) << LoaderName(loader);

        Bitmap written(size.width, size.height);
        WriteRuns(f.runs, written.bits.data());
        EXPECT_EQ(written.bits, f.bitmap.bits) << LoaderName(loader);

        uint64_t pixels = 0;
        for (const PixelRun &run : f.runs) pixels += run.length;
        EXPECT_EQ(pixels, f.pixels);
        EXPECT_GE(f.pixels, uint64_t(size.width) * uint64_t(size.height) / 2)
            << "every view fills most of its picture";
    }
}

TEST_P(BenchFrameTest, MovesGiveACompleteReprojectionAndAPanAndReturn) {
    ViewFrame f(*GetParam().view, GetParam().size);
    const CAMERA start = f.camera;
    ASSERT_TRUE(f.ProjectPan());
    EXPECT_EQ(f.scene->iRapidPansTally, 1);
    EXPECT_NE(f.camera.Xtarget, start.Xtarget);
    f.ProjectComplete();
    EXPECT_EQ(f.scene->iRapidPansTally, 0);
    EXPECT_NE(f.camera.Xcamera, start.Xcamera);
    ASSERT_TRUE(f.ProjectPan());
    f.ProjectComplete();
    EXPECT_EQ(f.camera.Xcamera, start.Xcamera);
    EXPECT_EQ(f.camera.Xtarget, start.Xtarget);
}

// Pans timed one after another must not let the picture drift: every pan
// starts from a complete reprojection and lands where the first one did.
TEST_P(BenchFrameTest, PansDoNotDrift) {
    ViewFrame f(*GetParam().view, GetParam().size);
    auto panned = [&] {
        f.ProjectComplete();
        EXPECT_TRUE(f.ProjectPan());
        std::vector<int32_t> xy;
        for (int32_t i = 0; i < f.scene->iScreenNumVerts; ++i) {
            xy.push_back(f.scene->ScreenPointList[i].x);
            xy.push_back(f.scene->ScreenPointList[i].y);
        }
        return xy;
    };
    const std::vector<int32_t> first = panned();
    panned();  // the camera's other step
    EXPECT_EQ(panned(), first);
}

std::vector<ViewAndSize> ViewsAndSizes() {
    std::vector<ViewAndSize> cases;
    for (const BenchView &view : kViews)
        for (const BenchSize size : {BenchSize{320, 200}, BenchSize{643, 401}})
            cases.push_back({&view, size});
    return cases;
}

// Named after the view and the size, e.g. far_643x401.
INSTANTIATE_TEST_SUITE_P(Views, BenchFrameTest, ::testing::ValuesIn(ViewsAndSizes()),
                         [](const auto &info) {
                             const ViewAndSize &c = info.param;
                             return std::string(c.view->name) + "_" +
                                    std::to_string(c.size.width) + "x" +
                                    std::to_string(c.size.height);
                         });

TEST(BenchViews, SameFramingAtEverySize) {
    for (const BenchView &view : kViews) {
        EXPECT_EQ(FindView(view.name), &view);
        const CAMERA small = MakeBenchCamera(view, 320, 200);
        const CAMERA large = MakeBenchCamera(view, 3840, 2160);
        // The limiting side shows the view's span whatever the size.
        EXPECT_DOUBLE_EQ(large.Magnification / small.Magnification, 2160.0 / 200.0) << view.name;
        EXPECT_EQ(large.RenderRect.right, 3839);
        EXPECT_EQ(large.RenderRect.bottom, 2159);
    }
    EXPECT_EQ(FindView("nowhere"), nullptr);
}

TEST(BenchViews, AllowingPansKeepsThePlayingSurface) {
    for (const Loader loader : {Loader::kEdgeDriven, Loader::kVertex}) {
        ScenePtr scene = MakeScene(loader);
        const uint32_t settings = scene->SceneSettings;
        AllowPans(scene.get());
        EXPECT_EQ(scene->iRapidPansLimit, 2);
        EXPECT_EQ(scene->SceneSettings, settings) << LoaderName(loader);
        AllowPans(scene.get());
        EXPECT_EQ(scene->SceneSettings, settings) << "a second call reports nothing";
    }
}

}  // namespace
