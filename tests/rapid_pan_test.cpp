// Rapid pan: the shift of screen points, their outcodes, and the surfaces
// it draws, clips, hides and reveals.
#include <array>

#include "tests/view_fixture.h"

namespace {

constexpr uint32_t kInside = 0x9, kOutside = 0xA, kDivided = 0xB, kBehind = 0xC;

// With the fixture's view (u = x, v = y, w = z / 100) the target at
// (160, 100, 100) is on screen at (160, 100); moving it by dx moves every
// screen point by -dx.
class PanTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        VANTAGE &p = View();
        p.XT = 160.0;
        p.YT = 100.0;
        p.ZT = 100.0;
    }

    // Points set by hand: (screen x, screen y, status); surfaces none.
    void Points(std::initializer_list<std::array<int32_t, 3>> pts) {
        int32_t i = 0;
        for (const auto &p : pts) {
            Sp(i) = sSPOINT{static_cast<int16_t>(p[0]), static_cast<int16_t>(p[1])};
            Pt(i).visible = PLAN_GROUND | static_cast<uint32_t>(p[2]);
            ++i;
        }
        scene->iScreenNumVerts = i;
    }

    // A target-only frame that moves the picture by (sx, sy).
    void Pan(int32_t sx, int32_t sy = 0) {
        VANTAGE &p = View();
        p.XT -= sx;
        p.YT -= sy;
        p.DXT = -sx;
        p.DYT = -sy;
        p.DZT = 0.0;
        p.ADXT -= sx;
        p.ADYT -= sy;
        RapidPan(scene, model);
    }
};

TEST_F(PanTest, EveryCallCountsEvenWithoutMotion) {
    Points({{5, 7, kInside}});
    Pan(0);
    Pan(0);
    EXPECT_EQ(scene->iRapidPansTally, 2);
    EXPECT_EQ(Sp(0).x, 5);
    EXPECT_EQ(Sp(0).y, 7);
}

TEST_F(PanTest, PointPassTakesOutcodesAfresh) {
    Points({{5, 50, kInside},
            {319, 50, kInside},
            {50, 199, kInside},
            {50, 0, kInside},
            {-20, -3, kDivided | PT_LEFT | PT_ABOVE}});
    Pan(-10);
    EXPECT_EQ(Sp(0).x, -5);
    EXPECT_EQ(Status(0), kDivided | PT_LEFT);
    EXPECT_EQ(Status(1), kInside);  // 309
    Pan(+10);
    EXPECT_EQ(Status(0), kInside);
    EXPECT_EQ(Status(1), kInside);
    Pan(+1, +1);
    EXPECT_EQ(Sp(1).x, 320);
    EXPECT_EQ(Status(1), kDivided | PT_RIGHT);  // x = wid
    EXPECT_EQ(Status(2), kDivided | PT_BELOW);  // y = hgt
    EXPECT_EQ(Status(3), kInside);
    EXPECT_EQ(Status(4), kDivided | PT_LEFT | PT_ABOVE);
    Pan(+30, +10);  // old outcodes go, plan bits stay
    EXPECT_EQ(Pt(4).visible, PLAN_GROUND | kInside);
    EXPECT_EQ(Sp(4).x, 11);
    EXPECT_EQ(Sp(4).y, 8);
}

TEST_F(PanTest, PointsWithoutScreenCoordinatesStayPut) {
    Points({{5, 5, kOutside | PT_LEFT}, {6, 6, kBehind}, {7, 7, 0}, {8, 8, 0x8}});
    Pan(+20, +20);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Sp(i).x, 5 + i) << i;
        EXPECT_EQ(Sp(i).y, 5 + i) << i;
    }
    EXPECT_EQ(Status(0), kOutside | PT_LEFT);
    EXPECT_EQ(Status(1), kBehind);
}

TEST_F(PanTest, ShiftIsStoredIn16Bits) {
    Points({{32767, 50, kDivided | PT_RIGHT}});
    Pan(+1);
    EXPECT_EQ(Sp(0).x, -32768);
    EXPECT_EQ(Status(0), kDivided | PT_LEFT);
}

TEST_F(PanTest, ReferencePointsTruncateTowardZero) {
    // Target at x -0.5, last frame's at 0.5: both truncate to 0, no shift.
    Points({{50, 50, kInside}});
    VANTAGE &p = View();
    p.XT = -0.5;
    p.DXT = -1.0;
    RapidPan(scene, model);
    EXPECT_EQ(Sp(0).x, 50);
}

// ---------------------------------------------------------- surface pass

class PanSurfaceTest : public PanTest {
protected:
    // A triangle over points 0..2 with the given surface status.
    int32_t Triangle(uint32_t status, uint32_t plan = PLAN_GROUND) {
        POLYGONLIST &s = Surf(scene->iScreenNumPolygons);
        const int32_t base = 3 * scene->iScreenNumPolygons;
        s.numv = 3;
        for (int32_t j = 0; j < 3; ++j) s.v[j] = base + j;
        s.visible = plan | status;
        return scene->iScreenNumPolygons++;
    }
};

TEST_F(PanSurfaceTest, DrawnSurfaceLeavingTheViewGainsTheClipBit) {
    Points({{5, 50, kInside}, {50, 50, kInside}, {50, 90, kInside}});
    Triangle(VIS_DRAW);
    Pan(+200);
    EXPECT_EQ(SurfStatus(0), VIS_DRAW);
    Pan(+100);  // 305, 350, 350: two leave on the right
    EXPECT_EQ(SurfStatus(0), VIS_DRAW | VIS_CLIP);
}

TEST_F(PanSurfaceTest, ClippedSurfaceWhollyOffOneEdgeIsHidden) {
    Points({{300, 50, kInside}, {310, 50, kInside}, {0, 0, kBehind}});
    Triangle(VIS_DRAW | VIS_CLIP);
    Pan(+15);  // 315 and 325: not yet all beyond the right edge
    EXPECT_EQ(SurfStatus(0), VIS_DRAW | VIS_CLIP);
    Pan(+10);  // 325, 335; the point behind does not count
    EXPECT_EQ(SurfStatus(0), VIS_CLIP);
}

class RevealTest : public PanSurfaceTest {
protected:
    // A surface left of the view: point 0 divided at the last complete
    // reprojection (screen -10), points 1 and 2 never divided.
    void SetUp() override {
        PanSurfaceTest::SetUp();
        Points({{-10, 50, kDivided | PT_LEFT}, {0, 0, kOutside | PT_LEFT}, {0, 0, kOutside | PT_LEFT}});
        Pt(0).u = -10.0, Pt(0).v = 50.0, Pt(0).w = 1.0;
        Pt(1).u = -400.0, Pt(1).v = 120.0, Pt(1).w = 2.0;    // screen (-200, 60)
        Pt(2).u = -40000.0, Pt(2).v = 100.0, Pt(2).w = 1.0;  // far left
        Triangle(VIS_CLIP | PT_LEFT | 0x200u);
    }
};

TEST_F(RevealTest, StaysHiddenWhileStillBeyondTheEdge) {
    Pan(+5);
    EXPECT_EQ(SurfStatus(0), VIS_CLIP | PT_LEFT | 0x200u);
    EXPECT_EQ(Status(1), kOutside | PT_LEFT);
    EXPECT_EQ(Sp(1).x, 0);
}

TEST_F(RevealTest, ComingIntoViewDividesWithTheTotalShift) {
    Pan(+5);   // point 0 to -5
    Pan(+15);  // point 0 to 10: inside, so the surface shows
    EXPECT_EQ(SurfStatus(0) & 0x3u, VIS_DRAW | VIS_CLIP);
    EXPECT_EQ(Status(0), kInside);
    // Point 1: -200 + 20 = -180, y 60 + 0.
    EXPECT_EQ(Sp(1).x, -180);
    EXPECT_EQ(Sp(1).y, 60);
    EXPECT_EQ(Status(1), kDivided | PT_LEFT);
    // Point 2: -40000 + 20 = -39980, limited: y = trunc(15000 / 39980 * 100).
    EXPECT_EQ(Sp(2).x, -15000);
    EXPECT_EQ(Sp(2).y, 37);
    EXPECT_EQ(Status(2), kDivided | PT_LEFT);
    EXPECT_EQ(scene->iRapidPansTally, 2);
}

TEST_F(RevealTest, RevealedInsideBecomesExactlyInside) {
    Pt(1).u = 40.0;  // screen 20 before any shift
    Pt(1).visible |= PT_ABOVE;  // stale outcodes are cleared too
    Pan(+20);
    EXPECT_EQ(Sp(1).x, 40);
    EXPECT_EQ(Pt(1).visible, PLAN_GROUND | kInside);
}

TEST_F(RevealTest, SurfaceOutsideThePlanIsNeverRevealed) {
    Surf(0).visible = (Surf(0).visible & VIS_STATUS_MASK) | PLAN_COARSE;
    Pan(+20);
    EXPECT_EQ(SurfStatus(0) & VIS_DRAW, 0u);
    EXPECT_EQ(Status(1), kOutside | PT_LEFT);
}

TEST_F(RevealTest, SurfaceWithAVertexBehindWaitsForTheNextReprojection) {
    Pt(2).visible = PLAN_GROUND | kBehind;
    Surf(0).visible |= VIS_NEAR;
    Pan(+20);
    EXPECT_EQ(SurfStatus(0) & VIS_DRAW, 0u);
    EXPECT_EQ(Status(1), kOutside | PT_LEFT);  // nothing divided
    EXPECT_EQ(Sp(1).x, 0);
}

TEST_F(RevealTest, AlreadyDividedPointsAreNotRecomputed) {
    // Point 0 moved with the pans; recomputing it from u / w plus the total
    // shift would give the same place here, so make its u disagree.
    Pt(0).u = -1000.0;
    Pan(+20);
    EXPECT_EQ(Sp(0).x, 10);
}

TEST_F(PanSurfaceTest, SurfacesNotDrawnNorClippedAreLeftAlone) {
    Points({{10, 10, kInside}, {20, 10, kInside}, {20, 20, kInside}});
    Triangle(VIS_NEAR);
    Pan(+400);
    EXPECT_EQ(SurfStatus(0), VIS_NEAR);
}

// ----------------------------------------------------------- with the driver

TEST_F(PanTest, UnprojectableReferenceReprojectsCompletely) {
    const int32_t a = AddVertex(100, 50, 100), b = AddVertex(140, 50, 100),
                  c = AddVertex(140, 90, 100);
    AddPolygon({a, b, c});
    FirstFrame();
    scene->iRapidPansLimit = 2;
    Pan(+10);
    ASSERT_EQ(Sp(a).x, 110);
    // Last frame's target now lies behind the near plane.
    VANTAGE &p = View();
    p.DZT = 99.0;
    p.ADXT = 5.0;
    AddModelToScene(scene, model, VIEW_TARGET_MOVED);
    EXPECT_EQ(scene->iRapidPansTally, 0);
    EXPECT_EQ(p.ADXT, 0.0);
    EXPECT_EQ(Sp(a).x, 100);
}

}  // namespace
