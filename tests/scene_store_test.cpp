// The scene polygon store: set-up and release of a scene's pools, clearing,
// and the walk over drawable surfaces with its point and colour queries.
#include <gtest/gtest.h>

#include <vector>

#include "model/model.h"
#include "platform/globalmem.h"

namespace {

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
    void Fill(int32_t count, std::vector<int32_t> hidden = {}) {
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

    SCENE *Scene = nullptr;
};

TEST_F(SceneStore, InitGivesPoolsTheInitialSettingsAndAnUnregisteredScene) {
    EXPECT_NE(Scene->PointList, nullptr);
    EXPECT_NE(Scene->ScreenPointList, nullptr);
    EXPECT_NE(Scene->EdgeList, nullptr);
    EXPECT_NE(Scene->ScenePolygonList, nullptr);
    EXPECT_EQ(Scene->SceneSettings, 0x080E9FF7u);
    EXPECT_EQ(Scene->iRapidPansLimit, 0);
    EXPECT_EQ(Scene->iScreenNumEdges, 0);
    EXPECT_EQ(Scene->iScreenNumPolygons, 0);
}

TEST_F(SceneStore, InitResetsCountsCursorsAndSettingsOfAUsedRecord) {
    Fill(4);
    Scene->iRapidPansLimit = 2;
    Scene->iRapidPansTally = 1;
    Scene->iCurrentSurface = 3;
    Scene->iCurrentLine = 3;
    Scene->SceneSettings = 0;
    PolygonSceneDiscard(Scene);
    ASSERT_EQ(PolygonSceneInit(Scene), 1);
    EXPECT_EQ(Scene->iRapidPansLimit, 0);
    EXPECT_EQ(Scene->iRapidPansTally, 0);
    EXPECT_EQ(Scene->iCurrentSurface, 0);
    EXPECT_EQ(Scene->iCurrentLine, 0);
    EXPECT_EQ(Scene->iScreenNumVerts, 0);
    EXPECT_EQ(Scene->iScreenNumEdges, 0);
    EXPECT_EQ(Scene->iScreenNumPolygons, 0);
    EXPECT_EQ(Scene->SceneSettings, 0x080E9FF7u);
}

#ifndef _WIN32
TEST_F(SceneStore, DiscardReleasesTheFourPools) {
    PolygonSceneDiscard(Scene);
    const long before = QuelmGlobalBlocksLive();
    ASSERT_EQ(PolygonSceneInit(Scene), 1);
    EXPECT_EQ(QuelmGlobalBlocksLive(), before + 4);
    PolygonSceneDiscard(Scene);
    EXPECT_EQ(QuelmGlobalBlocksLive(), before);
    EXPECT_EQ(Scene->PointList, nullptr);
    EXPECT_EQ(Scene->ScenePolygonList, nullptr);
    ASSERT_EQ(PolygonSceneInit(Scene), 1);  // for TearDown
}
#endif

TEST_F(SceneStore, NewSceneHasNoSurface) {
    EXPECT_EQ(PolygonSceneFirstSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneSurface(Scene), 0);
}

TEST_F(SceneStore, WalkVisitsExactlyTheDrawableSurfacesInPoolOrder) {
    Fill(6, {0, 3, 4});
    std::vector<int32_t> seen;
    for (int32_t n = PolygonSceneFirstSurface(Scene); n != 0; n = PolygonSceneNextSurface(Scene)) {
        EXPECT_EQ(n, 3);
        EXPECT_EQ(PolygonSceneSurface(Scene), 3);
        seen.push_back(PolygonSceneCurrentSurface(Scene));
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 5}));
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 6);
    EXPECT_EQ(PolygonSceneNextSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 6);
}

TEST_F(SceneStore, PreviousFromTheEndWalksBackToTheFirstDrawable) {
    Fill(6, {0, 3, 4});
    while (PolygonSceneNextSurface(Scene) != 0) {
    }
    EXPECT_EQ(PolygonScenePreviousSurface(Scene), 3);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 5);
    EXPECT_EQ(PolygonScenePreviousSurface(Scene), 3);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 2);
    EXPECT_EQ(PolygonScenePreviousSurface(Scene), 3);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 1);
    // At the first drawable surface there is none before it.
    EXPECT_EQ(PolygonScenePreviousSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 0);
}

TEST_F(SceneStore, CursorsWrittenOutOfRangeStayInsideThePool) {
    Fill(4, {0});
    Scene->iCurrentSurface = -7;
    EXPECT_EQ(PolygonSceneNextSurface(Scene), 3);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 1);
    Scene->iCurrentSurface = 100000;
    EXPECT_EQ(PolygonSceneNextSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 4);
    Scene->iCurrentSurface = 100000;
    EXPECT_EQ(PolygonScenePreviousSurface(Scene), 3);
    EXPECT_EQ(PolygonSceneCurrentSurface(Scene), 3);
}

TEST_F(SceneStore, PointQueriesCopyTheCurrentSurfacesPointsAndReturnTheirStatus) {
    Fill(3);
    Scene->PointList[7].visible = 0xC;  // behind the near plane
    PolygonSceneFirstSurface(Scene);
    PolygonSceneNextSurface(Scene);
    PolygonSceneNextSurface(Scene);  // surface 2: points 6, 7, 8
    ASSERT_EQ(PolygonSceneCurrentSurface(Scene), 2);
    sSPOINT sp = {};
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 2, &sp), 0x8009u);
    EXPECT_EQ(sp.x, 8);
    EXPECT_EQ(sp.y, -8);
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 1, &sp), 0xCu);
    POINT3D p = {};
    EXPECT_EQ(PolygonScenePoint(Scene, 0, &p), 0x8009u);
    EXPECT_EQ(p.u, 6.0);
    EXPECT_EQ(p.v, 12.0);
    EXPECT_EQ(p.w, 0.5);
    EXPECT_EQ(p.visible, 0x8009u);
    sSPOINT all[3] = {};
    PolygonSceneScreenPoints(Scene, all);
    EXPECT_EQ(all[0].x, 6);
    EXPECT_EQ(all[1].x, 7);
    EXPECT_EQ(all[2].y, -8);
    EXPECT_EQ(PolygonSceneGetMaterial(Scene), 12);
    EXPECT_EQ(PolygonSceneGetVisibility(Scene), 0x8001u);
}

TEST_F(SceneStore, QueriesOutsideTheCurrentSurfaceReturnZeroAndCopyNothing) {
    Fill(2);
    PolygonSceneFirstSurface(Scene);
    sSPOINT sp = {77, 77};
    POINT3D p = {9.0, 9.0, 9.0, 9};
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 3, &sp), 0u);
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, -1, &sp), 0u);
    EXPECT_EQ(PolygonScenePoint(Scene, 3, &p), 0u);
    // Past the end of the walk.
    while (PolygonSceneNextSurface(Scene) != 0) {
    }
    EXPECT_EQ(PolygonSceneScreenPoint(Scene, 0, &sp), 0u);
    EXPECT_EQ(PolygonScenePoint(Scene, 0, &p), 0u);
    EXPECT_EQ(PolygonSceneSurface(Scene), 0);
    EXPECT_EQ(PolygonSceneGetMaterial(Scene), 0);
    EXPECT_EQ(PolygonSceneGetVisibility(Scene), 0u);
    sSPOINT all[3] = {{5, 5}, {5, 5}, {5, 5}};
    PolygonSceneScreenPoints(Scene, all);
    EXPECT_EQ(sp.x, 77);
    EXPECT_EQ(p.u, 9.0);
    EXPECT_EQ(all[0].x, 5);
}

TEST_F(SceneStore, ClearEmptiesTheSceneButKeepsItRegistered) {
    Fill(4);
    Scene->iRapidPansTally = 2;
    Scene->iRapidPansLimit = 2;
    Scene->iCurrentLine = 5;
    PolygonSceneFirstSurface(Scene);
    PolygonSceneNextSurface(Scene);
    PolygonSceneClear(Scene);
    EXPECT_EQ(Scene->iRapidPansTally, 0);
    EXPECT_EQ(Scene->iCurrentSurface, 0);
    EXPECT_EQ(Scene->iCurrentLine, 0);
    EXPECT_EQ(Scene->iScreenNumPolygons, 0);
    EXPECT_EQ(Scene->iScreenNumVerts, 0);
    EXPECT_EQ(Scene->iScreenNumEdges, 12);
    EXPECT_EQ(Scene->iRapidPansLimit, 2);
    EXPECT_EQ(PolygonSceneFirstSurface(Scene), 0);
}

}  // namespace
