// RenderScene through a recording rasteriser: what reaches ClipToRect and
// FillConvexPoly, in which order, clipped or not, in which colour, and when
// nothing is drawn.
#include <gtest/gtest.h>

#include <vector>

#include "model/model.h"
#include "platform/globalmem.h"
#include "quelm.h"
#include "tests/support/recording_gresk.h"

namespace {

using recording::Call;
using recording::Event;

bool SamePoints(const std::vector<sSPOINT> &a, const std::vector<sSPOINT> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    return true;
}

class RenderSceneTest : public ::testing::Test {
protected:
    SCENE *scene = nullptr;
    CAMERA camera{};
    BITMAPINFO bitmap{};
    uint8_t bits[16] = {};

    void SetUp() override {
        scene = InitScene();
        ASSERT_NE(scene, nullptr) << "the stadium model needs quelm.bmp (QUELM_DATA)";
        // Looking down the field from behind one end zone: part of the
        // stadium inside the picture, part crossing its border.
        camera.Xcamera = 2700;
        camera.Zcamera = 360;
        camera.Xtarget = 540;
        camera.Ztarget = 72;
        camera.RenderRect = {0, 0, 319, 199};
        camera.Magnification = 1.0;
        recording::Reset();
    }
    void TearDown() override {
        DestroyScene(scene);
        recording::Reset();
    }

    void Render() {
        recording::Reset();
        RenderScene(&bitmap, bits, &camera, scene);
    }

    std::vector<sSPOINT> ScreenPoints(const POLYGONLIST &p) const {
        std::vector<sSPOINT> points;
        for (int32_t i = 0; i < p.numv; ++i) points.push_back(scene->ScreenPointList[p.v[i]]);
        return points;
    }

    // The calls RenderScene must make for the scene as it stands: every
    // drawable surface in pool order, a clip first for those marked.
    void ExpectCallsMatchScene(int32_t clipCount = -1) {
        const std::vector<Event> &log = recording::Log();
        size_t k = 0;
        int clipped = 0, unclipped = 0;
        for (int32_t i = 0; i < scene->iScreenNumPolygons; ++i) {
            const POLYGONLIST &p = scene->ScenePolygonList[i];
            if (!(p.visible & VIS_DRAW)) continue;
            SCOPED_TRACE(i);
            const std::vector<sSPOINT> corners = ScreenPoints(p);
            int32_t count = p.numv;
            const sSPOINT *buffer = nullptr;
            if (p.visible & VIS_CLIP) {
                ++clipped;
                ASSERT_LT(k, log.size());
                const Event &clip = log[k++];
                ASSERT_EQ(clip.call, Call::Clip);
                EXPECT_EQ(clip.rect.left, camera.RenderRect.left);
                EXPECT_EQ(clip.rect.top, camera.RenderRect.top);
                EXPECT_EQ(clip.rect.right, camera.RenderRect.right);
                EXPECT_EQ(clip.rect.bottom, camera.RenderRect.bottom);
                EXPECT_EQ(clip.count, p.numv);
                EXPECT_TRUE(SamePoints(clip.points, corners));
                buffer = clip.buffer;
                if (clipCount >= 0) count = clipCount;
            } else {
                ++unclipped;
            }
            ASSERT_LT(k, log.size());
            const Event &fill = log[k++];
            ASSERT_EQ(fill.call, Call::Fill);
            if (buffer) {
                EXPECT_EQ(fill.buffer, buffer);  // the clipper works in the same buffer
            } else {
                EXPECT_TRUE(SamePoints(fill.points, corners));
            }
            EXPECT_EQ(fill.count, count);
            EXPECT_EQ(fill.pBMI, &bitmap);
            EXPECT_EQ(fill.pBits, bits);
            EXPECT_EQ(fill.kind, GRESK_FILLPOLY);
            EXPECT_NE(fill.request, nullptr);
            EXPECT_EQ(fill.fill.pic, p.material & 0xFF);
            EXPECT_EQ(fill.fill.palidx, 0);
        }
        EXPECT_EQ(k, log.size()) << "calls beyond the drawable surfaces";
        // The view is chosen so that both kinds occur.
        EXPECT_GT(clipped, 0);
        EXPECT_GT(unclipped, 0);
    }

    // Plants a surface on points of its own (from point index 10 * index on),
    // so that a still frame, which keeps the projection, draws it as planted.
    void PlantSurface(int32_t index, uint32_t status, int32_t material,
                      std::vector<sSPOINT> corners) {
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

TEST_F(RenderSceneTest, FillsEveryDrawableSurfaceInPoolOrder) {
    Render();
    EXPECT_GT(scene->iScreenNumEdges, 0);  // registered on the first frame
    ExpectCallsMatchScene();
}

TEST_F(RenderSceneTest, StillFrameDrawsTheSameAgain) {
    Render();
    const std::vector<Event> first = recording::Log();
    Render();
    ASSERT_EQ(recording::Log().size(), first.size());
    ExpectCallsMatchScene();
}

TEST_F(RenderSceneTest, FillGetsTheCountTheClipperLeft) {
    for (int32_t count : {2, 0}) {
        SCOPED_TRACE(count);
        recording::Reset();
        recording::SetClipCount(count);
        RenderScene(&bitmap, bits, &camera, scene);
        ExpectCallsMatchScene(count);
    }
}

TEST_F(RenderSceneTest, PlantedSurfacesAreFilledInPoolOrderWithTheLowByteOfTheMaterial) {
    Render();
    ASSERT_GT(scene->iScreenNumPolygons, 10);
    ClearDrawBits();
    PlantSurface(3, VIS_DRAW, 0x13F, {{10, 10}, {50, 10}, {30, 40}});
    PlantSurface(7, VIS_DRAW | VIS_CLIP, 0x2A5, {{-20, 5}, {100, 5}, {100, 90}, {-20, 90}});
    // The clip bit alone does not make a surface drawable.
    PlantSurface(9, VIS_CLIP, 0x11, {{0, 0}, {1, 0}, {0, 1}});
    Render();
    const std::vector<Event> &log = recording::Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].call, Call::Fill);
    EXPECT_EQ(log[0].fill.pic, 0x3F);
    EXPECT_EQ(log[0].count, 3);
    EXPECT_TRUE(SamePoints(log[0].points, {{10, 10}, {50, 10}, {30, 40}}));
    EXPECT_EQ(log[1].call, Call::Clip);
    EXPECT_EQ(log[1].count, 4);
    EXPECT_TRUE(SamePoints(log[1].points, {{-20, 5}, {100, 5}, {100, 90}, {-20, 90}}));
    EXPECT_EQ(log[2].call, Call::Fill);
    EXPECT_EQ(log[2].fill.pic, 0xA5);
    EXPECT_EQ(log[2].count, 4);
    EXPECT_EQ(log[2].buffer, log[1].buffer);
    EXPECT_EQ(log[2].buffer, log[0].buffer);  // one fixed buffer for the frame
}

TEST_F(RenderSceneTest, NothingDrawableMeansNoRasteriserCall) {
    Render();
    ClearDrawBits();
    Render();
    EXPECT_TRUE(recording::Log().empty());
    EXPECT_EQ(PolygonSceneFirstSurface(scene), 0);
}

TEST_F(RenderSceneTest, ModelWithoutDrawableSurfaceStopsAfterTheViewSetUp) {
    for (int32_t i = 0; i < Model->iNumPolygons; ++i) Model->PolygonList[i].visible &= ~VIS_DRAW;
    Render();
    EXPECT_TRUE(recording::Log().empty());
    EXPECT_EQ(scene->iScreenNumEdges, 0);  // never registered
    EXPECT_EQ(scene->Perspective.RESX, 320.0);
    EXPECT_EQ(camera.Xn, scene->Perspective.DXN);
    EXPECT_NE(camera.Xn, 0.0);
}

// A failed view (-1) still reaches the projection, which reprojects
// completely: the rapid-pan tally starts again from 0.
TEST_F(RenderSceneTest, FailedViewIsHandedToTheProjection) {
    RenderRate(scene, 10, 20);
    RenderRate(scene, 10, 20);
    ASSERT_EQ(scene->iRapidPansLimit, 2);
    Render();
    camera.Ytarget += 5;  // target alone: a rapid pan
    Render();
    ASSERT_EQ(scene->iRapidPansTally, 1);
    CAMERA onTarget = camera;
    onTarget.Xcamera = onTarget.Xtarget;
    onTarget.Ycamera = onTarget.Ytarget;
    onTarget.Zcamera = onTarget.Ztarget;
    recording::Reset();
    RenderScene(&bitmap, bits, &onTarget, scene);
    EXPECT_EQ(scene->iRapidPansTally, 0);

    Render();  // back to the camera (it moved): complete
    camera.Ytarget += 5;
    Render();
    ASSERT_EQ(scene->iRapidPansTally, 1);
    CAMERA refused = camera;
    refused.Magnification = 0.0;
    recording::Reset();
    RenderScene(&bitmap, bits, &refused, scene);
    EXPECT_EQ(scene->iRapidPansTally, 0);
    EXPECT_FALSE(recording::Log().empty());
}

TEST_F(RenderSceneTest, FramesAllocateNothing) {
    Render();
    const long before = QuelmGlobalAllocations();
    for (int i = 0; i < 4; ++i) {
        camera.Xcamera -= 100;
        camera.Ytarget += 30;
        Render();
    }
    EXPECT_EQ(QuelmGlobalAllocations(), before);
    EXPECT_FALSE(recording::Log().empty());
}

}  // namespace
