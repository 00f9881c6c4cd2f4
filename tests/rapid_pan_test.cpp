// Rapid pan: the shift of screen points, their outcodes, and the surfaces
// it draws, clips, hides and reveals.
#include <array>

#include "tests/view_fixture.h"

namespace {

// Moving the target by d moves every screen point by -d.
class PanTest : public ViewTest {
protected:
    // Points set by hand: (screen x, screen y, status).
    void Points(std::initializer_list<std::array<int32_t, 3>> pts) {
        int32_t i = 0;
        for (const auto &p : pts) {
            Sp(i) = sSPOINT{static_cast<int16_t>(p[0]), static_cast<int16_t>(p[1])};
            Pt(i++).visible = PLAN_GROUND | static_cast<uint32_t>(p[2]);
        }
        scene->iScreenNumVerts = i;
    }

    // Surface 0, a triangle over points 0 to 2.
    void Triangle(uint32_t visible) {
        Surf(0) = POLYGONLIST{};
        Surf(0).numv = 3;
        for (int32_t j = 0; j < 3; ++j) Surf(0).v[j] = j;
        Surf(0).visible = visible;
        scene->iScreenNumPolygons = 1;
    }

    // A target-only frame that moves the picture by (sx, sy).
    void Pan(int32_t sx, int32_t sy = 0) {
        MoveTarget(-sx, -sy);
        RapidPan(scene);
    }
};

// Points with screen coordinates (0x9, 0xB) move and take their outcodes
// afresh, plan bits kept; the others have nothing to move.  Every call counts.
TEST_F(PanTest, PointPassShiftsAndReclassifies) {
    const struct {
        std::array<int32_t, 3> before;
        int32_t sx, sy;
        std::array<int32_t, 3> after;
    } rows[] = {
        {{5, 7, kInside}, 0, 0, {5, 7, kInside}},
        {{5, 50, kInside}, -10, 0, {-5, 50, kDivided | PT_LEFT}},
        {{-5, 50, kDivided | PT_LEFT}, +10, 0, {5, 50, kInside}},
        {{319, 50, kInside}, +1, 0, {320, 50, kDivided | PT_RIGHT}},  // x = wid
        {{50, 199, kInside}, 0, +1, {50, 200, kDivided | PT_BELOW}},  // y = hgt
        {{50, 1, kInside}, 0, -1, {50, 0, kInside}},
        {{-20, -3, kDivided | PT_LEFT | PT_ABOVE}, +30, +10, {10, 7, kInside}},
        {{32767, 50, kDivided | PT_RIGHT}, +1, 0, {-32768, 50, kDivided | PT_LEFT}},  // 16 bits
        {{5, 5, kOutside | PT_LEFT}, +20, +20, {5, 5, kOutside | PT_LEFT}},
        {{6, 6, kBehind}, +20, +20, {6, 6, kBehind}},
        {{7, 7, 0x0}, +20, +20, {7, 7, 0x0}},
        {{8, 8, 0x8}, +20, +20, {8, 8, 0x8}},
    };
    for (const auto &r : rows) {
        Points({r.before});
        Pan(r.sx, r.sy);
        EXPECT_EQ(XY(0), std::make_pair(r.after[0], r.after[1])) << r.before[0] << ", " << r.before[1];
        EXPECT_EQ(Pt(0).visible, PLAN_GROUND | static_cast<uint32_t>(r.after[2]))
            << r.before[0] << ", " << r.before[1];
    }
    EXPECT_EQ(scene->iRapidPansTally, static_cast<int32_t>(std::size(rows)));
}

TEST_F(PanTest, ReferencePointsTruncateTowardZero) {
    // Target at x -0.5, last frame's at 0.5: both truncate to 0, no shift.
    Points({{50, 50, kInside}});
    View().XT = -0.5;
    View().DXT = -1.0;
    RapidPan(scene);
    EXPECT_EQ(Sp(0).x, 50);
}

// Drawn surfaces gain the clip bit as they leave the view and lose the draw
// bit once wholly beyond one edge (points behind the near plane not counted).
TEST_F(PanTest, SurfacePassClipsAndHides) {
    const struct {
        uint32_t before;
        std::array<int32_t, 3> points[3];
        int32_t pan1;
        uint32_t after1;
        int32_t pan2;
        uint32_t after2;
    } rows[] = {
        {VIS_DRAW, {{5, 50, kInside}, {50, 50, kInside}, {50, 90, kInside}},
         +200, VIS_DRAW, +100, VIS_DRAW | VIS_CLIP},  // 305, 350, 350: two leave on the right
        {VIS_DRAW | VIS_CLIP, {{300, 50, kInside}, {310, 50, kInside}, {0, 0, kBehind}},
         +15, VIS_DRAW | VIS_CLIP, +10, VIS_CLIP},  // 315, 325: not yet; then 325, 335
        {VIS_NEAR, {{10, 10, kInside}, {20, 10, kInside}, {20, 20, kInside}},
         +400, VIS_NEAR, 0, VIS_NEAR},  // neither drawn nor clipped: left alone
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(::testing::Message() << "surface status " << r.before);
        Points({r.points[0], r.points[1], r.points[2]});
        Triangle(PLAN_GROUND | r.before);
        Pan(r.pan1);
        EXPECT_EQ(SurfStatus(0), r.after1);
        Pan(r.pan2);
        EXPECT_EQ(SurfStatus(0), r.after2);
    }
}

// A surface left of the view: point 0 divided at the last complete
// reprojection (screen -10), points 1 and 2 never divided.
class RevealTest : public PanTest {
protected:
    void SetUp() override {
        PanTest::SetUp();
        Build();
    }
    void Build() {
        View().XT = 160.0;
        View().ADXT = 0.0;
        Points({{-10, 50, kDivided | PT_LEFT}, {0, 0, kOutside | PT_LEFT}, {0, 0, kOutside | PT_LEFT}});
        Pt(0).u = -10.0, Pt(0).v = 50.0, Pt(0).w = 1.0;
        Pt(1).u = -400.0, Pt(1).v = 120.0, Pt(1).w = 2.0;    // screen (-200, 60)
        Pt(2).u = -40000.0, Pt(2).v = 100.0, Pt(2).w = 1.0;  // far left
        Triangle(PLAN_GROUND | VIS_CLIP | PT_LEFT | 0x200u);
    }
};

TEST_F(RevealTest, ComingIntoViewDividesWithTheTotalShift) {
    Pan(+5);   // point 0 to -5
    Pan(+15);  // point 0 to 10: inside, so the surface shows
    EXPECT_EQ(SurfStatus(0) & 0x3u, VIS_DRAW | VIS_CLIP);
    EXPECT_EQ(Status(0), kInside);
    // Point 1: -200 + 20 = -180, y 60 + 0.
    EXPECT_EQ(XY(1), std::make_pair(-180, 60));
    EXPECT_EQ(Status(1), kDivided | PT_LEFT);
    // Point 2: -40000 + 20 = -39980, limited: y = trunc(15000 / 39980 * 100).
    EXPECT_EQ(XY(2), std::make_pair(-15000, 37));
    EXPECT_EQ(Status(2), kDivided | PT_LEFT);
    EXPECT_EQ(scene->iRapidPansTally, 2);
}

TEST_F(RevealTest, RevealedInsideBecomesExactlyInside) {
    Pt(1).u = 40.0;             // screen 20 before any shift
    Pt(1).visible |= PT_ABOVE;  // stale outcodes are cleared too
    Pan(+20);
    EXPECT_EQ(Sp(1).x, 40);
    EXPECT_EQ(Pt(1).visible, PLAN_GROUND | kInside);
}

TEST_F(RevealTest, AlreadyDividedPointsAreNotRecomputed) {
    // Recomputed from u / w plus the total shift, point 0 would land at -980.
    Pt(0).u = -1000.0;
    Pan(+20);
    EXPECT_EQ(Sp(0).x, 10);
}

// Still beyond the edge, outside the plan, or with a vertex behind the near
// plane (no screen point a pan could give it): not drawn, nothing divided.
TEST_F(RevealTest, SomeSurfacesStayHidden) {
    const struct {
        int32_t pan;
        uint32_t plan, point2;
    } rows[] = {{+5, PLAN_GROUND, kOutside | PT_LEFT},
                {+20, PLAN_COARSE, kOutside | PT_LEFT},
                {+20, PLAN_GROUND, kBehind}};
    for (const auto &r : rows) {
        SCOPED_TRACE(::testing::Message() << "plan " << r.plan << ", point 2 status " << r.point2);
        Build();
        Pt(2).visible = PLAN_GROUND | r.point2;
        Surf(0).visible = r.plan | VIS_CLIP | PT_LEFT | 0x200u | (r.point2 == kBehind ? VIS_NEAR : 0u);
        const uint32_t before = SurfStatus(0);
        Pan(r.pan);
        EXPECT_EQ(SurfStatus(0), before);
        EXPECT_EQ(Status(1), kOutside | PT_LEFT);
        EXPECT_EQ(Sp(1).x, 0);
    }
}

TEST_F(PanTest, UnprojectableReferenceReprojectsCompletely) {
    const int32_t a = AddVertex(100, 50, 100);
    AddPolygon({a, AddVertex(140, 50, 100), AddVertex(140, 90, 100)});
    FirstFrame();
    scene->iRapidPansLimit = 2;
    Pan(+10);
    ASSERT_EQ(Sp(a).x, 110);
    // Last frame's target now lies behind the near plane.
    View().DZT = 99.0;
    View().ADXT = 5.0;
    AddModelToScene(scene, model, VIEW_TARGET_MOVED);
    EXPECT_EQ(scene->iRapidPansTally, 0);
    EXPECT_EQ(View().ADXT, 0.0);
    EXPECT_EQ(Sp(a).x, 100);
}

}  // namespace
