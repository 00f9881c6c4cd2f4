// The stadium model as built by the first scene: counts, materials and
// visibility by index, sample shapes, the tile table, the sentinel links and
// edge chains of the near marks and digits, the sky, and rebuilds.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "model/model.h"
#include "platform/globalmem.h"
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

// The index of the polygon with exactly this outline, or -1.
int32_t Find(const Shape &shape) {
    for (int32_t k = 0; k < Model->iNumPolygons; ++k)
        if (ShapeOf(k) == shape) return k;
    return -1;
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
}

TEST_F(Stadium, HasTheDescribedMaterialHistogram) {
    std::map<int32_t, int> histogram;
    for (int32_t k = 0; k < Model->iNumPolygons; ++k) ++histogram[Polygon(k).material];
    const std::map<int32_t, int> expected = {
        {54, 482}, {43, 382}, {32, 108}, {35, 100}, {37, 96}, {44, 84}, {61, 48},
        {38, 42},  {34, 22},  {36, 20},  {51, 12},  {59, 12}, {63, 6}};
    EXPECT_EQ(histogram, expected);
}

TEST_F(Stadium, EachSectionCarriesItsVisibilityAndMaterial) {
    struct Section {
        int32_t first, last;
        uint32_t visible;
        int32_t material;
    };
    std::vector<Section> sections = {
        {18, 37, 0x80001, 36},   {38, 39, 0xA10001, 43},  {40, 47, 0x1910001, 32},
        {48, 49, 0xA10001, 34},  {50, 69, 0x8001, 43},    {80, 83, 0x80001, 37},
        {350, 369, 0x8001, 34},  {370, 385, 0x80001, 37}, {386, 389, 0x4001, 44},
        {390, 469, 0x2001, 44},  {470, 829, 0x9001, 43},  {1366, 1413, 0x1001, 61},
    };
    for (int i = 1; i < 20; ++i)
        sections.push_back({Tile(i, 10), Tile(i, 13), 0x80001, 37});  // yard line
    for (int frame = 0; frame < 2; ++frame) {
        const int32_t first = 1312 + 27 * frame;
        sections.push_back({first, first + 5, 0x80001, 59});
        sections.push_back({first + 6, first + 26, 0x80001, 38});
    }
    for (const Section &s : sections) {
        for (int32_t k = s.first; k <= s.last; ++k) {
            EXPECT_EQ(Polygon(k).visible, s.visible) << k;
            EXPECT_EQ(Polygon(k).material, s.material) << k;
        }
    }
    for (int32_t k = 0; k < 18; ++k) {
        EXPECT_EQ(Polygon(k).visible, 0x40001u) << k;
        EXPECT_EQ(Polygon(k).material, k % 3 == 0 ? 63 : 51) << k;
    }
    // Checkerboard: odd row + column is striped.
    for (int i = 0; i < 20; ++i) {
        for (int c = 0; c < 10; ++c) {
            EXPECT_EQ(Polygon(Tile(i, c)).visible, 0x8001u) << i << "," << c;
            EXPECT_EQ(Polygon(Tile(i, c)).material, (i + c) % 2 ? 35 : 32) << i << "," << c;
        }
    }
    for (int32_t k = 830; k <= 1311; ++k) EXPECT_EQ(Polygon(k).material, 54) << k;
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

TEST_F(Stadium, TileTableNamesTheMarkedTilesRowByRow) {
    std::vector<int32_t> expected;
    for (int c : {0, 3, 6, 9}) expected.push_back(Tile(0, c));
    for (int i = 1; i <= 18; ++i)
        for (int c : {0, 2, 3, 6, 7, 9}) expected.push_back(Tile(i, c));
    for (int c : {0, 3, 6, 9}) expected.push_back(Tile(19, c));
    ASSERT_EQ(expected.size(), static_cast<size_t>(kQlmCmpEntries));
    EXPECT_EQ(std::vector<int32_t>(QlmCmpPolyNum, QlmCmpPolyNum + kQlmCmpEntries), expected);
    EXPECT_EQ(QlmCmpPolyNum[9], 93);
    EXPECT_EQ(QlmCmpPolyNum[111], 331);
    // Each entry is a fine tile, 192 wide, of a marked column.
    for (int32_t tile : expected) {
        const Shape shape = ShapeOf(tile);
        ASSERT_EQ(shape.size(), 4u);
        const int32_t column = (shape[2][0] + 960) / 192;
        EXPECT_EQ(shape[0][0] - shape[2][0], 192) << tile;
        EXPECT_TRUE(std::set<int32_t>({0, 2, 3, 6, 7, 9}).count(column)) << tile;
    }
}

TEST_F(Stadium, TileSeventyLinksToItsTicksExceptWhereTileNinetyEightRewroteIt) {
    const int32_t ticks = FirstEdge(470);
    const int32_t row2 = Find({{-928, 1406, 0}, {-928, 1402, 0}, {-952, 1402, 0}, {-952, 1406, 0}});
    ASSERT_GT(row2, 470);
    const POLYGONLIST &tile = Polygon(70);
    int linkedToTicks = 0;
    for (int i = 0; i < 4; ++i) {
        const EDGELIST &e = Edge(tile.e[i]);
        EXPECT_EQ(e.act & ACT_FLAGS, 12u) << i;
        const bool lower = Model->VertexList[e.a].y == 1440 && Model->VertexList[e.b].y == 1440;
        if (lower) {
            EXPECT_EQ(LinkP(e.act), static_cast<uint32_t>(FirstEdge(row2)));
            EXPECT_TRUE(std::find(Polygon(98).e, Polygon(98).e + 4, tile.e[i]) !=
                        Polygon(98).e + 4);
        } else {
            EXPECT_EQ(LinkP(e.act), static_cast<uint32_t>(ticks)) << i;
            ++linkedToTicks;
        }
    }
    EXPECT_EQ(linkedToTicks, 3);
    // The four ticks make 16 new edges; the last one ends the chain.
    const int32_t lastTick = Find({{-928, 1658, 0}, {-928, 1654, 0}, {-952, 1654, 0}, {-952, 1658, 0}});
    ASSERT_EQ(lastTick, 473);
    EXPECT_EQ(Edge(ticks + 15).act, ACT_ACTIVE);
    EXPECT_EQ(*std::max_element(Polygon(473).e, Polygon(473).e + 4), ticks + 15);
    for (int32_t j = ticks; j < ticks + 15; ++j)
        EXPECT_EQ(Edge(j).act, ACT_ACTIVE | (static_cast<uint32_t>(j + 1) << ACT_LINK_P_SHIFT));
}

TEST_F(Stadium, SharedTileEdgeHoldsTheHashMarkAndTheDigitLink) {
    // Row 1: column 3 (hash marks) uses link p, column 2 (left digits) link q.
    const POLYGONLIST &digits = Polygon(Tile(1, 2));
    const POLYGONLIST &marks = Polygon(Tile(1, 3));
    int32_t shared = -1;
    for (int i = 0; i < 4; ++i)
        for (int m = 0; m < 4; ++m)
            if (digits.e[i] == marks.e[m]) shared = digits.e[i];
    ASSERT_GE(shared, 0);
    const int32_t tick = Find({{-240, 1584 + 2, 0}, {-240, 1584 - 2, 0}, {-264, 1582, 0}, {-264, 1586, 0}});
    ASSERT_GE(tick, 0);
    EXPECT_EQ(Edge(shared).act & ACT_FLAGS, 12u);
    EXPECT_EQ(LinkP(Edge(shared).act), static_cast<uint32_t>(FirstEdge(tick)));
    EXPECT_EQ(LinkQ(Edge(shared).act), static_cast<uint32_t>(FirstEdge(830)));
    // Right digits (column 7) use link p, the marks of column 6 link q.
    const EDGELIST &right = Edge(Polygon(Tile(1, 7)).e[0]);
    EXPECT_NE(LinkP(right.act), 0u);
    EXPECT_GE(LinkP(right.act), static_cast<uint32_t>(FirstEdge(830)));
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
            if (link == 0) continue;
            int32_t at = static_cast<int32_t>(link);
            for (int steps = 0;; ++steps) {
                ASSERT_LT(steps, 64) << "chain from " << j;
                const uint32_t a = Edge(at).act;
                ASSERT_EQ(a & ACT_FLAGS, ACT_ACTIVE) << at;
                ASSERT_EQ(LinkQ(a), 0u) << at;
                chained.insert(at);
                if (LinkP(a) == 0) break;
                ASSERT_EQ(LinkP(a), static_cast<uint32_t>(at + 1));
                ++at;
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

TEST_F(Stadium, DigitsComeInThreeVersions) {
    std::map<uint32_t, std::map<int32_t, int>> counts;  // visible -> numv -> polygons
    for (int32_t k = 830; k <= 1311; ++k) ++counts[Polygon(k).visible][Polygon(k).numv];
    EXPECT_EQ(counts[0x9001], (std::map<int32_t, int>{{3, 16}, {4, 182}}));
    EXPECT_EQ(counts[0x4001], (std::map<int32_t, int>{{2, 142}}));
    EXPECT_EQ(counts[0x2001], (std::map<int32_t, int>{{4, 142}}));
    EXPECT_EQ(counts.size(), 3u);
    // Bars, strokes and bevelled quads stay inside one cell: x -528 .. -456
    // or 456 .. 528, y from a cell top (1500 or 1428, less 360 a number) down
    // by 48.
    for (int32_t k = 830; k <= 1311; ++k) {
        if (Polygon(k).numv == 3) continue;  // arrows lie beside the cells
        const Shape shape = ShapeOf(k);
        const int32_t h = shape[0][0] < 0 ? -528 : 456;
        bool inCell = false;
        for (int32_t n = 0; n < 9; ++n) {
            for (int32_t top : {1500 - 360 * n, 1428 - 360 * n}) {
                bool inside = true;
                for (const Point &p : shape)
                    inside = inside && p[0] >= h && p[0] <= h + 72 && p[1] <= top &&
                             p[1] >= top - 48 && p[2] == 0;
                inCell = inCell || inside;
            }
        }
        EXPECT_TRUE(inCell) << k;
        if (Polygon(k).numv == 2) {
            EXPECT_NE(shape[0], shape[1]) << k;
        }
    }
}

TEST_F(Stadium, FirstAndLastDigitsLieOverTheirTiles) {
    EXPECT_EQ(QlmCmpPolyNum[5], 86);
    EXPECT_EQ(QlmCmpPolyNum[110], 329);
    EXPECT_EQ(LinkQ(Edge(Polygon(86).e[0]).act), static_cast<uint32_t>(FirstEdge(830)));
    // The last digit is the right 0 of the last 10: bar A first.
    const int32_t barA = Find({{528, -1460, 0}, {528, -1492, 0}, {520, -1492, 0}, {520, -1460, 0}});
    ASSERT_GE(barA, 1200);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(LinkP(Edge(Polygon(329).e[i]).act), static_cast<uint32_t>(FirstEdge(barA)));
}

TEST_F(Stadium, ArrowsPointToTheNearerGoalExceptAtFifty) {
    EXPECT_EQ(ShapeOf(850), (Shape{{-480, 1541, 0}, {-471, 1506, 0}, {-489, 1506, 0}}));
    EXPECT_EQ(ShapeOf(859), (Shape{{480, 1501, 0}, {489, 1466, 0}, {471, 1466, 0}}));
    int plus = 0, minus = 0;
    for (int32_t k = 830; k <= 1311; ++k) {
        if (Polygon(k).numv != 3) continue;
        const Shape s = ShapeOf(k);
        // The apex is the vertex on the axis x = ±480.
        for (const Point &p : s) {
            if (p[0] != 480 && p[0] != -480) continue;
            const int32_t base = s[0] == p ? s[1][1] : s[0][1];
            if (p[1] > base) {
                ++plus;
                EXPECT_GT(base, 60) << k;
            } else {
                ++minus;
                EXPECT_LT(base, -60) << k;
            }
            EXPECT_EQ(std::abs(p[1] - base), 35) << k;
        }
    }
    EXPECT_EQ(plus, 8);
    EXPECT_EQ(minus, 8);
}

TEST_F(Stadium, FiftyShowsItsZeroAndFiveInTurnedCells) {
    auto barsIn = [](int32_t x0, int32_t y0) {
        int n = 0;
        for (int32_t k = 830; k <= 1311; ++k) {
            if (Polygon(k).visible != 0x9001u || Polygon(k).numv != 4) continue;
            bool inside = true;
            for (const Point &p : ShapeOf(k))
                inside = inside && p[0] >= x0 && p[0] <= x0 + 72 && p[1] >= y0 && p[1] <= y0 + 48;
            n += inside;
        }
        return n;
    };
    EXPECT_EQ(barsIn(-528, 12), 6);   // left, upper cell: 0
    EXPECT_EQ(barsIn(-528, -60), 5);  // left, lower cell: 5
    EXPECT_EQ(barsIn(456, 12), 5);    // right, upper cell: 5
    EXPECT_EQ(barsIn(456, -60), 6);   // right, lower cell: 0
}

TEST_F(Stadium, SkyClosesAtOneApexVertex) {
    std::set<int32_t> apexes;
    for (int32_t k = 2; k < 18; k += 3) {
        ASSERT_EQ(Polygon(k).numv, 3) << k;
        for (int i = 0; i < 3; ++i)
            if (Model->VertexList[Polygon(k).v[i]].z == 7200) apexes.insert(Polygon(k).v[i]);
        EXPECT_EQ(Polygon(k - 1).numv, 4) << k;
        for (const Point &p : ShapeOf(k - 1)) EXPECT_TRUE(p[2] == 540 || p[2] == 5400) << k;
    }
    ASSERT_EQ(apexes.size(), 1u);
    const VERTEX3D &apex = Model->VertexList[*apexes.begin()];
    EXPECT_EQ(apex.x, 0);
    EXPECT_EQ(apex.y, 0);
    EXPECT_EQ(apex.z, 7200);
    EXPECT_EQ(apex.visible, 0x40000u);
    // The sky wall shares its rim edge with its stand.
    std::set<int32_t> standEdges(Polygon(0).e, Polygon(0).e + 4);
    int shared = 0;
    for (int i = 0; i < 4; ++i) shared += standEdges.count(Polygon(1).e[i]);
    EXPECT_EQ(shared, 1);
}

TEST_F(Stadium, VerticesCollectThePlansOfEverythingBuiltOnThem) {
    // The corner of the field at the +y goal line, left: coarse surface, fine
    // tiles and a pylon stand on it.
    int checked = 0;
    for (int32_t j = 0; j < Model->iNumVerts; ++j) {
        const VERTEX3D &v = Model->VertexList[j];
        if (v.x == -960 && v.y == 1800 && v.z == 0) {
            EXPECT_EQ(v.visible, 0x19000u);
            ++checked;
        }
        if (v.x == -963 && v.y == 2163 && v.z == 18) {
            EXPECT_EQ(v.visible, 0x1000u);
            ++checked;
        }
        EXPECT_EQ(v.visible & ~VIS_PLAN_MASK, 0u) << j;
    }
    EXPECT_EQ(checked, 2);
}

TEST_F(Stadium, BuilderLeavesItsLastDefaultsInForce) {
    EXPECT_EQ(Model->iDefaultMaterial, 61);
    EXPECT_EQ(Model->iDefaultVisibility, 0x1001);
    EXPECT_EQ(Model->iDefaultAction, 0);
}

struct ModelImage {
    std::vector<unsigned char> vertices, edges, polygons;
    std::array<int32_t, 8> scalars;
    std::vector<int32_t> table;
};

ModelImage TakeImage() {
    ModelImage image;
    auto bytes = [](const void *p, size_t n) {
        const auto *b = static_cast<const unsigned char *>(p);
        return std::vector<unsigned char>(b, b + n);
    };
    image.vertices = bytes(Model->VertexList, sizeof(VERTEX3D) * QUELM_MAX_VERTICES);
    image.edges = bytes(Model->EdgeList, sizeof(EDGELIST) * QUELM_MAX_EDGES);
    image.polygons = bytes(Model->PolygonList, sizeof(POLYGONLIST) * QUELM_MAX_POLYGONS);
    image.scalars = {Model->iNumVerts,        Model->iNumEdges,          Model->iNumPolygons,
                     Model->iCurrentLine,     Model->iCurrentSurface,    Model->iDefaultMaterial,
                     Model->iDefaultVisibility, Model->iDefaultAction};
    image.table.assign(QlmCmpPolyNum, QlmCmpPolyNum + kQlmCmpEntries);
    return image;
}

TEST(StadiumRebuild, LastSceneGoneAndBackGivesAnIdenticalModel) {
#ifndef _WIN32
    const long blocks = QuelmGlobalBlocksLive();
#endif
    SCENE *first = InitScene();
    ASSERT_NE(first, nullptr);
    const ModelImage before = TakeImage();
    SCENE *second = InitScene();  // shares the model: no rebuild
    ASSERT_NE(second, nullptr);
    DestroyScene(first);
    ASSERT_NE(Model, nullptr);
    DestroyScene(second);
    EXPECT_EQ(Model, nullptr);
#ifndef _WIN32
    EXPECT_EQ(QuelmGlobalBlocksLive(), blocks);  // the art goes with the model
#endif
    std::fill(QlmCmpPolyNum, QlmCmpPolyNum + kQlmCmpEntries, -1);
    SCENE *again = InitScene();
    ASSERT_NE(again, nullptr);
    const ModelImage after = TakeImage();
    EXPECT_TRUE(before.vertices == after.vertices);
    EXPECT_TRUE(before.edges == after.edges);
    EXPECT_TRUE(before.polygons == after.polygons);
    EXPECT_EQ(before.scalars, after.scalars);
    EXPECT_EQ(before.table, after.table);
    DestroyScene(again);
#ifndef _WIN32
    EXPECT_EQ(QuelmGlobalBlocksLive(), blocks);
#endif
}

// ------------------------------------------------------- without memory

// The test binary routes the library's allocations through this wrapper,
// which refuses blocks of one size on demand.
size_t refusedSize = 0;

}  // namespace

extern "C" void *__real_GlobalAllocLocked(size_t bytes);
extern "C" void *__wrap_GlobalAllocLocked(size_t bytes) {
    return bytes == refusedSize ? nullptr : __real_GlobalAllocLocked(bytes);
}

namespace {

class StadiumWithoutEdgePool : public ::testing::Test {
protected:
    void SetUp() override { refusedSize = sizeof(EDGELIST) * QUELM_MAX_EDGES; }
    void TearDown() override { refusedSize = 0; }
};

TEST_F(StadiumWithoutEdgePool, BuildStopsWithAnEmptyModel) {
    ASSERT_EQ(Model, nullptr);
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
}

TEST_F(StadiumWithoutEdgePool, FirstSceneIsRefusedAndEverythingReleased) {
#ifndef _WIN32
    const long blocks = QuelmGlobalBlocksLive();
#endif
    EXPECT_EQ(InitScene(), nullptr);
    EXPECT_EQ(Model, nullptr);
#ifndef _WIN32
    EXPECT_EQ(QuelmGlobalBlocksLive(), blocks);
#endif
    refusedSize = 0;
    SCENE *scene = InitScene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(Model->iNumPolygons, 1414);
    DestroyScene(scene);
}

// ------------------------------------------------------------ sky pieces

class SkyPieces : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Model, nullptr);
        Model = static_cast<MODEL *>(GlobalAllocLocked(sizeof(MODEL)));
        ASSERT_EQ(PolygonModelInit(), 1);
    }
    void TearDown() override {
        PolygonModelDiscard();
        GlobalFreeLocked(Model);
        Model = nullptr;
    }
    static Shape Array(const VERTEX3D *p3D, int32_t n) {
        Shape s;
        for (int32_t i = 0; i < n; ++i) s.push_back({p3D[i].x, p3D[i].y, p3D[i].z});
        return s;
    }
};

TEST_F(SkyPieces, StandBecomesAWallAndTheWallATriangle) {
    VERTEX3D p3D[4] = {
        {2760, 4500, 540, 0}, {1680, 3240, 0, 0}, {-1680, 3240, 0, 0}, {-2760, 4500, 540, 0}};
    int32_t n = 4;
    DoSkyMirror(&n, p3D, 5400);
    const Shape wall = {{-2760, 4500, 540}, {-1680, 3240, 5400}, {1680, 3240, 5400}, {2760, 4500, 540}};
    EXPECT_EQ(n, 4);
    EXPECT_EQ(Array(p3D, 4), wall);
    ASSERT_EQ(Model->iNumPolygons, 1);
    EXPECT_EQ(ShapeOf(0), wall);
    EXPECT_EQ(Polygon(0).material, 51);
    DoSkyPyramid(&n, p3D, 7200);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(Array(p3D, 4), (Shape{{0, 0, 7200}, {1680, 3240, 5400}, {-1680, 3240, 5400}, {0, 0, 7200}}));
    ASSERT_EQ(Model->iNumPolygons, 2);
    EXPECT_EQ(ShapeOf(1), (Shape{{0, 0, 7200}, {1680, 3240, 5400}, {-1680, 3240, 5400}}));
    EXPECT_EQ(Polygon(1).material, 51);
}

TEST_F(SkyPieces, MiddleHeightsAreMergedIntoTheirSuccessorOrDropped) {
    VERTEX3D p3D[4] = {{0, 0, 0, 1}, {1, 0, 100, 2}, {2, 0, 540, 3}, {3, 0, 100, 4}};
    int32_t n = 4;
    DoSkyMirror(&n, p3D, 5400);
    // The last vertex is dropped, the second takes a copy of the third, the
    // lowest is raised; then the three left are turned over.
    EXPECT_EQ(n, 3);
    EXPECT_EQ(Array(p3D, 3), (Shape{{2, 0, 540}, {2, 0, 540}, {0, 0, 5400}}));
    EXPECT_EQ(p3D[1].visible, 3u);  // a whole-record copy
    EXPECT_EQ(ShapeOf(0), (Shape{{2, 0, 540}, {0, 0, 5400}}));
}

TEST_F(SkyPieces, LevelPolygonIsRaisedWhole) {
    VERTEX3D p3D[3] = {{0, 0, 100, 0}, {1, 0, 100, 0}, {1, 1, 100, 0}};
    int32_t n = 3;
    DoSkyMirror(&n, p3D, 500);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(Array(p3D, 3), (Shape{{1, 1, 500}, {1, 0, 500}, {0, 0, 500}}));
}

TEST_F(SkyPieces, BelowGroundTheHighestStaysZero) {
    VERTEX3D p3D[4] = {{0, 0, -10, 0}, {1, 0, -20, 0}, {2, 0, -10, 0}, {3, 0, -30, 0}};
    int32_t n = 4;
    DoSkyPyramid(&n, p3D, 900);
    // Only the lowest is at a level; all others copy it once it has moved.
    EXPECT_EQ(n, 4);
    for (const Point &p : Array(p3D, 4)) EXPECT_EQ(p, (Point{0, 0, 900}));
}

}  // namespace
