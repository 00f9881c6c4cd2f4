// The projection driver, the two loaders and the perspective divide.
#include <cmath>
#include <cstring>
#include <limits>

#include "tests/view_fixture.h"

namespace {

constexpr uint32_t kDetail = PLAN_FINE;          // the detail layer
constexpr uint32_t kPlain = 0x0, kActive = 0x8, kConstantly = 0xC;
constexpr uint32_t LinkP(uint32_t e) { return e << ACT_LINK_P_SHIFT; }
constexpr uint32_t LinkQ(uint32_t e) { return e << ACT_LINK_Q_SHIFT; }

// ------------------------------------------------------------------ driver

class DriverTest : public ViewTest {
protected:
    int32_t square = 0;

    void SetUp() override {
        ViewTest::SetUp();
        const int32_t a = AddVertex(100, 50, 100), b = AddVertex(140, 50, 100),
                      c = AddVertex(140, 90, 100), d = AddVertex(100, 90, 100);
        square = AddPolygon({a, b, c, d});
        VANTAGE &p = View();
        p.XT = 160.0;
        p.YT = 100.0;
        p.ZT = 100.0;
        FirstFrame();
    }

    // What SetView leaves for a frame in which only the target moved by dx.
    void MoveTarget(double dx) {
        VANTAGE &p = View();
        p.XT += dx;
        p.DXT = dx;
        p.ADXT += dx;
    }

    // A target-only frame; returns the tally it leaves.
    int32_t PanFrame(double dx) {
        MoveTarget(dx);
        AddModelToScene(scene, model, VIEW_TARGET_MOVED);
        return scene->iRapidPansTally;
    }
};

TEST_F(DriverTest, FirstFrameRegistersAndReprojectsWhateverDelta) {
    // Registration copied counts, edges, surfaces and plan words.
    EXPECT_EQ(scene->iScreenNumVerts, 4);
    EXPECT_EQ(scene->iScreenNumEdges, 4);
    EXPECT_EQ(scene->iScreenNumPolygons, 1);
    EXPECT_EQ(scene->EdgeList[2].a, model->EdgeList[2].a);
    EXPECT_EQ(scene->EdgeList[2].b, model->EdgeList[2].b);
    EXPECT_EQ(Surf(0).material, 7);
    EXPECT_EQ(Pt(3).visible & VIS_PLAN_MASK, PLAN_GROUND);
    // And projected: all four corners inside, the surface drawn unclipped.
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(Status(i), PT_DIVIDE | PT_TRANSFORMED);
    EXPECT_EQ(SurfStatus(square), VIS_DRAW);
    EXPECT_EQ(Sp(1).x, 140);
    EXPECT_EQ(Sp(2).y, 90);
}

TEST_F(DriverTest, StillFrameWithNoPendingPanTouchesNothing) {
    std::vector<sSPOINT> before(scene->ScreenPointList, scene->ScreenPointList + 4);
    // A reprojection would pick up the moved vertex; nothing must.
    model->VertexList[0].x = 10;
    scene->Perspective.ADXT = 3.0;
    AddModelToScene(scene, model, 0);
    EXPECT_EQ(std::memcmp(before.data(), scene->ScreenPointList, 4 * sizeof(sSPOINT)), 0);
    EXPECT_EQ(Pt(0).u, 100.0);
    EXPECT_EQ(scene->Perspective.ADXT, 3.0);
    EXPECT_EQ(scene->iRapidPansTally, 0);
}

TEST_F(DriverTest, LimitTwoPansTwiceThenReprojects) {
    scene->iRapidPansLimit = 2;
    EXPECT_EQ(PanFrame(10), 1);
    EXPECT_EQ(PanFrame(10), 2);
    EXPECT_EQ(View().ADXT, 20.0);  // pans leave the accumulated shift alone
    EXPECT_EQ(PanFrame(10), 0);
    EXPECT_EQ(View().ADXT, 0.0);
    EXPECT_EQ(PanFrame(10), 1);
    EXPECT_EQ(PanFrame(10), 2);
    EXPECT_EQ(PanFrame(10), 0);
}

TEST_F(DriverTest, LimitOneAlternatesAndLimitZeroAlwaysReprojects) {
    scene->iRapidPansLimit = 1;
    EXPECT_EQ(PanFrame(10), 1);
    EXPECT_EQ(PanFrame(10), 0);
    EXPECT_EQ(PanFrame(10), 1);
    EXPECT_EQ(PanFrame(10), 0);
    scene->iRapidPansLimit = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(PanFrame(10), 0);
        EXPECT_EQ(View().ADXT, 0.0);
    }
}

TEST_F(DriverTest, PanMovesScreenPointsAndReprojectionRestoresThem) {
    scene->iRapidPansLimit = 2;
    PanFrame(-7);  // target 7 left: the picture moves 7 right
    EXPECT_EQ(Sp(0).x, 107);
    EXPECT_EQ(Pt(0).u, 100.0);  // projected coordinates untouched
    // A still frame after a pan counts, reaches the limit and reprojects.
    AddModelToScene(scene, model, 0);
    EXPECT_EQ(scene->iRapidPansTally, 0);
    EXPECT_EQ(Sp(0).x, 100);
}

TEST_F(DriverTest, EveryOtherChangeReprojectsCompletely) {
    scene->iRapidPansLimit = 2;
    for (int32_t delta : {-1, 2, 3, 4, 5, 6, 7}) {
        PanFrame(-7);
        ASSERT_EQ(scene->iRapidPansTally, 1);
        AddModelToScene(scene, model, delta);
        EXPECT_EQ(scene->iRapidPansTally, 0) << delta;
        EXPECT_EQ(View().ADXT, 0.0) << delta;
        EXPECT_EQ(Sp(0).x, 100) << delta;
    }
}

TEST_F(DriverTest, FineBitChoosesEdgeDrivenLoaderAtNextReprojection) {
    // A vertex that no edge reaches: the vertex loader projects it, the
    // edge-driven loader leaves it untouched.
    const int32_t lone = AddVertex(20, 20, 100);
    scene->iScreenNumEdges = 0;  // register again to take the new vertex
    scene->SceneSettings &= ~PLAN_FINE;
    FirstFrame();
    EXPECT_EQ(Status(lone), PT_DIVIDE | PT_TRANSFORMED);
    scene->SceneSettings |= PLAN_FINE;
    AddModelToScene(scene, model, VIEW_CAMERA_MOVED);
    EXPECT_EQ(Status(lone), 0u);
    EXPECT_EQ(Status(0), PT_DIVIDE | PT_TRANSFORMED);
}

TEST_F(DriverTest, NothingToDoOnEmptyPools) {
    // After the scene store's clear: counts 0 but still registered.
    scene->iScreenNumVerts = 0;
    scene->iScreenNumPolygons = 0;
    scene->iRapidPansLimit = 2;
    Sp(0) = sSPOINT{-1, -1};
    const uint32_t before = Surf(0).visible;
    PanFrame(5);
    EXPECT_EQ(scene->iRapidPansTally, 1);
    EXPECT_EQ(Sp(0).x, -1);
    EXPECT_EQ(Surf(0).visible, before);
    // The loader brings the points back; the surface pool stays empty.
    AddModelToScene(scene, model, VIEW_CAMERA_MOVED);
    EXPECT_EQ(scene->iScreenNumVerts, 4);
    EXPECT_EQ(scene->iScreenNumPolygons, 0);
    EXPECT_EQ(Surf(0).visible, before);
}

TEST_F(ViewTest, EmptyModelProjectsNothing) {
    scene->SceneSettings |= PLAN_FINE;
    scene->EdgeList[0].act = 0x30;  // edge 0's slot must not be taken as a frame parity
    Sp(0) = sSPOINT{9, 9};
    FirstFrame();
    AddModelToScene(scene, model, VIEW_CAMERA_MOVED);
    EXPECT_EQ(scene->iScreenNumVerts, 0);
    EXPECT_EQ(scene->iScreenNumEdges, 0);
    EXPECT_EQ(scene->EdgeList[0].act, 0x30u);
    EXPECT_EQ(Sp(0).x, 9);
}

TEST_F(ViewTest, ResetActivationStatusTogglesClearsOnlyTheToggle) {
    for (int i = 0; i < 3; ++i) AddEdge(0, 1, kConstantly | ACT_TOGGLE | LinkP(2));
    RegisterModelWithScene(scene, model);
    scene->EdgeList[3].act = ACT_TOGGLE;  // beyond the count
    ResetActivationStatusToggles(scene);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(scene->EdgeList[i].act, kConstantly | LinkP(2));
    EXPECT_EQ(scene->EdgeList[3].act, ACT_TOGGLE);
}

// -------------------------------------------------------- perspective divide

class DivideTest : public ViewTest {
protected:
    sSPOINT Divide(double u, double v, double w, uint32_t status) {
        scene->iScreenNumVerts = 1;
        Pt(0) = POINT3D{u, v, w, status | PLAN_GROUND};
        Sp(0) = sSPOINT{123, -45};
        PerspectiveDivide(scene);
        return Sp(0);
    }
};

constexpr uint32_t kInside = 0x9, kOutsideDivided = 0xB;

TEST_F(DivideTest, OutsidePointsAreLimitedAlongTheirDirection) {
    sSPOINT s = Divide(80000, 40000, 2, kOutsideDivided | PT_RIGHT);
    EXPECT_EQ(s.x, 15000);
    EXPECT_EQ(s.y, 7500);
    s = Divide(-80000, 40000, 2, kOutsideDivided | PT_LEFT);
    EXPECT_EQ(s.x, -15000);
    EXPECT_EQ(s.y, 7500);
    s = Divide(30000, -60000, 2, kOutsideDivided | PT_ABOVE);  // y dominates
    EXPECT_EQ(s.x, 7500);
    EXPECT_EQ(s.y, -15000);
    s = Divide(-30000, -30000, 1, kOutsideDivided | PT_ABOVE | PT_LEFT);  // a tie goes to y
    EXPECT_EQ(s.x, -15000);
    EXPECT_EQ(s.y, -15000);
    s = Divide(15000, -400, 1, kOutsideDivided | PT_RIGHT);  // on the limit: kept
    EXPECT_EQ(s.x, 15000);
    EXPECT_EQ(s.y, -400);
}

TEST_F(DivideTest, InsidePointsAreNeverLimited) {
    const sSPOINT s = Divide(20000, 16000, 1, kInside);
    EXPECT_EQ(s.x, 20000);
    EXPECT_EQ(s.y, 16000);
}

TEST_F(DivideTest, MultipliesByTheReciprocalAndTruncates) {
    // 49 * (1 / 49) is a hair below 1; 49 / 49 would be 1.
    sSPOINT s = Divide(49, 49, 49, kInside);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, 0);
    s = Divide(-71.9, -0.5, 1, kOutsideDivided | PT_LEFT | PT_ABOVE);  // toward zero
    EXPECT_EQ(s.x, -71);
    EXPECT_EQ(s.y, 0);
}

TEST_F(DivideTest, UndividedStatusesKeepTheirScreenPoint) {
    for (uint32_t status : {0xAu | PT_LEFT, 0xCu, 0x0u, 0x8u, 0x1u}) {
        const sSPOINT s = Divide(50, 50, 1, status);
        EXPECT_EQ(s.x, 123) << status;
        EXPECT_EQ(s.y, -45) << status;
    }
}

TEST_F(DivideTest, FarPointsSaturateBeforeTheLimit) {
    sSPOINT s = Divide(1e300, 1000, 1, kOutsideDivided | PT_RIGHT);
    EXPECT_EQ(s.x, 15000);
    EXPECT_EQ(s.y, 0);  // 15000 / 2147483647 * 1000
    s = Divide(-1e300, -1e300, 1, kOutsideDivided | PT_LEFT | PT_ABOVE);
    EXPECT_EQ(s.x, -15000);
    EXPECT_EQ(s.y, -15000);
    s = Divide(std::numeric_limits<double>::quiet_NaN(), 1e12, 1, kOutsideDivided | PT_BELOW);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, 15000);
}

// ------------------------------------------------------------ vertex loader

class LoaderTest : public ViewTest {
protected:
    uint32_t LoadOne(int32_t x, int32_t y, int32_t z) {
        model->iNumVerts = 0;
        AddVertex(x, y, z);
        RegisterModelWithScene(scene, model);
        LoadModelPointsIntoScene(scene, model);
        return Status(0);
    }
};

TEST_F(LoaderTest, ClassifiesAgainstViewportAndNearPlane) {
    EXPECT_EQ(LoadOne(100, -5, 200), 0x8Au);   // (100, -5, 2): above
    EXPECT_EQ(LoadOne(640, 50, 200), 0x1Au);   // u = w * RESX: right
    EXPECT_EQ(LoadOne(-1, 500, 200), 0x6Au);   // left and below
    EXPECT_EQ(LoadOne(100, 50, 4), 0xCu);      // w = 0.04: behind
    EXPECT_EQ(LoadOne(639, 0, 200), 0x9u);     // v = 0 is inside
    EXPECT_EQ(LoadOne(0, 400, 200), 0x4Au);    // v = w * RESY: below
    EXPECT_EQ(LoadOne(-640, -400, 200), 0xAAu);
    EXPECT_EQ(Pt(0).u, -640.0);
    EXPECT_EQ(Pt(0).w, 2.0);
}

TEST_F(LoaderTest, NearPlaneItselfIsInFront) {
    View().W_CLIP_INSET = 5 * 0.01;  // exactly what z = 5 gives
    EXPECT_EQ(LoadOne(1, 1, 5), 0x9u);
    View().W_CLIP_INSET = std::nextafter(5 * 0.01, 1.0);
    EXPECT_EQ(LoadOne(1, 1, 5), 0xCu);
}

TEST_F(LoaderTest, KeepsPlanBitsAndTakesThemFromTheModelEachFrame) {
    AddVertex(10, 10, 100, PLAN_GROUND | PLAN_NEAR);
    RegisterModelWithScene(scene, model);
    LoadModelPointsIntoScene(scene, model);
    EXPECT_EQ(Pt(0).visible, PLAN_GROUND | PLAN_NEAR | 0x9u);
    // Out of the plan: plan word only, and the old u, v, w stay.
    model->VertexList[0].visible = PLAN_COARSE;
    model->VertexList[0].x = 99;
    LoadModelPointsIntoScene(scene, model);
    EXPECT_EQ(Pt(0).visible, PLAN_COARSE);
    EXPECT_EQ(Pt(0).u, 10.0);
}

TEST_F(LoaderTest, GroundVerticesLeaveTheZTermsOut) {
    // An infinite z column would poison u through 0 * inf if it were used.
    View().TM[2][0] = std::numeric_limits<double>::infinity();
    View().TM[3][2] = 1.0;
    AddVertex(30, 40, 0);
    RegisterModelWithScene(scene, model);
    LoadModelPointsIntoScene(scene, model);
    EXPECT_EQ(Pt(0).u, 30.0);
    EXPECT_EQ(Status(0), 0x9u);
}

TEST_F(LoaderTest, SumsInTheWrittenOrder) {
    // ((x TM00 + y TM10) + z TM20) + TM30: 1e16 + 1 + 1 - 1e16 is 0 this way
    // round (each 1 is lost to rounding), 2 in most others.
    VANTAGE &p = View();
    p.TM[0][0] = 1e16;
    p.TM[1][0] = 1.0;
    p.TM[2][0] = 1.0;
    p.TM[3][0] = -1e16;
    AddVertex(1, 1, 1);
    RegisterModelWithScene(scene, model);
    LoadModelPointsIntoScene(scene, model);
    EXPECT_EQ(Pt(0).u, 0.0);
}

// ------------------------------------------------------- edge-driven loader

class VectorLoaderTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        scene->SceneSettings = 0xE9000;  // inactive plan 0xE1000
    }
    void Pass() {
        LoadModelVectorsIntoScene(scene, model);
    }
    uint32_t Nibble(int32_t e) { return scene->EdgeList[e].act & ACT_FLAGS; }
};

TEST_F(VectorLoaderTest, WorkedExampleOverTwoPasses) {
    for (int32_t i = 0; i < 6; ++i) AddVertex(20 * i + 10, 10, 100, i < 3 ? PLAN_GROUND : kDetail);
    AddEdge(0, 1, kPlain);
    AddEdge(1, 2, kConstantly | LinkP(2));
    AddEdge(3, 4, kActive | LinkP(3));
    AddEdge(4, 5, kActive);
    RegisterModelWithScene(scene, model);

    Pass();  // current = 1
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(Status(i), 0x9u) << i;
    EXPECT_EQ(Nibble(2), ACT_ACTIVE | ACT_INVOLVED | 1u);
    EXPECT_EQ(Nibble(3), ACT_ACTIVE | ACT_INVOLVED | 1u);
    EXPECT_EQ(scene->EdgeList[2].act & ~ACT_FLAGS, LinkP(3));  // links kept
    EXPECT_EQ(scene->EdgeList[0].act, 1u);                     // frame parity

    // Everything left of the viewport: edge 1 is no longer seen.
    SetAffineView(-1000.0);
    Pass();  // current = 0
    EXPECT_EQ(Status(0), 0x2Au);
    EXPECT_EQ(Status(2), 0x2Au);
    for (int32_t i = 3; i < 6; ++i) EXPECT_EQ(Status(i), 0u) << i;
    EXPECT_EQ(Nibble(2), ACT_ACTIVE);
    EXPECT_EQ(Nibble(3), ACT_ACTIVE);
    EXPECT_EQ(scene->EdgeList[2].act & ~ACT_FLAGS, LinkP(3));
    EXPECT_EQ(scene->EdgeList[0].act, 0u);
    // Status bits were cleared at the start of the pass, plan bits kept.
    EXPECT_EQ(Pt(4).visible, kDetail);
}

TEST_F(VectorLoaderTest, ActiveEdgesNeverProjectTheDetailLayer) {
    const int32_t g = AddVertex(10, 10, 100, PLAN_GROUND);
    const int32_t d = AddVertex(30, 10, 100, kDetail);
    const int32_t both = AddVertex(50, 10, 100, kDetail | PLAN_GROUND);
    AddEdge(g, g, kPlain);  // edge 0 carries the parity
    AddEdge(d, both, kActive);
    AddEdge(g, d, kActive | ACT_TOGGLE);
    RegisterModelWithScene(scene, model);
    Pass();
    EXPECT_EQ(Status(d), 0u);
    EXPECT_EQ(Status(both), 0u);
    EXPECT_EQ(Status(g), 0x9u);
    // A plain edge reaches the detail layer through the plan.
    AddEdge(d, both, kPlain);
    scene->iScreenNumEdges = 0;
    RegisterModelWithScene(scene, model);
    Pass();
    EXPECT_EQ(Status(d), 0x9u);
    EXPECT_EQ(Status(both), 0x9u);
}

class SentinelTest : public VectorLoaderTest {
protected:
    int32_t sentinel = 0;
    // Edge 0 plain (parity), edge 1 the sentinel (a, b) linked by q to edge
    // 2, an active edge over two detail vertices.
    void Build(int32_t ax, int32_t az, int32_t bx, int32_t bz,
               uint32_t bplan = PLAN_GROUND) {
        const int32_t p = AddVertex(160, 100, 100);
        const int32_t a = AddVertex(ax, 100, az);
        const int32_t b = AddVertex(bx, 100, bz, bplan);
        const int32_t d0 = AddVertex(100, 100, 100, kDetail);
        const int32_t d1 = AddVertex(120, 100, 100, kDetail);
        AddEdge(p, p, kPlain);
        sentinel = AddEdge(a, b, kConstantly | LinkQ(2));
        AddEdge(d0, d1, kActive);
        RegisterModelWithScene(scene, model);
        Pass();
    }
    bool Marked() { return Nibble(2) == (ACT_ACTIVE | ACT_INVOLVED | 1u) && Status(3) == 0x9u; }
};

TEST_F(SentinelTest, SeenWhenInside) {
    Build(10, 100, 20, 100);
    EXPECT_TRUE(Marked());
}

TEST_F(SentinelTest, BothBehindMarksNothing) {
    Build(10, 1, 20, 2);
    EXPECT_FALSE(Marked());
    EXPECT_EQ(Status(1), 0xCu);
    EXPECT_EQ(Status(3), 0u);
}

TEST_F(SentinelTest, OneBehindMarksEvenWithTheFrontEndLeftOfView) {
    Build(-50, 100, 20, 1);
    EXPECT_TRUE(Marked());
    EXPECT_EQ(Status(1), 0x2Au);
}

TEST_F(SentinelTest, BothBeyondOneEdgeMarksNothing) {
    Build(-50, 100, -10, 100);
    EXPECT_FALSE(Marked());
}

TEST_F(SentinelTest, BeyondDifferentEdgesIsSeen) {
    Build(-50, 100, 700, 100);  // one left, one right: it spans the view
    EXPECT_TRUE(Marked());
}

TEST_F(SentinelTest, AnEndOutsideThePlanMarksNothingButIsNotProjected) {
    Build(10, 100, 20, 100, PLAN_COARSE);
    EXPECT_FALSE(Marked());
    EXPECT_EQ(Status(1), 0x9u);
    EXPECT_EQ(Status(2), 0u);
}

TEST_F(VectorLoaderTest, MarkAfterTheEdgesTurnArrivesOnlyAsAFallBack) {
    // The sentinel comes after the active edge it links: in each pass the
    // active edge has had its turn before the mark is made.
    const int32_t p = AddVertex(160, 100, 100);
    const int32_t d0 = AddVertex(100, 100, 100, kDetail);
    const int32_t d1 = AddVertex(120, 100, 100, kDetail);
    const int32_t a = AddVertex(10, 100, 100), b = AddVertex(20, 100, 100);
    AddEdge(p, p, kPlain);
    AddEdge(d0, d1, kActive);
    AddEdge(a, b, kConstantly | LinkP(1));
    RegisterModelWithScene(scene, model);
    for (int pass = 0; pass < 3; ++pass) {
        Pass();
        EXPECT_EQ(Status(d0), 0u) << pass;
        const uint32_t current = scene->EdgeList[0].act & ACT_TOGGLE;
        EXPECT_EQ(Nibble(1), ACT_ACTIVE | ACT_INVOLVED | current) << pass;
    }
}

TEST_F(VectorLoaderTest, UnknownNibblesAreSkipped) {
    const int32_t p = AddVertex(160, 100, 100);
    const int32_t a = AddVertex(10, 10, 100), b = AddVertex(20, 10, 100);
    AddEdge(p, p, kPlain);
    AddEdge(a, b, kPlain);
    RegisterModelWithScene(scene, model);
    for (uint32_t nibble : {0x2u, 0x3u, 0x4u, 0x5u, 0x6u, 0x7u, 0xEu, 0xFu}) {
        const uint32_t act = nibble | LinkP(1) | LinkQ(0);
        scene->EdgeList[1].act = act;
        Pass();
        EXPECT_EQ(Status(a), 0u) << nibble;
        EXPECT_EQ(Status(b), 0u) << nibble;
        EXPECT_EQ(scene->EdgeList[1].act, act) << nibble;
    }
}

}  // namespace
