// The scene polygon store: set-up and release of a scene's pools, clearing,
// and the walk over drawable surfaces with its point and colour queries.
#include <gtest/gtest.h>

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
            s.visible = 0x8001;
            for (int32_t h : hidden)
                if (h == k) s.visible = 0x8000;
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
        PolygonSceneFirstSurface(Scene);
        PolygonSceneNextSurface(Scene);
    }
    // What a step of the walk returned and where its cursor then rests.
    Ids Step(int32_t (*step)(SCENE *)) {
        const int32_t n = step(Scene);
        return {n, PolygonSceneCurrentSurface(Scene)};
    }

    SCENE *Scene = nullptr;
};

TEST_F(SceneStore, InitResetsAUsedRecordAndDiscardReleasesTheFourPools) {
    Use();
    Scene->SceneSettings = 0;
    PolygonSceneDiscard(Scene);
    const long before = QuelmGlobalBlocksLive();
    ASSERT_EQ(PolygonSceneInit(Scene), 1);
    EXPECT_EQ(QuelmGlobalBlocksLive(), before + 4);
    EXPECT_NE(Scene->PointList, nullptr);
    EXPECT_NE(Scene->ScreenPointList, nullptr);
    EXPECT_NE(Scene->EdgeList, nullptr);
    EXPECT_NE(Scene->ScenePolygonList, nullptr);
    EXPECT_EQ(Scene->SceneSettings, 0x080E9FF7u);
    // Unregistered: no counts, cursors or pans, and nothing to walk.
    EXPECT_EQ((Ids{Scene->iRapidPansLimit, Scene->iRapidPansTally, Scene->iCurrentSurface,
                   Scene->iCurrentLine, Scene->iScreenNumVerts, Scene->iScreenNumEdges,
                   Scene->iScreenNumPolygons}),
              Ids(7, 0));
    EXPECT_EQ(PolygonSceneFirstSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneSurface(Scene), 0);
    PolygonSceneDiscard(Scene);
    EXPECT_EQ(QuelmGlobalBlocksLive(), before);
    EXPECT_EQ(Scene->PointList, nullptr);
    EXPECT_EQ(Scene->ScenePolygonList, nullptr);
    ASSERT_EQ(PolygonSceneInit(Scene), 1);  // for TearDown
}

TEST_F(SceneStore, WalkVisitsExactlyTheDrawableSurfacesBothWays) {
    Fill(6, {0, 3, 4});
    Ids seen;
    for (int32_t n = PolygonSceneFirstSurface(Scene); n != 0; n = PolygonSceneNextSurface(Scene)) {
        EXPECT_EQ(n, 3);
        EXPECT_EQ(PolygonSceneSurface(Scene), 3);
        seen.push_back(PolygonSceneCurrentSurface(Scene));
    }
    EXPECT_EQ(seen, (Ids{1, 2, 5}));
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 6);
    EXPECT_EQ(Step(PolygonSceneNextSurface), (Ids{0, 6}));
    EXPECT_EQ(Step(PolygonScenePreviousSurface), (Ids{3, 5}));
    EXPECT_EQ(Step(PolygonScenePreviousSurface), (Ids{3, 2}));
    EXPECT_EQ(Step(PolygonScenePreviousSurface), (Ids{3, 1}));
    // At the first drawable surface there is none before it.
    EXPECT_EQ(Step(PolygonScenePreviousSurface), (Ids{0, 0}));
}

TEST_F(SceneStore, CursorsWrittenOutOfRangeStayInsideThePool) {
    Fill(4, {0});
    Scene->iCurrentSurface = -7;
    EXPECT_EQ(Step(PolygonSceneNextSurface), (Ids{3, 1}));
    Scene->iCurrentSurface = 100000;
    EXPECT_EQ(Step(PolygonSceneNextSurface), (Ids{0, 4}));
    Scene->iCurrentSurface = 100000;
    EXPECT_EQ(Step(PolygonScenePreviousSurface), (Ids{3, 3}));
}

TEST_F(SceneStore, QueriesCopyTheCurrentSurfacesPointsAndNothingElse) {
    Fill(3);
    Scene->PointList[7].visible = 0xC;  // behind the near plane
    PolygonSceneFirstSurface(Scene);
    PolygonSceneNextSurface(Scene);
    PolygonSceneNextSurface(Scene);  // surface 2: points 6, 7, 8
    sSPOINT sp = {};
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 2, &sp), 0x8009u);
    EXPECT_EQ((Ids{sp.x, sp.y}), (Ids{8, -8}));
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 1, &sp), 0xCu);
    POINT3D p = {};
    EXPECT_EQ(PolygonScenePoint(Scene, 0, &p), 0x8009u);
    EXPECT_EQ((std::vector<double>{p.u, p.v, p.w}), (std::vector<double>{6.0, 12.0, 0.5}));
    EXPECT_EQ(p.visible, 0x8009u);
    sSPOINT all[3] = {};
    PolygonSceneScreenPoints(Scene, all);
    EXPECT_EQ((Ids{all[0].x, all[1].x, all[2].y}), (Ids{6, 7, -8}));
    EXPECT_EQ(PolygonSceneGetMaterial(Scene), 12);
    EXPECT_EQ(PolygonSceneGetVisibility(Scene), 0x8001u);

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
                   Scene->iScreenNumPolygons, Scene->iScreenNumVerts}),
              Ids(5, 0));
    EXPECT_EQ(Scene->iScreenNumEdges, 12);
    EXPECT_EQ(Scene->iRapidPansLimit, 2);
    EXPECT_EQ(PolygonSceneFirstSurface(Scene), 0);
}

}  // namespace
