// Frames take no memory, from the global heap or the C and C++ allocators
// (wrapped at link time and counted), whatever the view, loader or kind of frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "common/views.h"
#include "quelm_globalmem.h"
#include "quelm.h"

namespace {

bool counting = false;
long calls = 0;

void Count() {
    if (counting) ++calls;
}

}  // namespace

extern "C" {
void *__real_malloc(size_t size);
void *__real_calloc(size_t count, size_t size);
void *__real_realloc(void *block, size_t size);
void *__real__Znwm(size_t size);
void *__real__Znam(size_t size);

void *__wrap_malloc(size_t size) {
    Count();
    return __real_malloc(size);
}
void *__wrap_calloc(size_t count, size_t size) {
    Count();
    return __real_calloc(count, size);
}
void *__wrap_realloc(void *block, size_t size) {
    Count();
    return __real_realloc(block, size);
}
void *__wrap__Znwm(size_t size) {
    Count();
    return __real__Znwm(size);
}
void *__wrap__Znam(size_t size) {
    Count();
    return __real__Znam(size);
}
}

namespace {

using quelm_bench::kViews;

TEST(FrameAllocations, TheCounterSeesAllocations) {
    calls = 0;
    counting = true;
    void *volatile block = std::malloc(16);
    int *volatile object = new int(1);
    counting = false;
    std::free(block);
    delete object;
    EXPECT_EQ(calls, 2);
}

class FrameAllocationsTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(FrameAllocationsTest, FramesAllocateNothing) {
    for (const auto &view : kViews) {
        SCENE *scene = InitScene();
        ASSERT_NE(scene, nullptr) << "the stadium model needs quelm.bmp (QUELM_DATA)";
        ResetSceneSetting(scene, PLAN_FINE | PLAN_COARSE);
        SetSceneSetting(scene, GetParam());
        CAMERA camera = quelm_bench::MakeBenchCamera(view, 320, 200);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 320, -200, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<uint8_t> bits(320 * 200);
        RenderScene(&info, bits.data(), &camera, scene);  // registers the model
        scene->iRapidPansLimit = 2;

        const long heapBefore = QuelmGlobalAllocations();
        calls = 0;
        counting = true;
        int pans = 0;
        for (int i = 0; i < 12; ++i) {
            if (i % 3 == 0) camera.Xcamera += (i % 2 ? 1.0 : -1.0);
            if (i % 3 == 1) camera.Xtarget += (i % 2 ? 2.0 : -2.0);
            RenderScene(&info, bits.data(), &camera, scene);
            pans += scene->iRapidPansTally > 0;
        }
        counting = false;
        EXPECT_EQ(calls, 0) << view.name;
        EXPECT_EQ(QuelmGlobalAllocations(), heapBefore) << view.name;
        EXPECT_GT(pans, 0) << view.name << ": no rapid pan was made";
        long drawn = 0;
        for (uint8_t b : bits) drawn += b != 0;
        EXPECT_GT(drawn, 320 * 200 / 2) << view.name << ": frames drew little";
        DestroyScene(scene);
    }
}

INSTANTIATE_TEST_SUITE_P(Loaders, FrameAllocationsTest, ::testing::Values(PLAN_FINE, PLAN_COARSE),
                         [](const auto &info) {
                             return std::string(info.param == PLAN_FINE ? "EdgeDriven" : "Vertex");
                         });

}  // namespace
