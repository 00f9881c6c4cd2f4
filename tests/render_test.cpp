// RenderScene through a recording rasteriser: what reaches ClipToRect and
// FillConvexPoly, in which order, clipped or not, in which colour, and when
// nothing is drawn.  The conformance scenarios check the calls of whole
// frames of the stadium; here surfaces are planted to pin each rule.
#include <gtest/gtest.h>

#include <vector>

#include "model/model.h"
#include "quelm.h"
#include "tests/support/recording_gresk.h"

namespace {

using recording::Call;
using recording::Event;
using Points = std::vector<sSPOINT>;

bool SamePoints(const Points &a, const Points &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    return true;
}

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
    void ClearDrawBits() {
        for (int32_t i = 0; i < scene->iScreenNumPolygons; ++i)
            scene->ScenePolygonList[i].visible &= ~(VIS_DRAW | VIS_CLIP);
    }
};

// In pool order, with the low byte of the material; a surface marked for
// clipping is clipped to RenderRect first and filled with the count the
// clipper left, in the same buffer.
TEST_F(RenderSceneTest, DrawsPlantedSurfacesInPoolOrderClippingThoseMarked) {
    Render();
    ASSERT_GT(scene->iScreenNumPolygons, 10);
    ClearDrawBits();
    const Points triangle = {{10, 10}, {50, 10}, {30, 40}};
    const Points square = {{-20, 5}, {100, 5}, {100, 90}, {-20, 90}};
    PlantSurface(3, VIS_DRAW, 0x13F, triangle);
    PlantSurface(7, VIS_DRAW | VIS_CLIP, 0x2A5, square);
    PlantSurface(9, VIS_CLIP, 0x11, {{0, 0}, {1, 0}, {0, 1}});  // clip bit alone: not drawn
    for (int32_t clipCount : {-1, 2, 0}) {
        SCOPED_TRACE(clipCount);
        recording::Reset();
        recording::SetClipCount(clipCount);
        RenderScene(&bitmap, bits, &camera, scene);
        const std::vector<Event> &log = recording::Log();
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log[0].call, Call::Fill);
        EXPECT_EQ(log[0].fill.pic, 0x3F);
        EXPECT_EQ(log[0].count, 3);
        EXPECT_TRUE(SamePoints(log[0].points, triangle));
        EXPECT_EQ(log[1].call, Call::Clip);
        EXPECT_EQ(log[1].count, 4);
        EXPECT_TRUE(SamePoints(log[1].points, square));
        const RECT &r = log[1].rect;
        EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 319 && r.bottom == 199);
        EXPECT_EQ(log[2].call, Call::Fill);
        EXPECT_EQ(log[2].fill.pic, 0xA5);
        EXPECT_EQ(log[2].count, clipCount < 0 ? 4 : clipCount);
        EXPECT_EQ(log[2].buffer, log[1].buffer);
        EXPECT_EQ(log[2].buffer, log[0].buffer);  // one fixed buffer for the frame
        for (const Event &fill : {log[0], log[2]}) {
            EXPECT_EQ(fill.pBMI, &bitmap);
            EXPECT_EQ(fill.pBits, bits);
            EXPECT_EQ(fill.kind, GRESK_FILLPOLY);
            EXPECT_NE(fill.request, nullptr);
            EXPECT_EQ(fill.fill.palidx, 0);
        }
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
