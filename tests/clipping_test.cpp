// Visible surfaces and near-plane clipping: the rules' boundaries.  The
// conformance scenarios pin whole frames of cuts on the stadium.
#include <algorithm>
#include <vector>

#include "model/model.h"
#include "tests/view_fixture.h"

namespace {

// Point statuses are set by hand; the stage reads nothing else of a point.
TEST_F(ViewTest, VisibleSurfacesFollowTheirPointsStatuses) {
    constexpr uint32_t kHigh = 0xF0000000u;  // carried, never interpreted
    constexpr uint32_t in = kInside, R = kOutside | PT_RIGHT, L = kOutside | PT_LEFT,
                       A = kOutside | PT_ABOVE, B = kBehind;  // B: behind the near plane
    const struct {
        uint32_t plan;
        std::vector<uint32_t> points;
        uint32_t expected;
        std::vector<int32_t> divided;  // the outside points a drawn surface needs
    } rows[] = {
        {PLAN_GROUND, {in, R, R | PT_BELOW, in}, VIS_DRAW | VIS_CLIP | 0x500u, {1, 2}},
        // Outside from the last vertex on still finds the common edge.
        {PLAN_GROUND, {R | PT_ABOVE, R, R}, VIS_CLIP | PT_RIGHT | 0x900u, {}},
        {PLAN_GROUND, {L, R, R}, VIS_DRAW | VIS_CLIP | 0x300u, {0, 1, 2}},
        {PLAN_COARSE, {in, in, in}, 0, {}},
        {PLAN_GROUND, {in}, 0, {}},
        {PLAN_GROUND, {in, in}, VIS_DRAW, {}},  // a line is a surface
        // A vertex not transformed this frame (status 8 or less); with the
        // last one behind the near bit stays alone.
        {PLAN_GROUND, {in, in, in, 0x8}, 0, {}},
        {PLAN_GROUND, {in, 0, in, B}, VIS_NEAR, {}},
        // Across the near plane the front vertices decide; with the last one
        // in front and all front ones inside, the cut sets the clip bit.
        {PLAN_GROUND, {in, in, in, B}, VIS_DRAW | VIS_CLIP | VIS_NEAR, {}},
        {PLAN_GROUND, {in, B, in, in}, VIS_DRAW | VIS_NEAR, {}},
        {PLAN_GROUND, {L, B, L, L}, VIS_NEAR | VIS_CLIP | PT_LEFT | 0x200u, {}},
        {PLAN_GROUND, {L, L, L, B}, VIS_NEAR | VIS_CLIP | PT_LEFT | 0x200u, {}},
        {PLAN_GROUND, {B, B, B, B}, VIS_NEAR, {}},
        {PLAN_GROUND, {in, A, B, B}, VIS_DRAW | VIS_CLIP | VIS_NEAR | 0x800u, {1}},
    };
    int row = 0;
    for (const auto &r : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << row++);
        const int32_t n = static_cast<int32_t>(r.points.size());
        POLYGONLIST &m = model->PolygonList[0];
        m.numv = n;
        for (int32_t j = 0; j < n; ++j) m.v[j] = j;
        m.visible = r.plan | VIS_DRAW | kHigh;
        model->iNumPolygons = 1;
        RegisterModelWithScene(scene, model);
        for (int32_t j = 0; j < n; ++j) Pt(j).visible = PLAN_GROUND | r.points[j];
        PrepareVisibleSurfaces(scene, model);
        EXPECT_EQ(SurfStatus(0), r.expected);
        EXPECT_EQ(Surf(0).visible & ~VIS_STATUS_MASK, r.plan | kHigh);
        for (int32_t j = 0; j < n; ++j) {
            const bool divided = std::count(r.divided.begin(), r.divided.end(), j) != 0;
            EXPECT_EQ(Status(j), r.points[j] | (divided ? PT_DIVIDE : 0u)) << "point " << j;
        }
    }
}

// With the fixture's view a vertex at z = 100 has w = 1 and one at z = -100
// has w = -1 (behind); u = x and v = y.
class ClipTest : public ViewTest {
protected:
    int32_t quad = 0;
    // A quad whose third corner is behind the near plane.
    void Quad() {
        quad = AddPolygon({AddVertex(100, 50, 100), AddVertex(140, 50, 100), AddVertex(140, 90, -100),
                           AddVertex(100, 90, 100)});
    }
    // Cuts a triangle whose points are set by hand, behind the plane by their w.
    void CutTriangle(const POINT3D &f, const POINT3D &r, const POINT3D &g) {
        AddPolygon({AddVertex(0, 0, 0), AddVertex(1, 0, 0), AddVertex(2, 0, 0)});
        RegisterModelWithScene(scene, model);
        int32_t i = 0;
        for (const POINT3D &p : {f, r, g})
            Pt(i++) = POINT3D{p.u, p.v, p.w, PLAN_GROUND | (p.w < 0.05 ? kBehind : kInside)};
        PrepareVisibleSurfaces(scene, model);
        ASSERT_EQ(SurfStatus(0), VIS_DRAW | VIS_NEAR);
        PerformZClipping(scene, model);
    }
};

// A triangle with two corners behind keeps two before the outline is closed
// along the plane.
TEST_F(ClipTest, CutThatLeavesTwoCornersBeforeClosing) {
    quad = AddPolygon({AddVertex(100, 50, 100), AddVertex(140, 50, -100), AddVertex(140, 90, -100)});
    FirstFrame();
    EXPECT_EQ(scene->iScreenNumVerts, 5);
    EXPECT_EQ(scene->iScreenNumEdges, 6);
    ASSERT_EQ(Surf(quad).numv, 3);
    EXPECT_EQ(std::vector<int32_t>(Surf(quad).v, Surf(quad).v + 3), (std::vector<int32_t>{0, 3, 4}));
    const EDGELIST &closing = scene->EdgeList[Surf(quad).e[1]];  // new, in this direction
    EXPECT_EQ(closing.a, 3);
    EXPECT_EQ(closing.b, 4);
    EXPECT_EQ(closing.act, 0u);
    EXPECT_EQ(Pt(4).w, 0.05);
    EXPECT_EQ(SurfStatus(quad) & 0xFu, VIS_DRAW | VIS_CLIP | VIS_REWRITTEN);
}

TEST_F(ClipTest, NewPointOnTheNearPlanesBoundIsInside) {
    // v = h = 0.05 * 200 = 10 exactly: inside at the near plane, unlike a
    // transformed point at v = w * RESY.
    CutTriangle({5, 10, 1.0, 0}, {5, 10, -1.0, 0}, {6, 10, 1.0, 0});
    EXPECT_EQ(Pt(3).v, 10.0);
    EXPECT_EQ(Status(3), kDivided);
    EXPECT_EQ(Status(4), kDivided);
}

TEST_F(ClipTest, SkippedWhileNoClippingIsSet) {
    Quad();
    NOCLIPPING = 1;
    FirstFrame();
    NOCLIPPING = 0;
    EXPECT_EQ(SurfStatus(quad), VIS_DRAW | VIS_NEAR);
    EXPECT_EQ(Surf(quad).numv, 4);
    EXPECT_EQ(scene->iScreenNumVerts, 4);
}

// Pools and outlines that cannot hold the cut leave the surface undrawn.
TEST_F(ClipTest, CutThatDoesNotFitLeavesTheSurfaceUndrawn) {
    const struct {
        int32_t fillVerts, fillEdges;
        bool cut;
    } rows[] = {
        {QUELM_MAX_VERTICES - 6, QUELM_MAX_EDGES - 7, true},  // filling the pools exactly
        {QUELM_MAX_VERTICES - 5, 0, false},                    // one point short
        {0, QUELM_MAX_EDGES - 6, false},  // the two cut edges fit, the closing one not
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(::testing::Message() << r.fillVerts << " points, " << r.fillEdges << " edges");
        model->iNumVerts = model->iNumEdges = model->iNumPolygons = scene->iScreenNumEdges = 0;
        for (int32_t i = 0; i < r.fillVerts; ++i) AddVertex(0, 0, 0, 0);
        for (int32_t i = 0; i < r.fillEdges; ++i) AddEdge(0, 0);
        Quad();
        FirstFrame();
        EXPECT_EQ(SurfStatus(quad), r.cut ? VIS_DRAW | VIS_CLIP | VIS_REWRITTEN | 0x500u : VIS_NEAR);
        EXPECT_EQ(Surf(quad).numv, r.cut ? 5 : 4);
        EXPECT_EQ(scene->iScreenNumVerts, r.cut ? QUELM_MAX_VERTICES : model->iNumVerts);
        EXPECT_EQ(scene->iScreenNumEdges, r.cut ? QUELM_MAX_EDGES : model->iNumEdges);
        EXPECT_EQ(model->PolygonList[quad].numv, 4);  // the model is never rewritten
    }
    // A heptagon with one corner behind would need eight; six corners leave
    // room for the seventh.
    const int32_t xs[] = {100, 140, 160, 140, 100, 80, 90}, ys[] = {40, 40, 60, 80, 80, 60, 50};
    for (int32_t corners : {7, 6}) {
        model->iNumVerts = model->iNumEdges = model->iNumPolygons = scene->iScreenNumEdges = 0;
        for (int32_t i = 0; i < corners; ++i) AddVertex(xs[i], ys[i], i == 2 ? -100 : 100);
        quad = corners == 7 ? AddPolygon({0, 1, 2, 3, 4, 5, 6}) : AddPolygon({0, 1, 2, 3, 4, 5});
        FirstFrame();
        EXPECT_EQ(Surf(quad).numv, 7) << corners;
        EXPECT_EQ(scene->iScreenNumVerts, corners == 7 ? 7 : 8) << corners;
        EXPECT_EQ(SurfStatus(quad) & 0xFu, corners == 7 ? VIS_NEAR : VIS_DRAW | VIS_CLIP | VIS_REWRITTEN)
            << corners;
    }
}

}  // namespace
