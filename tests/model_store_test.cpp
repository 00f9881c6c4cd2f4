// The polygon model store: sharing of vertices and edges, dropped repeated
// vertices, the pool limits, defaults and edge chains, the action setters and
// both iterations.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <random>
#include <vector>

#include "model/model.h"
#include "platform/globalmem.h"
#include "stadium/stadium.h"

namespace {

struct XYZ {
    int32_t x, y, z;
};

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

    static int32_t Add(std::initializer_list<XYZ> points) {
        std::vector<VERTEX3D> verts;
        for (const XYZ &p : points) verts.push_back({p.x, p.y, p.z, 0xDEAD});
        return PolygonModelAdd(static_cast<int32_t>(verts.size()), verts.data());
    }
    static int32_t AddVertex(int32_t x, int32_t y, int32_t z) {
        VERTEX3D v = {x, y, z, 0};
        return PolygonModelAddVertex(&v);
    }
    static int32_t AddSurface(std::initializer_list<int32_t> indices) {
        std::vector<int32_t> list(indices);
        return PolygonModelAddSurface(static_cast<int32_t>(list.size()), list.data());
    }
    static const POLYGONLIST &Polygon(int32_t k) { return Model->PolygonList[k]; }
    static const EDGELIST &Edge(int32_t j) { return Model->EdgeList[j]; }
    static const VERTEX3D &Vertex(int32_t j) { return Model->VertexList[j]; }
    static uint32_t LinkP(uint32_t act) { return act >> ACT_LINK_P_SHIFT; }
    static uint32_t LinkQ(uint32_t act) { return (act & ACT_LINK_Q_MASK) >> ACT_LINK_Q_SHIFT; }

    // Fills the edge pool to capacity with edges between no real vertices.
    static void FillEdgePool() {
        for (int32_t j = Model->iNumEdges; j < QUELM_MAX_EDGES; ++j)
            Model->EdgeList[j] = {100000 + j, 200000 + j, 0};
        Model->iNumEdges = QUELM_MAX_EDGES;
    }
};

// ------------------------------------------------------------ set-up

TEST_F(ModelStore, InitResetsAUsedModel) {
    Add({{0, 0, 0}, {1, 0, 0}});
    PolygonModelSetDefaultMaterial(5);
    PolygonModelSetDefaultVisibility(0x4001);
    PolygonModelSetDefaultAction(0x18);
    PolygonModelDiscard();
    ASSERT_EQ(PolygonModelInit(), 1);
    EXPECT_EQ(Model->iNumVerts, 0);
    EXPECT_EQ(Model->iNumEdges, 0);
    EXPECT_EQ(Model->iNumPolygons, 0);
    EXPECT_EQ(Model->iDefaultMaterial, 0);
    EXPECT_EQ(Model->iDefaultVisibility, 0x80001);
    EXPECT_EQ(Model->iDefaultAction, 0);
    // Nothing of the first model is found again.
    ASSERT_EQ(Add({{1, 0, 0}, {0, 0, 0}}), 1);
    EXPECT_EQ(Polygon(0).v[0], 0);
    EXPECT_EQ(Model->iNumEdges, 1);
}

#ifndef _WIN32
TEST_F(ModelStore, DiscardReleasesEveryBlockInitTook) {
    PolygonModelDiscard();
    const long before = QuelmGlobalBlocksLive();
    ASSERT_EQ(PolygonModelInit(), 1);
    Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    PolygonModelDiscard();
    EXPECT_EQ(QuelmGlobalBlocksLive(), before);
    EXPECT_EQ(Model->VertexList, nullptr);
    EXPECT_EQ(Model->EdgeList, nullptr);
    EXPECT_EQ(Model->PolygonList, nullptr);
    ASSERT_EQ(PolygonModelInit(), 1);  // for TearDown
}
#endif

// ------------------------------------------------------ PolygonModelAdd

TEST_F(ModelStore, AdjacentSquaresShareTwoVerticesAndOneEdge) {
    ASSERT_EQ(Add({{10, 10, 0}, {10, 0, 0}, {0, 0, 0}, {0, 10, 0}}), 1);
    ASSERT_EQ(Add({{20, 10, 0}, {20, 0, 0}, {10, 0, 0}, {10, 10, 0}}), 1);
    EXPECT_EQ(Model->iNumVerts, 6);
    EXPECT_EQ(Model->iNumEdges, 7);
    EXPECT_EQ(Model->iNumPolygons, 2);
    // The first square's e[0] runs (10,10) -> (10,0); the second square
    // meets it as e[2], (10,0) -> (10,10), and keeps the first direction.
    EXPECT_EQ(Polygon(1).e[2], Polygon(0).e[0]);
    EXPECT_EQ(Polygon(1).v[2], Polygon(0).v[1]);
    EXPECT_EQ(Polygon(1).v[3], Polygon(0).v[0]);
    const EDGELIST &shared = Edge(Polygon(0).e[0]);
    EXPECT_EQ(shared.a, Polygon(0).v[0]);
    EXPECT_EQ(shared.b, Polygon(0).v[1]);
    for (int i = 0; i < 4; ++i) {
        const EDGELIST &e = Edge(Polygon(1).e[i]);
        const int32_t from = Polygon(1).v[i], to = Polygon(1).v[(i + 1) % 4];
        EXPECT_TRUE((e.a == from && e.b == to) || (e.a == to && e.b == from)) << i;
    }
}

TEST_F(ModelStore, TwoVertexLineHasOneEdgeNamedTwice) {
    ASSERT_EQ(Add({{0, 0, 0}, {5, 0, 0}}), 1);
    EXPECT_EQ(Model->iNumEdges, 1);
    EXPECT_EQ(Polygon(0).numv, 2);
    EXPECT_EQ(Polygon(0).e[0], 0);
    EXPECT_EQ(Polygon(0).e[1], 0);
}

TEST_F(ModelStore, ClosingRepeatOfTheFirstVertexMakesATriangle) {
    ASSERT_EQ(Add({{0, 0, 0}, {9, 0, 0}, {9, 9, 0}, {0, 0, 0}}), 1);
    EXPECT_EQ(Polygon(0).numv, 3);
    EXPECT_EQ(Model->iNumEdges, 3);
    EXPECT_EQ(Model->iNumVerts, 3);
    EXPECT_EQ(Edge(Polygon(0).e[2]).a, 2);
    EXPECT_EQ(Edge(Polygon(0).e[2]).b, 0);
}

TEST_F(ModelStore, RepeatedVertexInsideIsDroppedAndTheRestMovesDown) {
    ASSERT_EQ(Add({{0, 0, 0}, {9, 0, 0}, {9, 0, 0}, {9, 9, 0}, {0, 9, 0}}), 1);
    const POLYGONLIST &p = Polygon(0);
    EXPECT_EQ(p.numv, 4);
    EXPECT_EQ(p.v[1], 1);
    EXPECT_EQ(p.v[2], 2);
    EXPECT_EQ(p.v[3], 3);
    EXPECT_EQ(Model->iNumEdges, 4);
    EXPECT_EQ(Edge(p.e[1]).a, 1);
    EXPECT_EQ(Edge(p.e[1]).b, 2);
}

TEST_F(ModelStore, ExistingSelfEdgeIsUsedInsteadOfDroppingTheRepeat) {
    ASSERT_EQ(AddVertex(0, 0, 0), 0);
    ASSERT_EQ(AddSurface({0}), 0);  // makes the edge (0, 0)
    ASSERT_EQ(Model->iNumEdges, 1);
    ASSERT_EQ(Add({{0, 0, 0}, {0, 0, 0}, {5, 0, 0}}), 1);
    EXPECT_EQ(Polygon(1).numv, 3);
    EXPECT_EQ(Polygon(1).e[0], 0);
}

TEST_F(ModelStore, CountOutsideTwoToSevenIsRefusedWithNothingChanged) {
    std::vector<VERTEX3D> verts(8);
    for (int i = 0; i < 8; ++i) verts[i] = {i, i * i, 0, 0};
    for (int32_t n : {8, 1, 0, -1}) {
        EXPECT_EQ(PolygonModelAdd(n, verts.data()), 0) << n;
        EXPECT_EQ(Model->iNumVerts, 0);
        EXPECT_EQ(Model->iNumEdges, 0);
        EXPECT_EQ(Model->iNumPolygons, 0);
    }
    EXPECT_EQ(PolygonModelAdd(7, verts.data()), 1);
    EXPECT_EQ(Polygon(0).numv, 7);
}

TEST_F(ModelStore, FullPolygonPoolRefusesTheNextPolygon) {
    for (int k = 0; k < QUELM_MAX_POLYGONS; ++k) ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1) << k;
    ASSERT_EQ(Model->iNumPolygons, QUELM_MAX_POLYGONS);
    EXPECT_EQ(Add({{5, 5, 5}, {6, 6, 6}}), 0);
    EXPECT_EQ(Model->iNumPolygons, QUELM_MAX_POLYGONS);
    EXPECT_EQ(Model->iNumVerts, 2);
    EXPECT_EQ(Model->iNumEdges, 1);
}

TEST_F(ModelStore, FullVertexPoolFailsMidwayKeepingWhatWasAppended) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1);
    for (int32_t i = 2; i < QUELM_MAX_VERTICES - 1; ++i) ASSERT_EQ(AddVertex(i, 0, 0), i);
    PolygonModelSetDefaultVisibility(0x4001);
    EXPECT_EQ(Add({{0, 0, 0}, {-1, 0, 0}, {-2, 0, 0}}), 0);
    EXPECT_EQ(Model->iNumVerts, QUELM_MAX_VERTICES);  // (-1, 0, 0) stays
    EXPECT_EQ(Vertex(QUELM_MAX_VERTICES - 1).x, -1);
    EXPECT_EQ(Vertex(0).visible, 0x84000u);  // marked before the failure
    EXPECT_EQ(Model->iNumEdges, 1);
    EXPECT_EQ(Model->iNumPolygons, 1);
    // Polygons over vertices already held still go in.
    EXPECT_EQ(Add({{0, 0, 0}, {-1, 0, 0}}), 1);
}

TEST_F(ModelStore, FullEdgePoolFailsBeforeDroppingARepeat) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}), 1);
    FillEdgePool();
    // Existing edges are still found.
    EXPECT_EQ(Add({{1, 1, 0}, {1, 0, 0}}), 1);
    EXPECT_EQ(Add({{0, 0, 0}, {1, 0, 0}, {2, 2, 0}}), 0);
    EXPECT_EQ(Model->iNumVerts, 4);
    EXPECT_EQ(Model->iNumPolygons, 2);
    EXPECT_EQ(Model->iNumEdges, QUELM_MAX_EDGES);
    // A repeat that would be dropped fails first, as no edge can be had.
    EXPECT_EQ(Add({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}}), 0);
    EXPECT_EQ(Model->iNumPolygons, 2);
}

TEST_F(ModelStore, NewPolygonTakesTheDefaultsAndBecomesCurrent) {
    PolygonModelSetDefaultMaterial(0x1234);
    PolygonModelSetDefaultVisibility(0x1909001);
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}), 1);
    ASSERT_EQ(Add({{5, 0, 0}, {6, 0, 0}, {6, 1, 0}}), 1);
    EXPECT_EQ(PolygonModelCurrentSurface(), 1);
    EXPECT_EQ(Polygon(1).material, 0x1234);
    EXPECT_EQ(Polygon(1).visible, 0x1909001u);
    // Only the plan bits go to the vertices.
    EXPECT_EQ(Vertex(3).visible, 0x09000u);
}

TEST_F(ModelStore, SharedVertexCollectsThePlanBitsOfEveryPolygon) {
    PolygonModelSetDefaultVisibility(0x8001);
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1);
    PolygonModelSetDefaultVisibility(0x40001);
    ASSERT_EQ(Add({{0, 0, 0}, {0, 1, 0}}), 1);
    EXPECT_EQ(Vertex(0).visible, 0x48000u);
    EXPECT_EQ(Vertex(1).visible, 0x08000u);
    EXPECT_EQ(Vertex(2).visible, 0x40000u);
}

TEST_F(ModelStore, ChainFlagLinksEachNewEdgeToTheNextOne) {
    PolygonModelSetDefaultAction(0x18);
    ASSERT_EQ(Add({{10, 10, 0}, {10, 0, 0}, {0, 0, 0}, {0, 10, 0}}), 1);
    for (int32_t j = 0; j < 4; ++j) {
        EXPECT_EQ(Edge(j).act & ACT_FLAGS, ACT_ACTIVE) << j;
        EXPECT_EQ(LinkP(Edge(j).act), static_cast<uint32_t>(j + 1)) << j;
        EXPECT_EQ(LinkQ(Edge(j).act), 0u) << j;
    }
    // Bits above the chain flag are ignored.
    PolygonModelSetDefaultAction(static_cast<int32_t>(0xFFFFFFE8u));
    ASSERT_EQ(Add({{50, 0, 0}, {51, 0, 0}}), 1);
    EXPECT_EQ(Edge(4).act, ACT_ACTIVE);
}

TEST_F(ModelStore, FoundEdgeTakesTheDefaultActionOnlyWhenItHasNone) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}), 1);  // edges 0..2, act 0
    PolygonModelSetEdgeAction(1, 12, 7, 9);
    PolygonModelSetDefaultAction(0x18);
    ASSERT_EQ(Add({{1, 1, 0}, {1, 0, 0}, {0, 0, 0}}), 1);  // finds all three
    EXPECT_EQ(Model->iNumEdges, 3);
    // The link names the edge after the next one to be made: 3 + 1.
    EXPECT_EQ(Edge(0).act, ACT_ACTIVE | (4u << ACT_LINK_P_SHIFT));
    EXPECT_EQ(Edge(2).act, ACT_ACTIVE | (4u << ACT_LINK_P_SHIFT));
    EXPECT_EQ(Edge(1).act, 12u | (7u << ACT_LINK_P_SHIFT) | (9u << ACT_LINK_Q_SHIFT));
}

TEST_F(ModelStore, FoundEdgeKeepsItsZeroActionUnderAChainOnlyDefault) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1);
    PolygonModelSetDefaultAction(ACT_CHAIN);  // no flags: found edges untouched
    ASSERT_EQ(Add({{1, 0, 0}, {0, 0, 0}, {0, 1, 0}}), 1);
    EXPECT_EQ(Edge(0).act, 0u);
    // New edges still carry the chain link.
    EXPECT_EQ(Edge(1).act, 2u << ACT_LINK_P_SHIFT);
}

// ----------------------------------------------- PolygonModelAddSurface

TEST_F(ModelStore, AddSurfaceReturnsTheIndexAndMarksVerticesOfNewEdgesOnly) {
    for (int32_t i = 0; i < 4; ++i) ASSERT_EQ(AddVertex(i, i, 0), i);
    PolygonModelSetDefaultVisibility(0x8001);
    ASSERT_EQ(AddSurface({0, 1}), 0);
    PolygonModelSetDefaultVisibility(0x2001);
    ASSERT_EQ(AddSurface({1, 0, 2}), 1);
    EXPECT_EQ(Model->iNumEdges, 3);
    EXPECT_EQ(Polygon(1).e[0], 0);  // found, either direction
    EXPECT_EQ(Polygon(1).v[2], 2);
    EXPECT_EQ(Polygon(1).visible, 0x2001u);
    EXPECT_EQ(PolygonModelCurrentSurface(), 1);
    // Vertex 1 meets only the found edge (1,0) and the new edge (2,1).
    EXPECT_EQ(Vertex(0).visible, 0x80000u | 0x8000u | 0x2000u);
    EXPECT_EQ(Vertex(1).visible, 0x80000u | 0x8000u | 0x2000u);
    EXPECT_EQ(Vertex(2).visible, 0x80000u | 0x2000u);
    EXPECT_EQ(Vertex(3).visible, 0x80000u);
}

TEST_F(ModelStore, AddSurfaceKeepsConsecutiveEqualIndices) {
    for (int32_t i = 0; i < 2; ++i) AddVertex(i, 0, 0);
    ASSERT_EQ(AddSurface({0, 0, 1}), 0);
    EXPECT_EQ(Polygon(0).numv, 3);
    EXPECT_EQ(Model->iNumEdges, 2);  // (0,0), (0,1); (1,0) is found
    EXPECT_EQ(Edge(0).a, 0);
    EXPECT_EQ(Edge(0).b, 0);
    EXPECT_EQ(Polygon(0).e[1], 1);
    EXPECT_EQ(Polygon(0).e[2], 1);
}

TEST_F(ModelStore, AddSurfaceRefusesWhatNoRecordCanHold) {
    for (int32_t i = 0; i < 8; ++i) AddVertex(i, 0, 0);
    std::vector<int32_t> all = {0, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(PolygonModelAddSurface(8, all.data()), 0);
    EXPECT_EQ(PolygonModelAddSurface(0, all.data()), 0);
    EXPECT_EQ(AddSurface({0, 1, 8}), 0);   // no vertex 8
    EXPECT_EQ(AddSurface({0, -1, 2}), 0);
    EXPECT_EQ(Model->iNumEdges, 0);
    EXPECT_EQ(Model->iNumPolygons, 0);
    for (int k = 0; k < QUELM_MAX_POLYGONS; ++k) ASSERT_EQ(AddSurface({0, 1}), k);
    EXPECT_EQ(AddSurface({2, 3}), 0);
    EXPECT_EQ(Model->iNumPolygons, QUELM_MAX_POLYGONS);
    EXPECT_EQ(Model->iNumEdges, 1);
}

TEST_F(ModelStore, AddSurfaceFailsAtAFullEdgePoolKeepingEdgesMadeSoFar) {
    for (int32_t i = 0; i < 4; ++i) AddVertex(i, 0, 0);
    ASSERT_EQ(AddSurface({0, 1, 2}), 0);
    for (int32_t j = Model->iNumEdges; j < QUELM_MAX_EDGES - 1; ++j)
        Model->EdgeList[j] = {100000 + j, 200000 + j, 0};
    Model->iNumEdges = QUELM_MAX_EDGES - 1;
    EXPECT_EQ(AddSurface({0, 1, 3}), 0);  // (0,1) found, (1,3) made, (3,0) fails
    EXPECT_EQ(Model->iNumEdges, QUELM_MAX_EDGES);
    EXPECT_EQ(Edge(QUELM_MAX_EDGES - 1).a, 1);
    EXPECT_EQ(Edge(QUELM_MAX_EDGES - 1).b, 3);
    EXPECT_EQ(Model->iNumPolygons, 1);
}

// ------------------------------------- PolygonModelAddVertex / MoveVertex

TEST_F(ModelStore, AddVertexAppendsWithoutSharing) {
    PolygonModelSetDefaultVisibility(0x1909001);
    EXPECT_EQ(AddVertex(3, 3, 3), 0);
    EXPECT_EQ(AddVertex(3, 3, 3), 1);
    EXPECT_EQ(Vertex(1).visible, 0x09000u);
    for (int32_t i = 2; i < QUELM_MAX_VERTICES; ++i) ASSERT_EQ(AddVertex(i, 0, 0), i);
    EXPECT_EQ(AddVertex(-5, 0, 0), 0);
    EXPECT_EQ(Model->iNumVerts, QUELM_MAX_VERTICES);
}

TEST_F(ModelStore, AddReusesTheFirstOfEqualVertices) {
    AddVertex(7, 7, 7);
    AddVertex(7, 7, 7);
    AddVertex(7, 7, 7);
    ASSERT_EQ(Add({{7, 7, 7}, {0, 0, 0}}), 1);
    EXPECT_EQ(Polygon(0).v[0], 0);
    EXPECT_EQ(Model->iNumVerts, 4);
}

TEST_F(ModelStore, MovedVerticesAreFoundAtTheirNewPlaceOnly) {
    AddVertex(7, 7, 7);  // 0
    AddVertex(7, 7, 7);  // 1
    AddVertex(1, 1, 1);  // 2
    VERTEX3D away = {-4, -4, -4, 0x123};
    PolygonModelMoveVertex(0, &away);
    EXPECT_EQ(Vertex(0).visible, 0x123u);  // all four members written
    ASSERT_EQ(Add({{7, 7, 7}, {-4, -4, -4}}), 1);
    EXPECT_EQ(Polygon(0).v[0], 1);  // 0 no longer matches
    EXPECT_EQ(Polygon(0).v[1], 0);
    // Moving vertex 2 onto (7, 7, 7) puts it behind vertex 1.
    VERTEX3D onto = {7, 7, 7, 0};
    PolygonModelMoveVertex(2, &onto);
    ASSERT_EQ(Add({{7, 7, 7}, {1, 1, 1}}), 1);
    EXPECT_EQ(Polygon(1).v[0], 1);
    EXPECT_EQ(Polygon(1).v[1], 3);  // (1, 1, 1) is gone and made again
    // Moving the first away again lets the second become the one found.
    PolygonModelMoveVertex(1, &away);
    ASSERT_EQ(Add({{7, 7, 7}, {-4, -4, -4}}), 1);
    EXPECT_EQ(Polygon(2).v[0], 2);
    EXPECT_EQ(Polygon(2).v[1], 0);
}

TEST_F(ModelStore, MoveVertexIgnoresIndicesThatNameNoVertex) {
    AddVertex(1, 2, 3);
    VERTEX3D v = {9, 9, 9, 9};
    PolygonModelMoveVertex(1, &v);
    PolygonModelMoveVertex(-1, &v);
    EXPECT_EQ(Model->iNumVerts, 1);
    EXPECT_EQ(Vertex(0).x, 1);
    EXPECT_EQ(Vertex(1).x, 0);
}

// ------------------------------------------------------ surface iteration

class ModelSurfaces : public ModelStore {
protected:
    // Polygons 0..5 with numv 2..7; 1 and 4 are not surfaces.
    void SetUp() override {
        ModelStore::SetUp();
        for (int32_t k = 0; k < 6; ++k) {
            std::vector<VERTEX3D> verts;
            for (int32_t i = 0; i < k + 2; ++i) verts.push_back({k * 100 + i, i * i, 0, 0});
            ASSERT_EQ(PolygonModelAdd(k + 2, verts.data()), 1);
            if (k == 1 || k == 4) PolygonModelSetVisibility(0x80000);
        }
    }
};

TEST_F(ModelSurfaces, ForwardWalkVisitsOnlySurfacesAndRestsAtTheCount) {
    std::vector<int32_t> seen;
    for (int32_t n = PolygonModelFirstSurface(); n != 0; n = PolygonModelNextSurface()) {
        EXPECT_EQ(n, Polygon(PolygonModelCurrentSurface()).numv);
        seen.push_back(PolygonModelCurrentSurface());
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 2, 3, 5}));
    EXPECT_EQ(PolygonModelCurrentSurface(), 6);
    EXPECT_EQ(PolygonModelNextSurface(), 0);
    EXPECT_EQ(PolygonModelCurrentSurface(), 6);
}

TEST_F(ModelSurfaces, BackwardWalkFromTheEndReturnsTheLastSurfaceFirst) {
    while (PolygonModelNextSurface() != 0) {
    }
    std::vector<int32_t> seen;
    for (int32_t n = PolygonModelPreviousSurface(); n != 0; n = PolygonModelPreviousSurface()) {
        EXPECT_EQ(n, Polygon(PolygonModelCurrentSurface()).numv);
        seen.push_back(PolygonModelCurrentSurface());
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{5, 3, 2, 0}));
    EXPECT_EQ(PolygonModelCurrentSurface(), 0);
    EXPECT_EQ(PolygonModelPreviousSurface(), 0);
}

TEST_F(ModelSurfaces, FirstSurfaceSkipsALeadingNonSurface) {
    Model->iCurrentSurface = 0;
    PolygonModelSetVisibility(0);
    EXPECT_EQ(PolygonModelFirstSurface(), 4);
    EXPECT_EQ(PolygonModelCurrentSurface(), 2);
}

TEST_F(ModelStore, EmptyModelHasNoSurfaceAndNoLine) {
    VERTEX3D line[2] = {};
    EXPECT_EQ(PolygonModelFirstSurface(), 0);
    EXPECT_EQ(PolygonModelCurrentSurface(), 0);
    EXPECT_EQ(PolygonModelPreviousSurface(), 0);
    EXPECT_EQ(PolygonModelFirstLine(line), 0);
}

// --------------------------------------------- per-surface get and set

TEST_F(ModelStore, VertexQueryCopiesTheWholeRecordOfTheCurrentSurface) {
    PolygonModelSetDefaultVisibility(0x2001);
    ASSERT_EQ(Add({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), 1);
    VERTEX3D out = {};
    EXPECT_EQ(PolygonModelVertex(2, &out), 0x2000u);
    EXPECT_EQ(out.x, 7);
    EXPECT_EQ(out.y, 8);
    EXPECT_EQ(out.z, 9);
    EXPECT_EQ(out.visible, 0x2000u);
}

TEST_F(ModelStore, QueriesAndSettersOutsideTheCurrentSurfaceDoNothing) {
    ASSERT_EQ(Add({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), 1);
    PolygonModelSetMaterial(40);
    VERTEX3D out = {11, 11, 11, 11};
    EXPECT_EQ(PolygonModelVertex(3, &out), 0u);
    EXPECT_EQ(PolygonModelVertex(-1, &out), 0u);
    EXPECT_EQ(out.x, 11);
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
    EXPECT_EQ(PolygonModelGetVisibility(nullptr), 0x80001u);
    EXPECT_EQ(Model->PolygonList[1].material, 0);
}

TEST_F(ModelStore, VisibilitySetterWritesTheWholeWordButNotTheVertices) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1);
    PolygonModelSetVisibility(static_cast<int32_t>(0xF0004001u));
    EXPECT_EQ(PolygonModelGetVisibility(nullptr), 0xF0004001u);
    EXPECT_EQ(Vertex(0).visible, 0x80000u);
    PolygonModelSetMaterial(0x7F03);
    EXPECT_EQ(PolygonModelGetMaterial(), 0x7F03);
}

// --------------------------------------------------------- line iteration

TEST_F(ModelStore, LineWalkVisitsEveryEdgeInPoolOrder) {
    PolygonModelSetDefaultVisibility(0x80000);  // not a surface: still walked
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}), 1);
    ASSERT_EQ(Add({{1, 1, 0}, {0, 0, 5}}), 1);
    std::vector<std::vector<int32_t>> seen;
    VERTEX3D line[2] = {{0, 0, 0, 77}, {0, 0, 0, 88}};
    for (int32_t r = PolygonModelFirstLine(line); r != 0; r = PolygonModelNextLine(line)) {
        EXPECT_EQ(r, 1);
        seen.push_back({line[0].x, line[0].y, line[0].z, line[1].x, line[1].y, line[1].z});
    }
    const std::vector<std::vector<int32_t>> expected = {
        {0, 0, 0, 1, 0, 0}, {1, 0, 0, 1, 1, 0}, {1, 1, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 5}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(line[0].visible, 77u);
    EXPECT_EQ(line[1].visible, 88u);
    EXPECT_EQ(PolygonModelNextLine(line), 0);
}

// ----------------------------------------------------------- action setters

TEST_F(ModelStore, EdgeActionNegativeKeepsZeroClearsOtherSets) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1);
    PolygonModelSetEdgeAction(0, 12, 100, 200);
    EXPECT_EQ(Edge(0).act, 12u | (100u << ACT_LINK_P_SHIFT) | (200u << ACT_LINK_Q_SHIFT));
    PolygonModelSetEdgeAction(0, 8, -1, -1);
    EXPECT_EQ(Edge(0).act, 8u | (100u << ACT_LINK_P_SHIFT) | (200u << ACT_LINK_Q_SHIFT));
    PolygonModelSetEdgeAction(0, 0x1C, -1, 0);  // only the low nibble of the action
    EXPECT_EQ(Edge(0).act, 12u | (100u << ACT_LINK_P_SHIFT));
    PolygonModelSetEdgeAction(0, 8, 0, 0);
    EXPECT_EQ(Edge(0).act, 8u);
    PolygonModelSetEdgeAction(0, 8, 0x3FFF, 0x4005);  // q keeps its low 14 bits
    EXPECT_EQ(LinkP(Edge(0).act), 0x3FFFu);
    EXPECT_EQ(LinkQ(Edge(0).act), 5u);
}

TEST_F(ModelStore, SurfaceActionRewritesEachEdgeKeepingItsOwnLinks) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}), 1);
    ASSERT_EQ(Add({{5, 0, 0}, {6, 0, 0}}), 1);  // edge 3, not touched
    PolygonModelSetEdgeAction(0, 0, 11, 0);
    PolygonModelSetEdgeAction(1, 0, 0, 22);
    PolygonModelSetSurfaceAction(0, 12, 50, -1);
    EXPECT_EQ(Edge(0).act, 12u | (50u << ACT_LINK_P_SHIFT));
    EXPECT_EQ(Edge(1).act, 12u | (50u << ACT_LINK_P_SHIFT) | (22u << ACT_LINK_Q_SHIFT));
    EXPECT_EQ(Edge(2).act, 12u | (50u << ACT_LINK_P_SHIFT));
    EXPECT_EQ(Edge(3).act, 0u);
    PolygonModelSetSurfaceAction(0, 12, -1, 60);
    EXPECT_EQ(LinkP(Edge(1).act), 50u);
    EXPECT_EQ(LinkQ(Edge(1).act), 60u);
}

TEST_F(ModelStore, ActionSettersIgnoreIndicesThatNameNoRecord) {
    ASSERT_EQ(Add({{0, 0, 0}, {1, 0, 0}}), 1);
    PolygonModelSetEdgeAction(1, 12, 5, 5);
    PolygonModelSetEdgeAction(-1, 12, 5, 5);
    PolygonModelSetSurfaceAction(1, 12, 5, 5);
    PolygonModelSetSurfaceAction(-1, 12, 5, 5);
    EXPECT_EQ(Edge(0).act, 0u);
    EXPECT_EQ(Edge(1).act, 0u);
}

// ------------------------------------------------------ ReverseVertexOrder

TEST(ReverseVertexOrder, TurnsTheArrayWithAllFourMembers) {
    VERTEX3D verts[7];
    for (int32_t i = 0; i < 7; ++i) verts[i] = {i, 10 + i, 20 + i, static_cast<uint32_t>(30 + i)};
    ReverseVertexOrder(verts, 4);
    EXPECT_EQ(verts[0].x, 3);
    EXPECT_EQ(verts[0].visible, 33u);
    EXPECT_EQ(verts[3].y, 10);
    EXPECT_EQ(verts[1].z, 22);
    EXPECT_EQ(verts[4].x, 4);  // beyond the count: untouched
    ReverseVertexOrder(verts, 1);
    EXPECT_EQ(verts[0].x, 3);
    ReverseVertexOrder(verts, 7);
    EXPECT_EQ(verts[0].x, 6);
    EXPECT_EQ(verts[6].x, 3);
    EXPECT_EQ(verts[3].x, 0);
}

// ------------------------------------------- the index against a linear search
//
// The store finds shared vertices and edges through a private index.  The
// reference below states the sharing rules with a plain search of the pools
// from index 0 upward.  The test binary is linked with the store's two add
// calls wrapped: while checking is on, each call first runs the reference on
// a copy of the model as it stands, then the store itself, and the two
// models must then be the same byte for byte.  Equal before every add and
// equal after it means equal throughout: the indexed build is the linear one.

struct ReferenceModel {
    MODEL m{};
    std::vector<VERTEX3D> verts = std::vector<VERTEX3D>(QUELM_MAX_VERTICES);
    std::vector<EDGELIST> edges = std::vector<EDGELIST>(QUELM_MAX_EDGES);
    std::vector<POLYGONLIST> polys = std::vector<POLYGONLIST>(QUELM_MAX_POLYGONS);

    void Copy(const MODEL &from) {
        m = from;
        m.VertexList = verts.data();
        m.EdgeList = edges.data();
        m.PolygonList = polys.data();
        std::copy(from.VertexList, from.VertexList + from.iNumVerts, verts.begin());
        std::copy(from.EdgeList, from.EdgeList + from.iNumEdges, edges.begin());
        std::copy(from.PolygonList, from.PolygonList + from.iNumPolygons, polys.begin());
    }
    bool Matches(const MODEL &other) const {
        return m.iNumVerts == other.iNumVerts && m.iNumEdges == other.iNumEdges &&
               m.iNumPolygons == other.iNumPolygons &&
               m.iCurrentSurface == other.iCurrentSurface &&
               std::memcmp(m.VertexList, other.VertexList, sizeof(VERTEX3D) * m.iNumVerts) == 0 &&
               std::memcmp(m.EdgeList, other.EdgeList, sizeof(EDGELIST) * m.iNumEdges) == 0 &&
               std::memcmp(m.PolygonList, other.PolygonList,
                           sizeof(POLYGONLIST) * m.iNumPolygons) == 0;
    }

    int32_t FindVertex(const VERTEX3D &at) const {
        for (int32_t j = 0; j < m.iNumVerts; ++j)
            if (verts[j].x == at.x && verts[j].y == at.y && verts[j].z == at.z) return j;
        return -1;
    }
    int32_t FindEdge(int32_t a, int32_t b) const {
        for (int32_t j = 0; j < m.iNumEdges; ++j)
            if ((edges[j].a == a && edges[j].b == b) || (edges[j].a == b && edges[j].b == a))
                return j;
        return -1;
    }
    uint32_t Plan() const { return static_cast<uint32_t>(m.iDefaultVisibility) & 0xFF000u; }
    uint32_t NewAction(int32_t link) const {
        const auto d = static_cast<uint32_t>(m.iDefaultAction);
        return (d & 0xFu) | ((d & 0x10u) ? static_cast<uint32_t>(link) << 18 : 0u);
    }
    void Found(int32_t j) {
        if ((m.iDefaultAction & 0xF) != 0 && edges[j].act == 0) edges[j].act = NewAction(m.iNumEdges + 1);
    }
    int32_t NewEdge(int32_t a, int32_t b) {
        const int32_t j = m.iNumEdges++;
        edges[j] = {a, b, NewAction(j + 1)};
        return j;
    }
    int32_t Record(POLYGONLIST p, int32_t numv) {
        p.numv = numv;
        p.material = m.iDefaultMaterial;
        p.visible = static_cast<uint32_t>(m.iDefaultVisibility);
        polys[m.iNumPolygons] = p;
        m.iCurrentSurface = m.iNumPolygons;
        return m.iNumPolygons++;
    }

    int32_t Add(int32_t n, const VERTEX3D *in) {
        if (m.iNumPolygons >= QUELM_MAX_POLYGONS || n > 7 || n < 2) return 0;
        POLYGONLIST p{};
        for (int32_t i = 0; i < n; ++i) {
            int32_t j = FindVertex(in[i]);
            if (j >= 0) {
                verts[j].visible |= Plan();
            } else {
                if (m.iNumVerts >= QUELM_MAX_VERTICES) return 0;
                j = m.iNumVerts++;
                verts[j] = {in[i].x, in[i].y, in[i].z, Plan()};
            }
            p.v[i] = j;
        }
        int32_t i = 0;
        while (i < n) {
            const int32_t a = p.v[i], b = p.v[(i + 1) % n];
            const int32_t j = FindEdge(a, b);
            if (j >= 0) {
                Found(j);
                p.e[i++] = j;
            } else if (m.iNumEdges >= QUELM_MAX_EDGES) {
                return 0;
            } else if (a == b) {
                for (int32_t k = i + 1; k < n; ++k) p.v[k - 1] = p.v[k];
                p.v[--n] = 0;
            } else {
                p.e[i++] = NewEdge(a, b);
            }
        }
        Record(p, n);
        return 1;
    }

    int32_t AddSurface(int32_t n, const int32_t *in) {
        if (m.iNumPolygons >= QUELM_MAX_POLYGONS || n < 1 || n > 7) return 0;
        for (int32_t i = 0; i < n; ++i)
            if (in[i] < 0 || in[i] >= m.iNumVerts) return 0;
        POLYGONLIST p{};
        for (int32_t i = 0; i < n; ++i) {
            const int32_t a = in[i], b = in[(i + 1) % n];
            int32_t j = FindEdge(a, b);
            if (j >= 0) {
                Found(j);
            } else {
                if (m.iNumEdges >= QUELM_MAX_EDGES) return 0;
                j = NewEdge(a, b);
                verts[a].visible |= Plan();
                verts[b].visible |= Plan();
            }
            p.e[i] = j;
            p.v[i] = a;
        }
        return Record(p, n);
    }
};

bool checking = false;
long checkedAdds = 0;
long mismatches = 0;
ReferenceModel reference;

}  // namespace

extern "C" int32_t __real_PolygonModelAdd(int32_t iMag, VERTEX3D *Verts);
extern "C" int32_t __real_PolygonModelAddSurface(int32_t iMag, int32_t *PolyVerts);

extern "C" int32_t __wrap_PolygonModelAdd(int32_t iMag, VERTEX3D *Verts) {
    if (!checking) return __real_PolygonModelAdd(iMag, Verts);
    reference.Copy(*Model);
    const int32_t expected = reference.Add(iMag, Verts);
    const int32_t result = __real_PolygonModelAdd(iMag, Verts);
    ++checkedAdds;
    if (result != expected || !reference.Matches(*Model)) ++mismatches;
    return result;
}

extern "C" int32_t __wrap_PolygonModelAddSurface(int32_t iMag, int32_t *PolyVerts) {
    if (!checking) return __real_PolygonModelAddSurface(iMag, PolyVerts);
    reference.Copy(*Model);
    const int32_t expected = reference.AddSurface(iMag, PolyVerts);
    const int32_t result = __real_PolygonModelAddSurface(iMag, PolyVerts);
    ++checkedAdds;
    if (result != expected || !reference.Matches(*Model)) ++mismatches;
    return result;
}

namespace {

class AgainstLinearSearch : public ::testing::Test {
protected:
    void SetUp() override {
        checking = true;
        checkedAdds = 0;
        mismatches = 0;
    }
    void TearDown() override { checking = false; }
};

TEST_F(AgainstLinearSearch, StadiumBuildMatchesAddByAdd) {
    SCENE *scene = InitScene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(checkedAdds, 1414);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(Model->iNumVerts, 3032);
    DestroyScene(scene);
}

// Crowded coordinates, duplicate and moved vertices, repeats, lines, self
// edges, refused calls and full pools, under changing defaults.
TEST_F(AgainstLinearSearch, ShuffledStoreUseMatchesCallByCall) {
    Model = static_cast<MODEL *>(GlobalAllocLocked(sizeof(MODEL)));
    ASSERT_EQ(PolygonModelInit(), 1);
    std::mt19937 rng(20240601);
    auto pick = [&](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
    };
    auto point = [&] { return VERTEX3D{pick(0, 11), pick(0, 11), pick(0, 5), 0}; };
    constexpr int32_t kActions[] = {0, 0x18, 8, 0x10, 12};
    for (int step = 0; step < 9000; ++step) {
        switch (pick(0, 9)) {
        case 0: {
            VERTEX3D v = point();
            PolygonModelAddVertex(&v);
            break;
        }
        case 1: {
            if (Model->iNumVerts == 0) break;
            VERTEX3D v = point();
            PolygonModelMoveVertex(pick(0, Model->iNumVerts - 1), &v);
            break;
        }
        case 2: {
            std::vector<int32_t> list(pick(0, 8));
            for (int32_t &i : list) i = pick(-1, Model->iNumVerts);
            PolygonModelAddSurface(static_cast<int32_t>(list.size()), list.data());
            break;
        }
        case 3:
            PolygonModelSetDefaultAction(kActions[pick(0, 4)]);
            PolygonModelSetDefaultVisibility(0x1001 << pick(0, 7));
            break;
        case 4:
            if (Model->iNumEdges) PolygonModelSetEdgeAction(pick(0, Model->iNumEdges - 1), 0, 0, 0);
            break;
        default: {
            // Far points now and then, so that the vertex pool fills up.
            std::vector<VERTEX3D> verts(pick(1, 8));
            for (VERTEX3D &v : verts) v = pick(0, 3) ? point() : VERTEX3D{pick(0, 1 << 20), step, 7, 0};
            if (pick(0, 3) == 0) verts.back() = verts.front();
            if (verts.size() > 2 && pick(0, 3) == 0) verts[1] = verts[2];
            PolygonModelAdd(static_cast<int32_t>(verts.size()), verts.data());
            break;
        }
        }
    }
    EXPECT_GT(checkedAdds, 5000);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(Model->iNumVerts, QUELM_MAX_VERTICES);
    EXPECT_EQ(Model->iNumEdges, QUELM_MAX_EDGES);
    PolygonModelDiscard();
    GlobalFreeLocked(Model);
    Model = nullptr;
}

}  // namespace
