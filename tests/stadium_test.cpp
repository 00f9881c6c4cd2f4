// The stadium model as built by the first scene: counts, materials and
// visibility by index, sample shapes, the tile table, the edge chains of the
// near marks and digits, the sky, rebuilds and a build without memory.  The
// conformance scenarios pin every polygon's outline and visibility, every
// vertex's plan bits and every edge's action exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "model/model.h"
#include "quelm_globalmem.h"
#include "stadium/stadium.h"

namespace {

using Point = std::array<int32_t, 3>;
using Shape = std::vector<Point>;

uint32_t LinkP(uint32_t act) { return act >> ACT_LINK_P_SHIFT; }
uint32_t LinkQ(uint32_t act) { return (act & ACT_LINK_Q_MASK) >> ACT_LINK_Q_SHIFT; }

const POLYGONLIST &Polygon(int32_t k) { return Model->PolygonList[k]; }
const EDGELIST &Edge(int32_t j) { return Model->EdgeList[j]; }

Shape ShapeOf(int32_t k) {
    Shape shape;
    for (int32_t i = 0; i < Polygon(k).numv; ++i) {
        const VERTEX3D &v = Model->VertexList[Polygon(k).v[i]];
        shape.push_back({v.x, v.y, v.z});
    }
    return shape;
}

// The index the tile of row i, column c has: row 0 is followed by the goal
// line, every other row by its yard line.
int32_t Tile(int i, int c) { return i == 0 ? 70 + c : 84 + 14 * (i - 1) + c; }

// The first edge a polygon created: the start of the chain it begins.
int32_t FirstEdge(int32_t k) { return Polygon(k).e[0]; }

class Stadium : public ::testing::Test {
protected:
    void SetUp() override {
        scene_ = InitScene();
        ASSERT_NE(scene_, nullptr);
        ASSERT_NE(Model, nullptr);
    }
    void TearDown() override { DestroyScene(scene_); }
    SCENE *scene_ = nullptr;
};

TEST_F(Stadium, HasTheDescribedCounts) {
    EXPECT_EQ(Model->iNumPolygons, 1414);
    EXPECT_EQ(Model->iNumVerts, 3032);
    EXPECT_EQ(Model->iNumEdges, 4047);
    std::map<int32_t, int> byCount;
    for (int32_t k = 0; k < Model->iNumPolygons; ++k) ++byCount[Polygon(k).numv];
    EXPECT_EQ(byCount, (std::map<int32_t, int>{{2, 142}, {3, 30}, {4, 1242}}));
    // The builder leaves its last defaults in force.
    EXPECT_EQ(Model->iDefaultMaterial, 61);
    EXPECT_EQ(Model->iDefaultVisibility, 0x1001);
    EXPECT_EQ(Model->iDefaultAction, 0);
}

// Together the sections name every polygon once.
TEST_F(Stadium, EachSectionCarriesItsVisibilityAndMaterial) {
    struct Section {
        int32_t first, last;
        uint32_t visible;  // 0: the numbers' three versions differ
        int32_t material;
    };
    std::vector<Section> sections = {
        {18, 37, 0x80001, 36},   {38, 39, 0xA10001, 43},  {40, 47, 0x1910001, 32},
        {48, 49, 0xA10001, 34},  {50, 69, 0x8001, 43},    {80, 83, 0x80001, 37},
        {350, 369, 0x8001, 34},  {370, 385, 0x80001, 37}, {386, 389, 0x4001, 44},
        {390, 469, 0x2001, 44},  {470, 829, 0x9001, 43},  {830, 1311, 0, 54},
        {1366, 1413, 0x1001, 61},
    };
    for (int32_t k = 0; k < 18; ++k) sections.push_back({k, k, 0x40001, k % 3 == 0 ? 63 : 51});
    for (int i = 0; i < 20; ++i) {
        for (int c = 0; c < 10; ++c)  // checkerboard: odd row + column is striped
            sections.push_back({Tile(i, c), Tile(i, c), 0x8001, (i + c) % 2 ? 35 : 32});
        if (i > 0) sections.push_back({Tile(i, 10), Tile(i, 13), 0x80001, 37});  // yard line
    }
    for (int frame = 0; frame < 2; ++frame) {
        const int32_t first = 1312 + 27 * frame;
        sections.push_back({first, first + 5, 0x80001, 59});
        sections.push_back({first + 6, first + 26, 0x80001, 38});
    }
    std::multiset<int32_t> named;
    for (const Section &s : sections) {
        for (int32_t k = s.first; k <= s.last; ++k) {
            EXPECT_TRUE(s.visible == 0 || Polygon(k).visible == s.visible) << k;
            EXPECT_EQ(Polygon(k).material, s.material) << k;
            named.insert(k);
        }
    }
    EXPECT_EQ(named.size(), 1414u);
    EXPECT_EQ(std::set<int32_t>(named.begin(), named.end()).size(), 1414u);
}

TEST_F(Stadium, SamplePolygonsHaveTheirShapes) {
    const std::vector<std::pair<int32_t, Shape>> samples = {
        {0, {{2760, 4500, 540}, {1680, 3240, 0}, {-1680, 3240, 0}, {-2760, 4500, 540}}},
        {1, {{-2760, 4500, 540}, {-1680, 3240, 5400}, {1680, 3240, 5400}, {2760, 4500, 540}}},
        {2, {{0, 0, 7200}, {1680, 3240, 5400}, {-1680, 3240, 5400}}},
        {18, {{-516, 3240, 0}, {-516, 2232, 0}, {-1032, 2232, 0}, {-1032, 3240, 0}}},
        {37, {{1860, -2160, 0}, {1680, -3240, 0}, {1032, -3240, 0}, {1032, -2160, 0}}},
        {40, {{-960, 1800, 0}, {0, 1800, 0}, {-960, 0, 0}}},
        {48, {{960, -1800, 0}, {960, -2160, 0}, {0, -2160, 0}, {0, -1800, 0}}},
        {50, {{-768, 2160, 0}, {-768, 1980, 0}, {-960, 1980, 0}, {-960, 2160, 0}}},
        {70, {{-768, 1800, 0}, {-768, 1440, 0}, {-960, 1440, 0}, {-960, 1800, 0}}},
        {80, {{960, 1804, 0}, {960, 1796, 0}, {480, 1796, 0}, {480, 1804, 0}}},
        {345, {{960, -1620, 0}, {960, -1980, 0}, {768, -1980, 0}, {768, -1620, 0}}},
        {349, {{-476, -1618, 0}, {-476, -1622, 0}, {-952, -1622, 0}, {-952, -1618, 0}}},
        {369, {{960, -1980, 0}, {960, -2160, 0}, {768, -2160, 0}, {768, -1980, 0}}},
        {374, {{960, 2160, 0}, {0, 2160, 0}, {0, 2232, 0}, {1032, 2232, 0}}},
        {386, {{-240, 1766, 0}, {-240, 0, 0}, {-264, 0, 0}, {-264, 1766, 0}}},
        {390, {{-928, 1764, 0}, {-928, 1656, 0}, {-952, 1654, 0}, {-952, 1766, 0}}},
        {470, {{-928, 1766, 0}, {-928, 1762, 0}, {-952, 1762, 0}, {-952, 1766, 0}}},
        {828, {{18, 1730, 0}, {18, 1726, 0}, {-18, 1726, 0}, {-18, 1730, 0}}},
        {829, {{18, -1726, 0}, {18, -1730, 0}, {-18, -1730, 0}, {-18, -1726, 0}}},
        {830, {{-456, 1492, 0}, {-456, 1460, 0}, {-464, 1460, 0}, {-464, 1492, 0}}},
        {850, {{-480, 1541, 0}, {-471, 1506, 0}, {-489, 1506, 0}}},  // arrows to the
        {859, {{480, 1501, 0}, {489, 1466, 0}, {471, 1466, 0}}},     // nearer goal
        {1311, {{456, -1452, 0}, {528, -1452, 0}, {520, -1460, 0}, {464, -1460, 0}}},
        {1312, {{-12, 2235, 0}, {-12, 2259, 0}, {12, 2259, 0}, {12, 2235, 0}}},
        {1315, {{12, 2259, 0}, {12, 2259, 96}, {-12, 2235, 96}, {-12, 2235, 0}}},
        {1338, {{142, 2158, 120}, {142, 2158, 360}, {138, 2162, 360}, {138, 2162, 120}}},
        {1339, {{-12, -2259, 0}, {-12, -2235, 0}, {12, -2235, 0}, {12, -2259, 0}}},
        {1366, {{-960, 2160, 0}, {-960, 2160, 18}, {-963, 2163, 18}, {-963, 2163, 0}}},
        {1367, {{-963, 2163, 0}, {-963, 2163, 18}, {-960, 2160, 18}, {-960, 2160, 0}}},
        {1368, {{-963, 2160, 0}, {-963, 2160, 18}, {-960, 2163, 18}, {-960, 2163, 0}}},
        {1413, {{960, -2163, 0}, {960, -2163, 18}, {963, -2160, 18}, {963, -2160, 0}}},
    };
    for (const auto &[k, shape] : samples) EXPECT_EQ(ShapeOf(k), shape) << k;
}

// Each entry is a fine tile, 192 wide, of a marked column, row by row.
TEST_F(Stadium, TileTableNamesTheMarkedTilesRowByRow) {
    std::vector<int32_t> expected;
    for (int i = 0; i < 20; ++i)
        for (int c : {0, 2, 3, 6, 7, 9})
            if ((i > 0 && i < 19) || c % 3 == 0) expected.push_back(Tile(i, c));
    EXPECT_EQ(std::vector<int32_t>(QlmCmpPolyNum, QlmCmpPolyNum + kQlmCmpEntries), expected);
    EXPECT_EQ(QlmCmpPolyNum[9], 93);
    EXPECT_EQ(QlmCmpPolyNum[111], 331);
    for (int32_t tile : expected) {
        const Shape shape = ShapeOf(tile);
        ASSERT_EQ(shape.size(), 4u);
        EXPECT_EQ(shape[0][0] - shape[2][0], 192) << tile;
        EXPECT_TRUE(std::set<int32_t>({0, 2, 3, 6, 7, 9}).count((shape[2][0] + 960) / 192)) << tile;
    }
}

// Every sentinel link leads along a chain of active edges, each linked to
// the next, to an end edge; together the chains cover exactly the edges the
// near marks, digits and arrows made (the 2-yard marks carry no action).
// The few edges they found already made, at the ends of the far strips, take
// the active flag too but dangle outside the chains.
TEST_F(Stadium, SentinelLinksLeadAlongChainsCoveringEveryNearMark) {
    std::set<int32_t> chained, sentinels;
    for (int32_t j = 0; j < Model->iNumEdges; ++j) {
        const uint32_t act = Edge(j).act;
        if ((act & ACT_FLAGS) != 12u) continue;
        sentinels.insert(j);
        for (uint32_t link : {LinkP(act), LinkQ(act)}) {
            for (int32_t at = static_cast<int32_t>(link), steps = 0; link != 0; ++at, ++steps) {
                ASSERT_LT(steps, 64) << "chain from " << j;
                const uint32_t a = Edge(at).act;
                ASSERT_EQ(a & (ACT_FLAGS | ACT_LINK_Q_MASK), ACT_ACTIVE) << at;
                chained.insert(at);
                if (LinkP(a) == 0) break;
                ASSERT_EQ(LinkP(a), static_cast<uint32_t>(at + 1));
            }
        }
    }
    std::set<int32_t> nearEdges, foundEdges;
    for (int32_t k = 470; k < 1312; ++k) {
        if (Polygon(k).visible != 0x9001u || k == 828 || k == 829) continue;
        for (int i = 0; i < Polygon(k).numv; ++i) {
            const int32_t j = Polygon(k).e[i];
            (j >= FirstEdge(470) ? nearEdges : foundEdges).insert(j);
        }
    }
    EXPECT_EQ(chained, nearEdges);
    EXPECT_EQ(foundEdges.size(), 4u);
    for (int32_t j : foundEdges) {
        EXPECT_EQ(Edge(j).act & ACT_FLAGS, ACT_ACTIVE) << j;
        EXPECT_EQ(std::abs(Model->VertexList[Edge(j).a].y), 1766) << j;
    }
    std::set<int32_t> tileEdges;
    for (int32_t tile : QlmCmpPolyNum) tileEdges.insert(Polygon(tile).e, Polygon(tile).e + 4);
    EXPECT_EQ(sentinels, tileEdges);
    for (int32_t k : {828, 829})
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Edge(Polygon(k).e[i]).act, 0u);
}

// Bars, strokes and bevelled quads stay inside one cell: x -528 .. -456 or
// 456 .. 528, y from a cell top (1500 or 1428, less 360 a number) down by 48;
// arrows lie beside the cells, 35 long, pointing to the nearer goal.
TEST_F(Stadium, DigitsAndArrowsLieInTheirCells) {
    int plus = 0, minus = 0;
    for (int32_t k = 830; k <= 1311; ++k) {
        const Shape shape = ShapeOf(k);
        if (Polygon(k).numv == 3) {
            for (const Point &p : shape) {  // the apex is the vertex on x = ±480
                if (std::abs(p[0]) != 480) continue;
                const int32_t base = shape[0] == p ? shape[1][1] : shape[0][1];
                EXPECT_EQ(std::abs(p[1] - base), 35) << k;
                EXPECT_GT((p[1] > base ? base : -base), 60) << k;
                (p[1] > base ? plus : minus) += 1;
            }
            continue;
        }
        const int32_t h = shape[0][0] < 0 ? -528 : 456;
        auto within = [&](int32_t top) {
            return std::all_of(shape.begin(), shape.end(), [&](const Point &p) {
                return p[0] >= h && p[0] <= h + 72 && p[1] <= top && p[1] >= top - 48 && p[2] == 0;
            });
        };
        bool inCell = false;
        for (int32_t n = 0; n < 9; ++n)
            inCell = inCell || within(1500 - 360 * n) || within(1428 - 360 * n);
        EXPECT_TRUE(inCell) << k;
        EXPECT_TRUE(Polygon(k).numv != 2 || shape[0] != shape[1]) << k;
    }
    EXPECT_EQ(plus, 8);
    EXPECT_EQ(minus, 8);
}

TEST_F(Stadium, FiftyShowsItsZeroAndFiveInTurnedCells) {
    auto barsIn = [](int32_t x0, int32_t y0) {
        int n = 0;
        for (int32_t k = 830; k <= 1311; ++k) {
            if (Polygon(k).visible != 0x9001u || Polygon(k).numv != 4) continue;
            const Shape s = ShapeOf(k);
            n += std::all_of(s.begin(), s.end(), [&](const Point &p) {
                return p[0] >= x0 && p[0] <= x0 + 72 && p[1] >= y0 && p[1] <= y0 + 48;
            });
        }
        return n;
    };
    EXPECT_EQ(barsIn(-528, 12), 6);   // left, upper cell: 0
    EXPECT_EQ(barsIn(-528, -60), 5);  // left, lower cell: 5
    EXPECT_EQ(barsIn(456, 12), 5);    // right, upper cell: 5
    EXPECT_EQ(barsIn(456, -60), 6);   // right, lower cell: 0
}

// The whole model, its counts and defaults, and the tile table.
std::vector<unsigned char> TakeImage() {
    std::vector<unsigned char> image;
    auto add = [&image](const void *p, size_t n) {
        const auto *b = static_cast<const unsigned char *>(p);
        image.insert(image.end(), b, b + n);
    };
    add(Model->VertexList, sizeof(VERTEX3D) * QUELM_MAX_VERTICES);
    add(Model->EdgeList, sizeof(EDGELIST) * QUELM_MAX_EDGES);
    add(Model->PolygonList, sizeof(POLYGONLIST) * QUELM_MAX_POLYGONS);
    add(&Model->iNumVerts, sizeof(MODEL) - offsetof(MODEL, iNumVerts));
    add(QlmCmpPolyNum, sizeof(int32_t) * kQlmCmpEntries);
    return image;
}

TEST(StadiumRebuild, LastSceneGoneAndBackGivesAnIdenticalModel) {
    const long blocks = QuelmGlobalBlocksLive();
    SCENE *first = InitScene();
    ASSERT_NE(first, nullptr);
    const std::vector<unsigned char> before = TakeImage();
    SCENE *second = InitScene();  // shares the model: no rebuild
    ASSERT_NE(second, nullptr);
    DestroyScene(first);
    ASSERT_NE(Model, nullptr);
    DestroyScene(second);
    EXPECT_EQ(Model, nullptr);
    EXPECT_EQ(QuelmGlobalBlocksLive(), blocks);  // the art goes with the model
    std::fill(QlmCmpPolyNum, QlmCmpPolyNum + kQlmCmpEntries, -1);
    SCENE *again = InitScene();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(TakeImage() == before);
    DestroyScene(again);
    EXPECT_EQ(QuelmGlobalBlocksLive(), blocks);
}

// ------------------------------------------------------- without memory

// The test binary routes the library's allocations through this wrapper,
// which refuses the edge pool while `refuseEdgePool` is set.
bool refuseEdgePool = false;

}  // namespace

extern "C" void *__real_GlobalAllocLocked(size_t bytes);
extern "C" void *__wrap_GlobalAllocLocked(size_t bytes) {
    const bool edgePool = bytes == sizeof(EDGELIST) * QUELM_MAX_EDGES;
    return refuseEdgePool && edgePool ? nullptr : __real_GlobalAllocLocked(bytes);
}

namespace {

TEST(StadiumWithoutEdgePool, BuildStopsWithAnEmptyModelAndTheFirstSceneIsRefused) {
    const long blocks = QuelmGlobalBlocksLive();
    ASSERT_EQ(Model, nullptr);
    refuseEdgePool = true;
    Model = static_cast<MODEL *>(GlobalAllocLocked(sizeof(MODEL)));
    MakeQuelm(Model);
    EXPECT_EQ(Model->iNumPolygons, 0);
    EXPECT_EQ(Model->iNumVerts, 0);
    EXPECT_EQ(Model->EdgeList, nullptr);
    EXPECT_NE(Model->VertexList, nullptr);  // what was obtained stays
    VERTEX3D line[2] = {{0, 0, 0, 0}, {1, 0, 0, 0}};
    EXPECT_EQ(PolygonModelAdd(2, line), 0);
    PolygonModelDiscard();
    ReleaseQuelmSourceArt();
    GlobalFreeLocked(Model);
    Model = nullptr;

    EXPECT_EQ(InitScene(), nullptr);
    EXPECT_EQ(Model, nullptr);
    EXPECT_EQ(QuelmGlobalBlocksLive(), blocks);
    refuseEdgePool = false;
    SCENE *scene = InitScene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(Model->iNumPolygons, 1414);
    DestroyScene(scene);
}

// ------------------------------------------------------------ sky pieces

// DoSkyMirror and DoSkyPyramid on a model of their own, on outlines the
// stadium does not have (its sky is among the sample shapes): what they leave
// in the caller's array and what they add to the model.
TEST(SkyPieces, LiftOutlinesToTheSkyLevel) {
    struct Row {
        const char *what;
        bool pyramid;
        int32_t level;
        Shape in, out, added;  // added: the polygon made, if any
        std::vector<uint32_t> from;  // which input each output record is a copy of
    };
    const Row rows[] = {
        // The last vertex is dropped, the second takes a copy of the third,
        // the lowest is raised; then the three left are turned over.
        {"middle heights are merged into their successor or dropped", false, 5400,
         {{0, 0, 0}, {1, 0, 100}, {2, 0, 540}, {3, 0, 100}},
         {{2, 0, 540}, {2, 0, 540}, {0, 0, 5400}}, {{2, 0, 540}, {0, 0, 5400}}, {3, 3, 1}},
        {"a level polygon is raised whole", false, 500,
         {{0, 0, 100}, {1, 0, 100}, {1, 1, 100}}, {{1, 1, 500}, {1, 0, 500}, {0, 0, 500}},
         {{1, 1, 500}, {1, 0, 500}, {0, 0, 500}}, {3, 2, 1}},
        // Below ground only the lowest is at a level; all others copy it.
        {"below ground the highest stays zero", true, 900,
         {{0, 0, -10}, {1, 0, -20}, {2, 0, -10}, {3, 0, -30}},
         {{0, 0, 900}, {0, 0, 900}, {0, 0, 900}, {0, 0, 900}}, {}, {4, 4, 4, 4}},
    };
    ASSERT_EQ(Model, nullptr);
    Model = static_cast<MODEL *>(GlobalAllocLocked(sizeof(MODEL)));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(PolygonModelInit(), 1);
        VERTEX3D p3D[4] = {};  // visible numbers the records 1 to n
        auto n = static_cast<int32_t>(row.in.size());
        for (int32_t i = 0; i < n; ++i)
            p3D[i] = {row.in[i][0], row.in[i][1], row.in[i][2], static_cast<uint32_t>(i + 1)};
        (row.pyramid ? DoSkyPyramid : DoSkyMirror)(&n, p3D, row.level);
        Shape out;
        std::vector<uint32_t> from;
        for (int32_t i = 0; i < n; ++i) {
            out.push_back({p3D[i].x, p3D[i].y, p3D[i].z});
            from.push_back(p3D[i].visible);
        }
        EXPECT_EQ(out, row.out);
        EXPECT_EQ(from, row.from);
        if (!row.added.empty()) {
            ASSERT_EQ(Model->iNumPolygons, 1);
            EXPECT_EQ(ShapeOf(0), row.added);
            EXPECT_EQ(Polygon(0).material, 51);
        }
        PolygonModelDiscard();
    }
    GlobalFreeLocked(Model);
    Model = nullptr;
}

}  // namespace
