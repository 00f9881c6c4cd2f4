// RenderScene through a recording rasteriser: what the clipper's refusal or
// cut hands to FillConvexPoly, when nothing is drawn, and a failed view.  The
// conformance scenarios check the calls of whole frames of the stadium.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/model.h"
#include "quelm.h"
#include "tests/support/recording_gresk.h"

namespace {

using recording::Call;
using recording::Event;
using Points = std::vector<sSPOINT>;

class RenderSceneTest : public ::testing::Test {
protected:
    SCENE *scene = nullptr;
    // Looking down the field from behind one end zone.
    CAMERA camera = {0, 540, 0, 72, 2700, 0, 360, 0, 0, 0, 0, {0, 0, 319, 199}, 1.0, 0, nullptr};
    BITMAPINFO bitmap{};
    uint8_t bits[16] = {};

    void SetUp() override {
        scene = InitScene();
        ASSERT_NE(scene, nullptr) << "the stadium model needs quelm.bmp (QUELM_DATA)";
    }
    void TearDown() override {
        DestroyScene(scene);
        recording::Reset();
    }
    void Render(CAMERA *c = nullptr) {
        recording::Reset();
        RenderScene(&bitmap, bits, c ? c : &camera, scene);
    }
    // Plants a surface on points of its own (from point index 10 * index on),
    // so that a still frame, which keeps the projection, draws it as planted.
    void PlantSurface(int32_t index, uint32_t status, int32_t material, const Points &corners) {
        POLYGONLIST &p = scene->ScenePolygonList[index];
        p.visible = (p.visible & ~VIS_STATUS_MASK) | status;
        p.material = material;
        p.numv = static_cast<int32_t>(corners.size());
        for (int32_t i = 0; i < p.numv; ++i) {
            p.v[i] = 10 * index + i;
            scene->ScreenPointList[p.v[i]] = corners[i];
        }
    }
};

// A surface marked for clipping is clipped to RenderRect first and filled
// with the count the clipper left (all its corners where the clipper
// refuses), in the same buffer; the clip bit alone draws nothing.
TEST_F(RenderSceneTest, ClippedSurfaceIsFilledWithWhatTheClipperLeft) {
    Render();
    ASSERT_GT(scene->iScreenNumPolygons, 10);
    for (int32_t i = 0; i < scene->iScreenNumPolygons; ++i)
        scene->ScenePolygonList[i].visible &= ~(VIS_DRAW | VIS_CLIP);
    const Points square = {{-20, 5}, {100, 5}, {100, 90}, {-20, 90}};
    PlantSurface(7, VIS_DRAW | VIS_CLIP, 0x2A5, square);
    PlantSurface(9, VIS_CLIP, 0x11, {{0, 0}, {1, 0}, {0, 1}});
    for (int32_t clipCount : {-1, 2, 0}) {
        SCOPED_TRACE(clipCount);
        recording::Reset();
        recording::SetClipCount(clipCount);
        RenderScene(&bitmap, bits, &camera, scene);
        const std::vector<Event> &log = recording::Log();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].call, Call::Clip);
        EXPECT_EQ(log[0].count, 4);
        ASSERT_EQ(log[0].points.size(), square.size());
        EXPECT_EQ(std::memcmp(log[0].points.data(), square.data(), sizeof(sSPOINT) * 4), 0);
        const RECT &r = log[0].rect;
        EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 319 && r.bottom == 199);
        EXPECT_EQ(log[1].call, Call::Fill);
        EXPECT_EQ(log[1].fill.pic, 0xA5);  // the material's low byte
        EXPECT_EQ(log[1].count, clipCount < 0 ? 4 : clipCount);
        EXPECT_EQ(log[1].buffer, log[0].buffer);
    }
}

TEST_F(RenderSceneTest, ModelWithoutDrawableSurfaceStopsAfterTheViewSetUp) {
    for (int32_t i = 0; i < Model->iNumPolygons; ++i) Model->PolygonList[i].visible &= ~VIS_DRAW;
    Render();
    EXPECT_TRUE(recording::Log().empty());
    EXPECT_EQ(scene->iScreenNumEdges, 0);  // never registered
    EXPECT_EQ(scene->Perspective.RESX, 320.0);
    EXPECT_NE(camera.Xn, 0.0);
}

// A failed view (-1), whether the camera sits on its target or cannot be
// used at all, still reaches the projection, which reprojects completely:
// the rapid-pan tally starts again from 0.
TEST_F(RenderSceneTest, FailedViewIsHandedToTheProjection) {
    RenderRate(scene, 10, 20);
    RenderRate(scene, 10, 20);
    ASSERT_EQ(scene->iRapidPansLimit, 2);
    CAMERA onTarget = camera;
    onTarget.Xcamera = onTarget.Xtarget, onTarget.Zcamera = onTarget.Ztarget;
    CAMERA refused = camera;
    refused.Magnification = 0.0;
    for (CAMERA *failed : {&onTarget, &refused}) {
        Render();
        camera.Ytarget += 5;  // target alone: a rapid pan
        Render();
        ASSERT_EQ(scene->iRapidPansTally, 1);
        Render(failed);
        EXPECT_EQ(scene->iRapidPansTally, 0);
        EXPECT_FALSE(recording::Log().empty());
    }
}

}  // namespace
