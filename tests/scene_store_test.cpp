// The scene polygon store: set-up and release of a scene's pools, clearing,
// and the walk over drawable surfaces with its point and colour queries.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "model/model.h"
#include "quelm_globalmem.h"

namespace {

using Ids = std::vector<int32_t>;

class SceneStore : public ::testing::Test {
protected:
    void SetUp() override {
        Scene = static_cast<SCENE *>(GlobalAllocLocked(sizeof(SCENE)));
        ASSERT_NE(Scene, nullptr);
        ASSERT_EQ(PolygonSceneInit(Scene), 1);
    }
    void TearDown() override {
        PolygonSceneDiscard(Scene);
        GlobalFreeLocked(Scene);
    }

    // Surface k: a triangle over points 3k .. 3k + 2, material 10 + k; the
    // surfaces in `hidden` lack the draw bit.  Point i has status 0x9 and
    // screen point (i, -i).
    void Fill(int32_t count, Ids hidden = {}) {
        for (int32_t k = 0; k < count; ++k) {
            POLYGONLIST &s = Scene->ScenePolygonList[k];
            s = {};
            s.numv = 3;
            for (int32_t i = 0; i < 3; ++i) s.v[i] = 3 * k + i;
            s.material = 10 + k;
            s.visible = std::count(hidden.begin(), hidden.end(), k) ? 0x8000 : 0x8001;
        }
        for (int32_t i = 0; i < 3 * count; ++i) {
            Scene->PointList[i] = {1.0 * i, 2.0 * i, 0.5, 0x8009u};
            Scene->ScreenPointList[i] = {static_cast<int16_t>(i), static_cast<int16_t>(-i)};
        }
        Scene->iScreenNumPolygons = count;
        Scene->iScreenNumVerts = 3 * count;
        Scene->iScreenNumEdges = 3 * count;
    }
    // A registered scene in use: pans counted, both cursors moved.
    void Use() {
        Fill(4);
        Scene->iRapidPansLimit = 2;
        Scene->iRapidPansTally = 2;
        Scene->iCurrentLine = 5;
        Scene->iCurrentSurface = 2;
    }

    SCENE *Scene = nullptr;
};

TEST_F(SceneStore, InitResetsAUsedRecordAndDiscardForgetsTheFourPools) {
    Use();
    PolygonSceneDiscard(Scene);
    ASSERT_EQ(PolygonSceneInit(Scene), 1);
    // Unregistered: no counts, cursors or pans, and nothing to walk.
    EXPECT_EQ((Ids{Scene->iRapidPansLimit, Scene->iRapidPansTally, Scene->iCurrentSurface,
                   Scene->iCurrentLine, Scene->iScreenNumVerts, Scene->iScreenNumEdges,
                   Scene->iScreenNumPolygons}),
              Ids(7, 0));
    EXPECT_EQ(PolygonSceneFirstSurface(Scene), 0);
    PolygonSceneDiscard(Scene);
    EXPECT_TRUE(!Scene->PointList && !Scene->ScreenPointList && !Scene->EdgeList &&
                !Scene->ScenePolygonList);
    ASSERT_EQ(PolygonSceneInit(Scene), 1);  // for TearDown
}

// The forward walk of every frame draws exactly the drawable surfaces; here
// its ends, the walk back, and cursors written out of range.
TEST_F(SceneStore, WalkStopsAtItsEndsAndKeepsItsCursorInsideThePool) {
    Fill(6, {0, 3, 4});
    const struct {
        int32_t cursor;
        int32_t (*step)(SCENE *);
        Ids expected;  // what the step returned, where the cursor rests
    } rows[] = {
        {5, PolygonSceneNextSurface, {0, 6}},
        {6, PolygonSceneNextSurface, {0, 6}},
        {6, PolygonScenePreviousSurface, {3, 5}},
        {5, PolygonScenePreviousSurface, {3, 2}},
        {2, PolygonScenePreviousSurface, {3, 1}},
        {1, PolygonScenePreviousSurface, {0, 0}},  // none before the first drawable one
        {-7, PolygonSceneNextSurface, {3, 1}},
        {100000, PolygonSceneNextSurface, {0, 6}},
        {100000, PolygonScenePreviousSurface, {3, 5}},
    };
    for (const auto &r : rows) {
        Scene->iCurrentSurface = r.cursor;
        const int32_t n = r.step(Scene);
        EXPECT_EQ((Ids{n, PolygonSceneCurrentSurface(Scene)}), r.expected) << "from " << r.cursor;
    }
}

TEST_F(SceneStore, QueriesCopyTheCurrentSurfacesPointsAndNothingElse) {
    Fill(3);
    Scene->PointList[7].visible = 0xC;  // behind the near plane
    Scene->iCurrentSurface = 2;  // points 6, 7, 8
    sSPOINT sp = {};
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 2, &sp), 0x8009u);
    EXPECT_EQ((Ids{sp.x, sp.y}), (Ids{8, -8}));
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 1, &sp), 0xCu);
    POINT3D p = {};
    EXPECT_EQ(PolygonScenePoint(Scene, 0, &p), 0x8009u);
    EXPECT_EQ(p.v, 12.0);

    // Outside the surface's points, and past the end of the walk.
    sp = {77, 77};
    p = {9.0, 9.0, 9.0, 9};
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 3, &sp), 0u);
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, -1, &sp), 0u);
    EXPECT_EQ(PolygonScenePoint(Scene, 3, &p), 0u);
    EXPECT_EQ(PolygonSceneNextSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 0, &sp), 0u);
    EXPECT_EQ(PolygonScenePoint(Scene, 0, &p), 0u);
    EXPECT_EQ(PolygonSceneSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneGetMaterial(Scene), 0);
    EXPECT_EQ(PolygonSceneGetVisibility(Scene), 0u);
    sSPOINT untouched[3] = {{5, 5}, {5, 5}, {5, 5}};
    PolygonSceneScreenPoints(Scene, untouched);
    EXPECT_EQ((Ids{sp.x, untouched[0].x}), (Ids{77, 5}));
    EXPECT_EQ(p.u, 9.0);
}

TEST_F(SceneStore, ClearEmptiesTheSceneButKeepsItRegistered) {
    Use();
    PolygonSceneClear(Scene);
    EXPECT_EQ((Ids{Scene->iRapidPansTally, Scene->iCurrentSurface, Scene->iCurrentLine,
                   Scene->iScreenNumPolygons, Scene->iScreenNumVerts, Scene->iScreenNumEdges,
                   Scene->iRapidPansLimit}),
              (Ids{0, 0, 0, 0, 0, 12, 2}));
    EXPECT_EQ(PolygonSceneFirstSurface(Scene), 0);
}

}  // namespace
