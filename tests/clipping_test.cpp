// Visible surfaces and near-plane clipping.
#include <cmath>

#include "model/model.h"
#include "tests/view_fixture.h"

namespace {

constexpr uint32_t kInside = 0x9, kOutside = 0xA, kDivided = 0xB, kBehind = 0xC;
constexpr uint32_t kHigh = 0xF0000000u;  // carried, never interpreted

// -------------------------------------------------------- visible surfaces

// Point statuses are set by hand; the stage reads nothing else of a point.
class SurfaceTest : public ViewTest {
protected:
    int32_t Surface(int32_t n, uint32_t visible = PLAN_GROUND | VIS_DRAW | kHigh) {
        model->iNumVerts = 0;
        model->iNumEdges = 0;
        model->iNumPolygons = 0;
        for (int32_t i = 0; i < n; ++i) AddVertex(i, i, 100);
        const int32_t all[] = {0, 1, 2, 3, 4, 5, 6};
        POLYGONLIST &p = model->PolygonList[0];
        p.numv = n;
        for (int32_t j = 0; j < n; ++j) p.v[j] = all[j];
        p.visible = visible;
        model->iNumPolygons = 1;
        scene->iScreenNumEdges = 0;
        RegisterModelWithScene(scene, model);
        return 0;
    }
    uint32_t Decide(std::initializer_list<uint32_t> statuses) {
        int32_t i = 0;
        for (uint32_t s : statuses) Pt(i++).visible = PLAN_GROUND | s;
        PrepareVisibleSurfaces(scene, model);
        return SurfStatus(0);
    }
};

TEST_F(SurfaceTest, WhollyInsideIsDrawnOnly) {
    Surface(4);
    EXPECT_EQ(Decide({kInside, kInside, kInside, kInside}), VIS_DRAW);
    EXPECT_EQ(Surf(0).visible & ~VIS_STATUS_MASK, PLAN_GROUND | kHigh);
}

TEST_F(SurfaceTest, StraddlingIsDrawnClippedAndDividesItsOutsidePoints) {
    Surface(4);
    EXPECT_EQ(Decide({kInside, kOutside | PT_RIGHT, kOutside | PT_RIGHT | PT_BELOW, kInside}),
              VIS_DRAW | VIS_CLIP | 0x500u);
    EXPECT_EQ(Status(1), kDivided | PT_RIGHT);
    EXPECT_EQ(Status(2), kDivided | PT_RIGHT | PT_BELOW);
    EXPECT_EQ(Status(0), kInside);
}

TEST_F(SurfaceTest, OutsideFromTheLastVertexOnStillFindsTheCommonEdge) {
    Surface(3);
    EXPECT_EQ(Decide({kOutside | PT_RIGHT | PT_ABOVE, kOutside | PT_RIGHT, kOutside | PT_RIGHT}),
              VIS_CLIP | PT_RIGHT | 0x900u);
    EXPECT_EQ(Status(1), kOutside | PT_RIGHT);  // not drawn: nothing divided
}

TEST_F(SurfaceTest, BeyondDifferentEdgesIsDrawn) {
    Surface(3);
    EXPECT_EQ(Decide({kOutside | PT_LEFT, kOutside | PT_RIGHT, kOutside | PT_RIGHT}),
              VIS_DRAW | VIS_CLIP | 0x300u);
    EXPECT_EQ(Status(0), kDivided | PT_LEFT);
}

TEST_F(SurfaceTest, OutsideThePlanOrTooFewVerticesIsNotDrawn) {
    Surface(3, PLAN_COARSE | VIS_DRAW);
    EXPECT_EQ(Decide({kInside, kInside, kInside}), 0u);
    Surface(1);
    EXPECT_EQ(Decide({kInside}), 0u);
    Surface(2);  // a line is a surface
    EXPECT_EQ(Decide({kInside, kInside}), VIS_DRAW);
}

TEST_F(SurfaceTest, AnUntransformedVertexIsNotDrawn) {
    Surface(4);
    EXPECT_EQ(Decide({kInside, 0, kInside, kInside}), 0u);
    EXPECT_EQ(Decide({kInside, kInside, kInside, 0}), 0u);
    // With the last vertex behind, the near bit stays alone.
    EXPECT_EQ(Decide({kInside, 0, kInside, kBehind}), VIS_NEAR);
}

TEST_F(SurfaceTest, NearPlaneCases) {
    Surface(4);
    // Last vertex behind: drawn, clipped and near here already.
    EXPECT_EQ(Decide({kInside, kInside, kInside, kBehind}), VIS_DRAW | VIS_CLIP | VIS_NEAR);
    // Last vertex in front and all front ones inside: the cut sets the clip bit.
    EXPECT_EQ(Decide({kInside, kBehind, kInside, kInside}), VIS_DRAW | VIS_NEAR);
    // All front vertices left of the view: not drawn.
    EXPECT_EQ(Decide({kOutside | PT_LEFT, kBehind, kOutside | PT_LEFT, kOutside | PT_LEFT}),
              VIS_NEAR | VIS_CLIP | PT_LEFT | 0x200u);
    EXPECT_EQ(Decide({kOutside | PT_LEFT, kOutside | PT_LEFT, kOutside | PT_LEFT, kBehind}),
              VIS_NEAR | VIS_CLIP | PT_LEFT | 0x200u);
    // Wholly behind.
    EXPECT_EQ(Decide({kBehind, kBehind, kBehind, kBehind}), VIS_NEAR);
    // Last behind, one front vertex outside: draws and divides it.
    EXPECT_EQ(Decide({kInside, kOutside | PT_ABOVE, kBehind, kBehind}),
              VIS_DRAW | VIS_CLIP | VIS_NEAR | 0x800u);
    EXPECT_EQ(Status(1), kDivided | PT_ABOVE);
}

// ------------------------------------------------------ near-plane clipping

// With the fixture's view a vertex at z = 100 has w = 1 and one at z = -100
// has w = -1 (behind); u = x and v = y.
class ClipTest : public ViewTest {
protected:
    int32_t a, b, c, d, quad;
    void Quad(int32_t zc, int32_t zd) {
        a = AddVertex(100, 50, 100);
        b = AddVertex(140, 50, 100);
        c = AddVertex(140, 90, zc);
        d = AddVertex(100, 90, zd);
        quad = AddPolygon({a, b, c, d});
    }
    const EDGELIST &Edge(int32_t e) { return scene->EdgeList[e]; }
    // Edge e joins p and q, in this direction.
    void ExpectEdge(int32_t e, int32_t p, int32_t q) {
        EXPECT_EQ(Edge(e).a, p) << "edge " << e;
        EXPECT_EQ(Edge(e).b, q) << "edge " << e;
        EXPECT_EQ(Edge(e).act, 0u) << "edge " << e;
    }
};

TEST_F(ClipTest, QuadWithOneVertexBehindBecomesAPentagon) {
    Quad(-100, 100);
    FirstFrame();
    const POLYGONLIST &s = Surf(quad);
    ASSERT_EQ(s.numv, 5);
    const int32_t p1 = 4, p2 = 5;  // new points after the model's
    const int32_t expect[] = {a, b, p1, p2, d};
    for (int32_t j = 0; j < 5; ++j) EXPECT_EQ(s.v[j], expect[j]) << j;
    EXPECT_EQ(scene->iScreenNumVerts, 6);
    EXPECT_EQ(scene->iScreenNumEdges, 7);
    // Cut edges keep their direction; the new edge along the plane closes it.
    EXPECT_EQ(s.e[0], model->PolygonList[quad].e[0]);
    ExpectEdge(s.e[1], b, p1);
    ExpectEdge(s.e[2], p1, p2);
    ExpectEdge(s.e[3], p2, d);
    EXPECT_EQ(s.e[4], model->PolygonList[quad].e[3]);
    // Draw, clip and rewritten; near cleared; both new points right and below.
    EXPECT_EQ(SurfStatus(quad), VIS_DRAW | VIS_CLIP | VIS_REWRITTEN | 0x500u);
    EXPECT_EQ(Pt(p1).w, 0.05);
    EXPECT_EQ(Pt(p1).u, 140.0);
    EXPECT_EQ(Status(p1), kDivided | PT_RIGHT | PT_BELOW);
    // The new point carries the plan bits of the point behind.
    EXPECT_EQ(Pt(p2).visible & VIS_PLAN_MASK, PLAN_GROUND);
    // And it was divided: u / w = 140 / 0.05.
    EXPECT_EQ(Sp(p1).x, 2800);
    // The model itself is never rewritten.
    EXPECT_EQ(model->PolygonList[quad].numv, 4);
}

TEST_F(ClipTest, QuadWithTwoAdjacentVerticesBehindKeepsFourCorners) {
    Quad(-100, -100);
    FirstFrame();
    const POLYGONLIST &s = Surf(quad);
    ASSERT_EQ(s.numv, 4);
    EXPECT_EQ(s.v[0], a);
    EXPECT_EQ(s.v[1], b);
    EXPECT_EQ(s.v[2], 4);
    EXPECT_EQ(s.v[3], 5);
    ExpectEdge(s.e[1], b, 4);
    ExpectEdge(s.e[2], 4, 5);
    ExpectEdge(s.e[3], 5, a);  // the model edge runs d -> a, d behind
    EXPECT_EQ(scene->iScreenNumVerts, 6);
    EXPECT_EQ(scene->iScreenNumEdges, 7);
    EXPECT_EQ(SurfStatus(quad) & 0xFu, VIS_DRAW | VIS_CLIP | VIS_REWRITTEN);
}

TEST_F(ClipTest, SurfacesNotDrawnAreNotCut) {
    // Wholly behind.
    a = AddVertex(0, 0, -100);
    b = AddVertex(10, 0, -100);
    c = AddVertex(10, 10, -100);
    AddPolygon({a, b, c});
    // Front vertices all left of the view, one behind.
    const int32_t l0 = AddVertex(-50, 10, 100), l1 = AddVertex(-40, 10, 100),
                  l2 = AddVertex(-40, 20, -100);
    AddPolygon({l0, l1, l2});
    FirstFrame();
    EXPECT_EQ(SurfStatus(0), VIS_NEAR);
    EXPECT_EQ(SurfStatus(1), VIS_NEAR | VIS_CLIP | PT_LEFT | 0x200u);
    EXPECT_EQ(scene->iScreenNumVerts, 6);
    EXPECT_EQ(scene->iScreenNumEdges, 6);
    EXPECT_EQ(Surf(1).numv, 3);
}

TEST_F(ClipTest, CutAtHalfwayMakesTheWorkedPoint) {
    // Stage by stage on hand-set points: F = (10, 5, 1.05) in front,
    // R = (-2, 1, -0.95) behind, G inside; with a 320 x 200 view the cut of
    // F-R is at t = 0.5, in the view at (4, 3, 0.05), screen (80, 60).
    const int32_t f = AddVertex(0, 0, 0), r = AddVertex(1, 0, 0), g = AddVertex(2, 0, 0);
    AddPolygon({f, r, g});
    RegisterModelWithScene(scene, model);
    Pt(f) = POINT3D{10, 5, 1.05, PLAN_GROUND | kInside};
    Pt(r) = POINT3D{-2, 1, -0.95, PLAN_GROUND | kBehind};
    Pt(g) = POINT3D{100, 50, 1.0, PLAN_GROUND | kInside};
    PrepareVisibleSurfaces(scene, model);
    ASSERT_EQ(SurfStatus(0), VIS_DRAW | VIS_NEAR);
    PerformZClipping(scene, model);
    PerspectiveDivide(scene);
    const int32_t p = 3;
    EXPECT_DOUBLE_EQ(Pt(p).u, 4.0);
    EXPECT_DOUBLE_EQ(Pt(p).v, 3.0);
    EXPECT_EQ(Pt(p).w, 0.05);
    EXPECT_EQ(Status(p), kDivided);
    EXPECT_EQ(Sp(p).x, 80);
    EXPECT_EQ(Sp(p).y, 60);
    ASSERT_EQ(Surf(0).numv, 4);
    EXPECT_EQ(Surf(0).v[1], p);
    // The cut of R-G lands right of and below the view at the near plane.
    EXPECT_EQ(Status(p + 1), kDivided | PT_RIGHT | PT_BELOW);
    EXPECT_EQ(SurfStatus(0), VIS_DRAW | VIS_CLIP | VIS_REWRITTEN | 0x500u);
}

TEST_F(ClipTest, NewPointOnTheNearPlanesBoundIsInside) {
    // v = h = 0.05 * 200 = 10 exactly: inside at the near plane, unlike a
    // transformed point at v = w * RESY.
    const int32_t f = AddVertex(0, 0, 0), r = AddVertex(1, 0, 0), g = AddVertex(2, 0, 0);
    AddPolygon({f, r, g});
    RegisterModelWithScene(scene, model);
    Pt(f) = POINT3D{5, 10, 1.0, PLAN_GROUND | kInside};
    Pt(r) = POINT3D{5, 10, -1.0, PLAN_GROUND | kBehind};
    Pt(g) = POINT3D{6, 10, 1.0, PLAN_GROUND | kInside};
    PrepareVisibleSurfaces(scene, model);
    PerformZClipping(scene, model);
    EXPECT_EQ(Pt(3).v, 10.0);
    EXPECT_EQ(Status(3), kDivided);
    EXPECT_EQ(Status(4), kDivided);
}

TEST_F(ClipTest, NextReprojectionRestoresTheModelOutline) {
    Quad(-100, 100);
    FirstFrame();
    ASSERT_EQ(Surf(quad).numv, 5);
    // Cut again from the model's outline, not from last frame's cut.
    AddModelToScene(scene, model, VIEW_CAMERA_MOVED);
    EXPECT_EQ(Surf(quad).numv, 5);
    EXPECT_EQ(Surf(quad).v[2], 4);
    EXPECT_EQ(scene->iScreenNumVerts, 6);
    EXPECT_EQ(scene->iScreenNumEdges, 7);
    // Once nothing is behind, the model's outline comes back whole.
    model->VertexList[c].z = 100;
    AddModelToScene(scene, model, VIEW_CAMERA_MOVED);
    const POLYGONLIST &s = Surf(quad), &m = model->PolygonList[quad];
    ASSERT_EQ(s.numv, 4);
    for (int32_t j = 0; j < 4; ++j) {
        EXPECT_EQ(s.v[j], m.v[j]);
        EXPECT_EQ(s.e[j], m.e[j]);
    }
    EXPECT_EQ(SurfStatus(quad), VIS_DRAW);
    EXPECT_EQ(scene->iScreenNumVerts, 4);
    EXPECT_EQ(scene->iScreenNumEdges, 4);
}

TEST_F(ClipTest, SkippedWhileNoClippingIsSet) {
    Quad(-100, 100);
    NOCLIPPING = 1;
    FirstFrame();
    NOCLIPPING = 0;
    EXPECT_EQ(SurfStatus(quad), VIS_DRAW | VIS_NEAR);
    EXPECT_EQ(Surf(quad).numv, 4);
    EXPECT_EQ(scene->iScreenNumVerts, 4);
}

TEST_F(ClipTest, EachSurfaceMakesItsOwnPoints) {
    // Two quads share the crossing edge b-c: each cuts it for itself.
    Quad(-100, 100);
    const int32_t e = AddVertex(180, 50, 100), f = AddVertex(180, 90, 100);
    AddPolygon({b, e, f, c});
    FirstFrame();
    EXPECT_EQ(scene->iScreenNumVerts, 6 + 4);
    EXPECT_EQ(Surf(0).v[2], 6);
    const POLYGONLIST &s = Surf(1);
    ASSERT_EQ(s.numv, 5);
    const int32_t expect[] = {b, e, f, 8, 9};
    for (int32_t j = 0; j < 5; ++j) EXPECT_EQ(s.v[j], expect[j]) << j;
    // Point 9 is where the second quad cuts b-c: the same place as point 6.
    EXPECT_EQ(Pt(9).u, Pt(6).u);
    EXPECT_EQ(Pt(9).v, Pt(6).v);
}

// Pools and outlines that cannot hold the cut leave the surface undrawn.
class ClipLimitTest : public ClipTest {
protected:
    void Fill(int32_t verts, int32_t edges) {
        for (int32_t i = 0; i < verts; ++i) AddVertex(0, 0, 0, 0);
        for (int32_t i = 0; i < edges; ++i) AddEdge(0, 0);
    }
    void ExpectUncut(int32_t n) {
        EXPECT_EQ(SurfStatus(quad), VIS_NEAR);
        EXPECT_EQ(Surf(quad).numv, n);
        EXPECT_EQ(scene->iScreenNumVerts, model->iNumVerts);
        EXPECT_EQ(scene->iScreenNumEdges, model->iNumEdges);
    }
};

TEST_F(ClipLimitTest, CutFillingThePoolsExactlyIsMade) {
    Fill(QUELM_MAX_VERTICES - 6, QUELM_MAX_EDGES - 7);
    Quad(-100, 100);
    FirstFrame();
    EXPECT_EQ(Surf(quad).numv, 5);
    EXPECT_EQ(scene->iScreenNumVerts, QUELM_MAX_VERTICES);
    EXPECT_EQ(scene->iScreenNumEdges, QUELM_MAX_EDGES);
}

TEST_F(ClipLimitTest, OnePointShortLeavesItUndrawn) {
    Fill(QUELM_MAX_VERTICES - 5, 0);
    Quad(-100, 100);
    FirstFrame();
    ExpectUncut(4);
}

TEST_F(ClipLimitTest, NoEdgeToCloseWithLeavesItUndrawn) {
    Fill(0, QUELM_MAX_EDGES - 6);  // the two cut edges fit, the closing one not
    Quad(-100, 100);
    FirstFrame();
    ExpectUncut(4);
}

TEST_F(ClipLimitTest, MoreThanSevenVerticesLeavesItUndrawn) {
    // A heptagon with one vertex behind would need eight.
    std::vector<int32_t> v;
    const int32_t xs[] = {100, 140, 160, 140, 100, 80, 90};
    const int32_t ys[] = {40, 40, 60, 80, 80, 60, 50};
    for (int32_t i = 0; i < 7; ++i) v.push_back(AddVertex(xs[i], ys[i], i == 2 ? -100 : 100));
    quad = AddPolygon({v[0], v[1], v[2], v[3], v[4], v[5], v[6]});
    FirstFrame();
    ExpectUncut(7);
    // Six corners leave room for the seventh.
    model->iNumVerts = model->iNumEdges = model->iNumPolygons = 0;
    for (int32_t i = 0; i < 6; ++i) v[i] = AddVertex(xs[i], ys[i], i == 2 ? -100 : 100);
    quad = AddPolygon({v[0], v[1], v[2], v[3], v[4], v[5]});
    scene->iScreenNumEdges = 0;
    FirstFrame();
    EXPECT_EQ(Surf(quad).numv, 7);
    EXPECT_EQ(SurfStatus(quad) & 0xFu, VIS_DRAW | VIS_CLIP | VIS_REWRITTEN);
}

}  // namespace

// ------------------------------------------------------- on the real stadium

class StadiumClipTest : public ::testing::Test {
protected:
    SCENE *scene = nullptr;
    CAMERA camera{};

    void SetUp() override {
        scene = InitScene();
        ASSERT_NE(scene, nullptr) << "the stadium model needs quelm.bmp (QUELM_DATA)";
        camera.RenderRect = {0, 0, 319, 199};
        camera.Magnification = 1.0;
    }
    void TearDown() override { DestroyScene(scene); }

    void Look(double cx, double cy, double cz, double tx, double ty, double tz) {
        camera.Xcamera = cx, camera.Ycamera = cy, camera.Zcamera = cz;
        camera.Xtarget = tx, camera.Ytarget = ty, camera.Ztarget = tz;
        AddModelToScene(scene, Model, SetView(&camera, &scene->Perspective));
    }

    // Every corner of a drawn surface has a screen point, and whatever the
    // cut made lies on the near plane.  Returns the number of cut surfaces.
    int CheckDrawn() {
        int cut = 0;
        for (int32_t i = 0; i < scene->iScreenNumPolygons; ++i) {
            const POLYGONLIST &s = scene->ScenePolygonList[i];
            if (!(s.visible & VIS_DRAW)) continue;
            EXPECT_GE(s.numv, 2) << i;
            EXPECT_LE(s.numv, 7) << i;
            for (int32_t j = 0; j < s.numv; ++j) {
                const POINT3D &p = scene->PointList[s.v[j]];
                const uint32_t st = p.visible & 0xFu;
                EXPECT_TRUE(st == kInside || st == kDivided) << "surface " << i << " corner " << j;
                EXPECT_GE(p.w, scene->Perspective.W_CLIP_INSET) << "surface " << i << " corner " << j;
                if (s.v[j] >= Model->iNumVerts) {
                    EXPECT_EQ(p.w, scene->Perspective.W_CLIP_INSET);
                }
            }
            cut += (s.visible & VIS_REWRITTEN) != 0;
        }
        EXPECT_LE(scene->iScreenNumVerts, QUELM_MAX_VERTICES);
        EXPECT_LE(scene->iScreenNumEdges, QUELM_MAX_EDGES);
        return cut;
    }
};

TEST_F(StadiumClipTest, CornerViewCutsWhatCrossesTheNearPlane) {
    for (uint32_t fine : {0u, PLAN_FINE}) {
        scene->SceneSettings = (scene->SceneSettings & ~PLAN_FINE) | fine;
        Look(3000, 3000, 500, 0, 0, 0);
        EXPECT_GT(CheckDrawn(), 0) << fine;
        EXPECT_GT(scene->iScreenNumVerts, Model->iNumVerts) << fine;
        // A view from high above cuts nothing and gives the pools back.
        Look(0, -3000, 6000, 0, 0, 0);
        EXPECT_EQ(CheckDrawn(), 0) << fine;
        EXPECT_EQ(scene->iScreenNumVerts, Model->iNumVerts) << fine;
    }
}

TEST_F(StadiumClipTest, PansKeepEveryDrawnCornerDivided) {
    // Turning and lowering the view from a low camera: surfaces come into
    // view during the pans, some of them with corners behind the near plane.
    scene->iRapidPansLimit = 2;
    for (int step = 0; step <= 12; ++step) {
        const double a = 0.15 * step;
        Look(0, -1000, 20, 1500 * std::cos(a), -1000 + 1500 * std::sin(a), 10 - 40.0 * step);
        CheckDrawn();
    }
}
