// The polygon model store: sharing of vertices and edges, dropped repeated
// vertices, the pool limits, defaults and edge chains, the action setters and
// both iterations.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "model/model.h"
#include "quelm_globalmem.h"

namespace {

struct XYZ {
    int32_t x, y, z;
};
using Ids = std::vector<int32_t>;
using Words = std::vector<uint32_t>;
using Counts = std::array<int32_t, 3>;  // vertices, edges, polygons

uint32_t Act(uint32_t flags, uint32_t p = 0, uint32_t q = 0) {
    return flags | p << ACT_LINK_P_SHIFT | q << ACT_LINK_Q_SHIFT;
}

class ModelStore : public ::testing::Test {
protected:
    void SetUp() override {
        Model = static_cast<MODEL *>(GlobalAllocLocked(sizeof(MODEL)));
        ASSERT_NE(Model, nullptr);
        ASSERT_EQ(PolygonModelInit(), 1);
    }
    void TearDown() override {
        PolygonModelDiscard();
        GlobalFreeLocked(Model);
        Model = nullptr;
    }

    static int32_t Add(const std::vector<XYZ> &points) {
        std::vector<VERTEX3D> verts;
        for (const XYZ &p : points) verts.push_back({p.x, p.y, p.z, 0xDEAD});
        return PolygonModelAdd(static_cast<int32_t>(verts.size()), verts.data());
    }
    static int32_t AddVertex(int32_t x, int32_t y, int32_t z) {
        VERTEX3D v = {x, y, z, 0};
        return PolygonModelAddVertex(&v);
    }
    static int32_t AddSurface(Ids list) {
        return PolygonModelAddSurface(static_cast<int32_t>(list.size()), list.data());
    }
    static Counts Count() { return {Model->iNumVerts, Model->iNumEdges, Model->iNumPolygons}; }
    static const POLYGONLIST &Polygon(int32_t k) { return Model->PolygonList[k]; }
    static const VERTEX3D &Vertex(int32_t j) { return Model->VertexList[j]; }
    static Ids V(int32_t k) { return Ids(Polygon(k).v, Polygon(k).v + Polygon(k).numv); }
    static uint32_t EdgeAct(int32_t j) { return Model->EdgeList[j].act; }
    static Words Plans() {
        Words plans;
        for (int32_t j = 0; j < Model->iNumVerts; ++j) plans.push_back(Vertex(j).visible);
        return plans;
    }
    // Every polygon as [outline/edges] and every edge as a-b, in pool order.
    static std::string Picture() {
        std::string s;
        auto list = [&s](const int32_t *x, int32_t n) {
            for (int32_t i = 0; i < n; ++i) s += (i ? " " : "") + std::to_string(x[i]);
        };
        for (int32_t k = 0; k < Model->iNumPolygons; ++k) {
            s += k ? " [" : "[";
            list(Polygon(k).v, Polygon(k).numv);
            s += "/";
            list(Polygon(k).e, Polygon(k).numv);
            s += "]";
        }
        for (int32_t j = 0; j < Model->iNumEdges; ++j) {
            const EDGELIST &e = Model->EdgeList[j];
            s += " " + std::to_string(e.a) + "-" + std::to_string(e.b);
        }
        return s;
    }

    // Fills the edge pool up to `count` with edges between no real vertices.
    static void FillEdgePool(int32_t count) {
        for (int32_t j = Model->iNumEdges; j < count; ++j)
            Model->EdgeList[j] = {100000 + j, 200000 + j, 0};
        Model->iNumEdges = count;
    }
};

TEST_F(ModelStore, InitResetsAUsedModelAndDiscardReleasesItsPools) {
    Add({{0, 0, 0}, {1, 0, 0}});
    PolygonModelSetDefaultMaterial(5);
    PolygonModelSetDefaultVisibility(0x4001);
    PolygonModelSetDefaultAction(0x18);
    PolygonModelDiscard();
    const long before = QuelmGlobalBlocksLive();
    ASSERT_EQ(PolygonModelInit(), 1);
    EXPECT_EQ(Count(), (Counts{0, 0, 0}));
    EXPECT_EQ(PolygonModelCurrentSurface(), 0);
    EXPECT_EQ(Model->iDefaultMaterial, 0);
    EXPECT_EQ(Model->iDefaultVisibility, 0x80001);
    EXPECT_EQ(Model->iDefaultAction, 0);
    // Nothing of the first model is found again.
    ASSERT_EQ(Add({{1, 0, 0}, {0, 0, 0}}), 1);
    EXPECT_EQ(V(0), (Ids{0, 1}));
    EXPECT_EQ(Count(), (Counts{2, 1, 1}));
    PolygonModelDiscard();
    EXPECT_EQ(QuelmGlobalBlocksLive(), before);
    EXPECT_EQ(Model->VertexList, nullptr);
    EXPECT_EQ(Model->EdgeList, nullptr);
    EXPECT_EQ(Model->PolygonList, nullptr);
    ASSERT_EQ(PolygonModelInit(), 1);  // for TearDown
}

// ------------------------------------------------------ PolygonModelAdd

TEST_F(ModelStore, AddSharesVerticesAndEdgesAndDropsRepeats) {
    struct Row {
        const char *what;
        std::vector<std::vector<XYZ>> polygons;
        const char *picture;
    };
    const Row rows[] = {
        {"adjacent squares: the shared edge keeps the first square's direction",
         {{{10, 10, 0}, {10, 0, 0}, {0, 0, 0}, {0, 10, 0}},
          {{20, 10, 0}, {20, 0, 0}, {10, 0, 0}, {10, 10, 0}}},
         "[0 1 2 3/0 1 2 3] [4 5 1 0/4 5 0 6] 0-1 1-2 2-3 3-0 4-5 5-1 0-4"},
        {"a line names its one edge twice", {{{0, 0, 0}, {5, 0, 0}}}, "[0 1/0 0] 0-1"},
        {"a closing repeat of the first vertex makes a triangle",
         {{{0, 0, 0}, {9, 0, 0}, {9, 9, 0}, {0, 0, 0}}}, "[0 1 2/0 1 2] 0-1 1-2 2-0"},
        {"a repeat inside is dropped and the rest moves down",
         {{{0, 0, 0}, {9, 0, 0}, {9, 0, 0}, {9, 9, 0}, {0, 9, 0}}},
         "[0 1 2 3/0 1 2 3] 0-1 1-2 2-3 3-0"},
    };
    for (const Row &row : rows) {
        PolygonModelDiscard();
        ASSERT_EQ(PolygonModelInit(), 1);
        for (const auto &p : row.polygons) ASSERT_EQ(Add(p), 1) << row.what;
        EXPECT_EQ(Picture(), row.picture) << row.what;
    }
}

TEST_F(ModelStore, ExistingSelfEdgeIsUsedInsteadOfDroppingTheRepeat) {
    ASSERT_EQ(AddVertex(0, 0, 0), 0);
    ASSERT_EQ(AddSurface({0}), 0);  // makes the edge (0, 0)
    ASSERT_EQ(Add({{0, 0, 0}, {0, 0, 0}, {5, 0, 0}}), 1);
    EXPECT_EQ(Picture(), "[0/0] [0 0 1/0 1 1] 0-0 0-1");
}

TEST_F(ModelStore, AddRefusesCountsOutsideTwoToSevenAndAFullPolygonPool) {
    std::vector<VERTEX3D> verts(8);
    for (int i = 0; i < 8; ++i) verts[i] = {i, i * i, 0, 0};
    for (int32_t n : {8, 1, 0, -1}) {
        EXPECT_EQ(PolygonModelAdd(n, verts.data()), 0) << n;
        EXPECT_EQ(Count(), (Counts{0, 0, 0})) << n;
    }
    EXPECT_EQ(PolygonModelAdd(7, verts.data()), 1);
    EXPECT_EQ(Polygon(0).numv, 7);
    for (int k = 1; k < QUELM_MAX_POLYGONS; ++k) ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1) << k;
    EXPECT_EQ(Add({{50, 5, 5}, {60, 6, 6}}), 0);
    EXPECT_EQ(Count(), (Counts{8, 8, QUELM_MAX_POLYGONS}));
}

// Single vertices are appended without sharing, up to the pool's end.
TEST_F(ModelStore, FullVertexPoolFailsMidwayKeepingWhatWasAppended) {
    PolygonModelSetDefaultVisibility(0x1909001);
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1);
    EXPECT_EQ(AddVertex(1, 0, 0), 2);
    EXPECT_EQ(Vertex(2).visible, 0x09000u);
    for (int32_t i = 3; i < QUELM_MAX_VERTICES - 1; ++i) ASSERT_EQ(AddVertex(i, 0, 0), i);
    PolygonModelSetDefaultVisibility(0x4001);
    EXPECT_EQ(Add({{0, 0, 0}, {-1, 0, 0}, {-2, 0, 0}}), 0);
    EXPECT_EQ(Count(), (Counts{QUELM_MAX_VERTICES, 1, 1}));
    EXPECT_EQ(Vertex(QUELM_MAX_VERTICES - 1).x, -1);  // (-1, 0, 0) stays
    EXPECT_EQ(Vertex(0).visible, 0x0D000u);           // marked before the failure
    EXPECT_EQ(AddVertex(-5, 0, 0), 0);
    // Polygons over vertices already held still go in.
    EXPECT_EQ(Add({{0, 0, 0}, {-1, 0, 0}}), 1);
}

TEST_F(ModelStore, FullEdgePoolFailsBeforeDroppingARepeat) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}), 1);
    FillEdgePool(QUELM_MAX_EDGES);
    EXPECT_EQ(Add({{1, 1, 0}, {1, 0, 0}}), 1);  // existing edges are still found
    EXPECT_EQ(Add({{0, 0, 0}, {1, 0, 0}, {2, 2, 0}}), 0);
    EXPECT_EQ(Count(), (Counts{4, QUELM_MAX_EDGES, 2}));
    // A repeat that would be dropped fails first, as no edge can be had.
    EXPECT_EQ(Add({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}}), 0);
    EXPECT_EQ(Model->iNumPolygons, 2);
}

// ----------------------------------------------- PolygonModelAddSurface

TEST_F(ModelStore, AddSurfaceReturnsTheIndexAndMarksVerticesOfNewEdgesOnly) {
    for (int32_t i = 0; i < 4; ++i) ASSERT_EQ(AddVertex(i, i, 0), i);
    PolygonModelSetDefaultVisibility(0x8001);
    ASSERT_EQ(AddSurface({0, 1}), 0);
    PolygonModelSetDefaultVisibility(0x2001);
    ASSERT_EQ(AddSurface({1, 0, 2}), 1);
    EXPECT_EQ(Picture(), "[0 1/0 0] [1 0 2/0 1 2] 0-1 0-2 2-1");  // (1,0) found
    EXPECT_EQ(Polygon(1).visible, 0x2001u);
    EXPECT_EQ(PolygonModelCurrentSurface(), 1);
    // Vertex 1 meets only the found edge (1,0) and the new edge (2,1).
    EXPECT_EQ(Plans(), (Words{0x8A000, 0x8A000, 0x82000, 0x80000}));
}

TEST_F(ModelStore, AddSurfaceRefusesWhatNoRecordCanHold) {
    for (int32_t i = 0; i < 8; ++i) AddVertex(i, 0, 0);
    for (const Ids &list : {Ids{0, 1, 2, 3, 4, 5, 6, 7}, Ids{}, Ids{0, 1, 8}, Ids{0, -1, 2}})
        EXPECT_EQ(AddSurface(list), 0) << list.size();
    EXPECT_EQ(Count(), (Counts{8, 0, 0}));
    for (int k = 0; k < QUELM_MAX_POLYGONS; ++k) ASSERT_EQ(AddSurface({0, 1}), k);
    EXPECT_EQ(AddSurface({2, 3}), 0);
    EXPECT_EQ(Count(), (Counts{8, 1, QUELM_MAX_POLYGONS}));
}

TEST_F(ModelStore, AddSurfaceFailsAtAFullEdgePoolKeepingEdgesMadeSoFar) {
    for (int32_t i = 0; i < 4; ++i) AddVertex(i, 0, 0);
    ASSERT_EQ(AddSurface({0, 1, 2}), 0);
    FillEdgePool(QUELM_MAX_EDGES - 1);
    EXPECT_EQ(AddSurface({0, 1, 3}), 0);  // (0,1) found, (1,3) made, (3,0) fails
    EXPECT_EQ(Count(), (Counts{4, QUELM_MAX_EDGES, 1}));
    EXPECT_EQ(Model->EdgeList[QUELM_MAX_EDGES - 1].a, 1);
    EXPECT_EQ(Model->EdgeList[QUELM_MAX_EDGES - 1].b, 3);
}

// ------------------------------------------ moves and surface iteration

TEST_F(ModelStore, MoveVertexWritesTheWholeRecordOfAVertexItNames) {
    AddVertex(7, 7, 7);
    AddVertex(1, 1, 1);
    VERTEX3D away = {-4, -4, -4, 0x123}, far = {9, 9, 9, 9};
    PolygonModelMoveVertex(0, &away);
    PolygonModelMoveVertex(2, &far);
    PolygonModelMoveVertex(-1, &far);
    EXPECT_EQ(Model->iNumVerts, 2);
    EXPECT_EQ((Words{Vertex(0).visible, Vertex(1).visible, Vertex(2).visible}),
              (Words{0x123, 0x80000, 0}));
    ASSERT_EQ(Add({{7, 7, 7}, {-4, -4, -4}}), 1);
    EXPECT_EQ(V(0), (Ids{2, 0}));
}

// --------------------------------------------- per-surface get and set

TEST_F(ModelStore, PerSurfaceCallsWorkOnTheCurrentSurfaceOnly) {
    PolygonModelSetDefaultVisibility(0x2001);
    ASSERT_EQ(Add({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), 1);
    VERTEX3D out = {};
    EXPECT_EQ(PolygonModelVertex(2, &out), 0x2000u);
    EXPECT_EQ((Ids{out.x, out.y, out.z}), (Ids{7, 8, 9}));
    // The visibility setter writes the whole word but not the vertices.
    PolygonModelSetVisibility(static_cast<int32_t>(0xF0004001u));
    EXPECT_EQ(PolygonModelGetVisibility(nullptr), 0xF0004001u);
    EXPECT_EQ(Vertex(0).visible, 0x2000u);
    PolygonModelSetMaterial(40);
    out = {11, 11, 11, 11};
    EXPECT_EQ(PolygonModelVertex(3, &out), 0u);
    EXPECT_EQ(PolygonModelVertex(-1, &out), 0u);
    for (int32_t cursor : {1, -1, 5000}) {
        Model->iCurrentSurface = cursor;
        EXPECT_EQ(PolygonModelVertex(0, &out), 0u);
        EXPECT_EQ(PolygonModelGetMaterial(), 0);
        EXPECT_EQ(PolygonModelGetVisibility(nullptr), 0u);
        PolygonModelSetMaterial(99);
        PolygonModelSetVisibility(0x4001);
    }
    EXPECT_EQ(out.x, 11);
    Model->iCurrentSurface = 0;
    EXPECT_EQ(PolygonModelGetMaterial(), 40);
    EXPECT_EQ(PolygonModelGetVisibility(nullptr), 0xF0004001u);
}

// ----------------------------------------------------------- action setters

TEST_F(ModelStore, EdgeActionNegativeKeepsZeroClearsOtherSets) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1);
    struct Row {
        int32_t action, p, q;
        uint32_t act;
    };
    const Row rows[] = {
        {12, 100, 200, Act(12, 100, 200)}, {8, -1, -1, Act(8, 100, 200)},
        {0x1C, -1, 0, Act(12, 100)},  // only the low nibble of the action
        {8, 0, 0, Act(8)},            {8, 0x3FFF, 0x4005, Act(8, 0x3FFF, 5)},  // q: low 14 bits
    };
    for (const Row &r : rows) {
        PolygonModelSetEdgeAction(0, r.action, r.p, r.q);
        EXPECT_EQ(EdgeAct(0), r.act) << r.action << " " << r.p << " " << r.q;
    }
    // Indices that name no edge or polygon are ignored.
    for (int32_t k : {1, -1}) {
        PolygonModelSetEdgeAction(k, 12, 5, 5);
        PolygonModelSetSurfaceAction(k, 12, 5, 5);
    }
    EXPECT_EQ(EdgeAct(0), Act(8, 0x3FFF, 5));
    EXPECT_EQ(EdgeAct(1), 0u);
}

TEST(ReverseVertexOrder, TurnsTheArrayWithAllFourMembers) {
    VERTEX3D verts[7];
    for (int32_t i = 0; i < 7; ++i) verts[i] = {i, 10 + i, 20 + i, static_cast<uint32_t>(30 + i)};
    auto order = [&] {
        Ids xs;
        for (const VERTEX3D &v : verts) xs.push_back(v.x);
        return xs;
    };
    ReverseVertexOrder(verts, 4);
    EXPECT_EQ(order(), (Ids{3, 2, 1, 0, 4, 5, 6}));  // beyond the count: untouched
    EXPECT_EQ(verts[0].visible, 33u);
    EXPECT_EQ(verts[3].y, 10);
    EXPECT_EQ(verts[1].z, 22);
    ReverseVertexOrder(verts, 1);
    ReverseVertexOrder(verts, 2);
    EXPECT_EQ(order(), (Ids{2, 3, 1, 0, 4, 5, 6}));
    ReverseVertexOrder(verts, 7);
    EXPECT_EQ(order(), (Ids{6, 5, 4, 0, 1, 3, 2}));
}

}  // namespace
