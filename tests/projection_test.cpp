// The two loaders' boundaries and the perspective divide.  The conformance
// scenarios pin whole frames of both loaders (the worked examples among
// them) and the driver's choice of pass frame by frame.
#include <cmath>
#include <limits>

#include "tests/view_fixture.h"

namespace {

constexpr uint32_t kPlain = 0x0, kActive = 0x8, kConstantly = 0xC;
constexpr uint32_t kMarked = ACT_ACTIVE | ACT_INVOLVED;
constexpr uint32_t LinkP(uint32_t e) { return e << ACT_LINK_P_SHIFT; }
constexpr uint32_t LinkQ(uint32_t e) { return e << ACT_LINK_Q_SHIFT; }

// -------------------------------------------------------- perspective divide

TEST_F(ViewTest, PerspectiveDivideTruncatesAndLimitsOutsidePoints) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double u, v, w;
        uint32_t status;
        int x, y;
    } rows[] = {
        {80000, 40000, 2, kDivided | PT_RIGHT, 15000, 7500},
        {-80000, 40000, 2, kDivided | PT_LEFT, -15000, 7500},
        {30000, -60000, 2, kDivided | PT_ABOVE, 7500, -15000},               // y dominates
        // A tie goes to y: 15000 / 16718 * 16718 is a hair below 15000.
        {-16718, -16718, 1, kDivided | PT_ABOVE | PT_LEFT, -14999, -15000},
        {15000, -400, 1, kDivided | PT_RIGHT, 15000, -400},                  // on the limit: kept
        {20000, 16000, 1, kInside, 20000, 16000},                            // inside: never limited
        {49, 49, 49, kInside, 0, 0},  // 49 * (1 / 49) is a hair below 1
        {-71.9, -0.5, 1, kDivided | PT_LEFT | PT_ABOVE, -71, 0},      // toward zero
        {1e300, 1000, 1, kDivided | PT_RIGHT, 15000, 0},              // saturated, then limited
        {-1e300, -1e300, 1, kDivided | PT_LEFT | PT_ABOVE, -15000, -15000},
        {nan, 1e12, 1, kDivided | PT_BELOW, 0, 15000},
        // Not to be divided: the screen point keeps what it held.
        {50, 50, 1, kOutside | PT_LEFT, 123, -45},
        {50, 50, 1, kBehind, 123, -45},
        {50, 50, 1, 0x0, 123, -45},
        {50, 50, 1, 0x8, 123, -45},
        {50, 50, 1, 0x1, 123, -45}};
    scene->iScreenNumVerts = 1;
    for (const auto &r : rows) {
        Pt(0) = POINT3D{r.u, r.v, r.w, r.status | PLAN_GROUND};
        Sp(0) = sSPOINT{123, -45};
        PerspectiveDivide(scene);
        EXPECT_EQ(XY(0), std::make_pair(r.x, r.y))
            << r.u << ", " << r.v << ", " << r.w << " status " << r.status;
    }
}

// ------------------------------------------------------------ vertex loader

class LoaderTest : public ViewTest {
protected:
    uint32_t LoadOne(int32_t x, int32_t y, int32_t z, uint32_t plan = PLAN_GROUND) {
        model->iNumVerts = 0;
        AddVertex(x, y, z, plan);
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
    // The near plane itself is in front.
    View().W_CLIP_INSET = 5 * 0.01;
    EXPECT_EQ(LoadOne(1, 1, 5), 0x9u);
    View().W_CLIP_INSET = std::nextafter(5 * 0.01, 1.0);
    EXPECT_EQ(LoadOne(1, 1, 5), 0xCu);
}

TEST_F(LoaderTest, GroundVerticesLeaveTheZTermsOut) {
    // An infinite z column would poison u through 0 * inf if it were used.
    View().TM[2][0] = std::numeric_limits<double>::infinity();
    View().TM[3][2] = 1.0;
    EXPECT_EQ(LoadOne(30, 40, 0), 0x9u);
    EXPECT_EQ(Pt(0).u, 30.0);
}

TEST_F(LoaderTest, SumsInTheWrittenOrder) {
    // ((x TM00 + y TM10) + z TM20) + TM30: 1e16 + 1 + 1 - 1e16 is 0 this way
    // round (each 1 is lost to rounding), 2 in most others.
    VANTAGE &p = View();
    p.TM[0][0] = 1e16;
    p.TM[1][0] = 1.0;
    p.TM[2][0] = 1.0;
    p.TM[3][0] = -1e16;
    LoadOne(1, 1, 1);
    EXPECT_EQ(Pt(0).u, 0.0);
}

// ------------------------------------------------------- edge-driven loader

class VectorLoaderTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        scene->SceneSettings = 0xE9000;  // inactive plan 0xE1000
    }
    void Pass() { LoadModelVectorsIntoScene(scene, model); }
    uint32_t Nibble(int32_t e) { return scene->EdgeList[e].act & ACT_FLAGS; }
    // Edge 0, a plain one on a vertex of its own, carries the frame parity.
    void ParityEdge() {
        const int32_t p = AddVertex(160, 100, 100);
        AddEdge(p, p, kPlain);
    }
};

// A constantly edge (a, b) marks the active edge it links unless an end is
// out of the plan, both are behind, or both are beyond one viewport edge.
TEST_F(VectorLoaderTest, SentinelMarksItsActiveEdgeWhileItMayBeSeen) {
    const struct {
        int32_t ax, az, bx, bz;
        uint32_t bplan;
        bool marked;
        uint32_t statusA, statusB;
    } rows[] = {
        {10, 100, 20, 100, PLAN_GROUND, true, 0x9, 0x9},
        {10, 1, 20, 2, PLAN_GROUND, false, 0xC, 0xC},
        {-50, 100, 20, 1, PLAN_GROUND, true, 0x2A, 0xC},  // one behind, the other left of view
        {-50, 100, -10, 100, PLAN_GROUND, false, 0x2A, 0x2A},
        {-50, 100, 700, 100, PLAN_GROUND, true, 0x2A, 0x1A},  // spans the view
        {10, 100, 20, 100, PLAN_COARSE, false, 0x9, 0x0},     // b out of the plan: not projected
    };
    for (const auto &r : rows) {
        model->iNumVerts = model->iNumEdges = 0;
        ParityEdge();
        const int32_t a = AddVertex(r.ax, 100, r.az), b = AddVertex(r.bx, 100, r.bz, r.bplan);
        const int32_t d = AddVertex(100, 100, 100, PLAN_FINE);
        const int32_t e = AddVertex(120, 100, 100, PLAN_FINE);
        AddEdge(a, b, kConstantly | LinkQ(2));
        AddEdge(d, e, kActive);
        RegisterModelWithScene(scene, model);
        Pass();
        SCOPED_TRACE(::testing::Message() << "a (" << r.ax << ", " << r.az << "), b (" << r.bx
                                          << ", " << r.bz << ")");
        EXPECT_EQ(Nibble(2), r.marked ? kMarked | 1u : ACT_ACTIVE);
        EXPECT_EQ(Status(d), r.marked ? 0x9u : 0u);
        EXPECT_EQ(Status(e), Status(d));
        EXPECT_EQ(Status(a), r.statusA);
        EXPECT_EQ(Status(b), r.statusB);
    }
}

TEST_F(VectorLoaderTest, UnknownNibblesAreSkipped) {
    ParityEdge();
    const int32_t a = AddVertex(10, 10, 100), b = AddVertex(20, 10, 100);
    AddEdge(a, b, kPlain);
    RegisterModelWithScene(scene, model);
    // Two passes each, so that every nibble meets both frame parities.
    for (uint32_t nibble : {0x2u, 0x3u, 0x4u, 0x5u, 0x6u, 0x7u, 0xEu, 0xFu}) {
        for (int pass = 0; pass < 2; ++pass) {
            const uint32_t act = nibble | LinkP(1) | LinkQ(0);
            scene->EdgeList[1].act = act;
            Pass();
            EXPECT_EQ(Status(a), 0u) << nibble;
            EXPECT_EQ(Status(b), 0u) << nibble;
            EXPECT_EQ(scene->EdgeList[1].act, act) << nibble;
        }
    }
}

}  // namespace
