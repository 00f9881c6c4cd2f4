// Tests of the rasteriser: ClipToRect and FillConvexPoly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "gresk.h"

// Found by argument lookup only at global scope, where sSPOINT lives.
static bool operator==(const sSPOINT &a, const sSPOINT &b) { return a.x == b.x && a.y == b.y; }

namespace {

using Poly = std::vector<sSPOINT>;

sSPOINT P(int x, int y) { return sSPOINT{int16_t(x), int16_t(y)}; }

// ---------------------------------------------------------------- helpers

// An 8-bit DIB with guard bytes around its pixels; row padding is guarded too.
class Dib {
public:
    static constexpr uint8_t kGuard = 0xA5;
    static constexpr int kGuardBytes = 64;

    Dib(int w, int h, bool topDown = true) : w_(w), h_(h), stride_((w + 3) & ~3), topDown_(topDown) {
        bmi_.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi_.bmiHeader.biWidth = w;
        bmi_.bmiHeader.biHeight = topDown ? -h : h;
        bmi_.bmiHeader.biPlanes = 1;
        bmi_.bmiHeader.biBitCount = 8;
        bmi_.bmiHeader.biCompression = BI_RGB;
        mem_.assign(size_t(2 * kGuardBytes + stride_ * h), kGuard);
        for (int y = 0; y < h; ++y) std::fill_n(Row(y), w, uint8_t(0));
    }

    BITMAPINFOHEADER &Header() { return bmi_.bmiHeader; }
    int Width() const { return w_; }
    int Height() const { return h_; }

    int Fill(Poly pts, int pic, int kind = GRESK_FILLPOLY) {
        sFILLPOLY req{pic, 0};
        return FillConvexPoly(&bmi_, mem_.data() + kGuardBytes, pts.data(), int32_t(pts.size()),
                              kind, &req);
    }

    uint8_t At(int x, int y) const { return Row(y)[x]; }
    uint8_t *Row(int y) {
        return mem_.data() + kGuardBytes + size_t(topDown_ ? y : h_ - 1 - y) * stride_;
    }
    const uint8_t *Row(int y) const { return const_cast<Dib *>(this)->Row(y); }
    const uint8_t *Memory() const { return mem_.data() + kGuardBytes; }

    // Guard bytes and row padding still hold what they held.
    bool Untouched() const {
        for (int i = 0; i < kGuardBytes; ++i)
            if (mem_[i] != kGuard || mem_[mem_.size() - 1 - i] != kGuard) return false;
        for (int y = 0; y < h_; ++y)
            for (int x = w_; x < stride_; ++x)
                if (Row(y)[x] != kGuard) return false;
        return true;
    }

    int Count(uint8_t c) const {
        int n = 0;
        for (int y = 0; y < h_; ++y) n += int(std::count(Row(y), Row(y) + w_, c));
        return n;
    }

private:
    int w_, h_, stride_;
    bool topDown_;
    BITMAPINFO bmi_{};
    std::vector<uint8_t> mem_;
};

int64_t Cross(const sSPOINT &o, const sSPOINT &a, int64_t x, int64_t y) {
    return int64_t(a.x - o.x) * (y - o.y) - int64_t(a.y - o.y) * (x - o.x);
}

// The fill convention, slowly: the closed square of pixel (x, y) meets the
// closed convex polygon (separating axes, in doubled coordinates so that the
// square's corners are whole).  A polygon of one or two points, or with
// repeated or collinear corners, is the hull of its points.
bool Touches(const Poly &poly, int x, int y) {
    const int64_t cx[4] = {2 * x - 1, 2 * x + 1, 2 * x + 1, 2 * x - 1};
    const int64_t cy[4] = {2 * y - 1, 2 * y - 1, 2 * y + 1, 2 * y + 1};
    auto separated = [&](int64_t nx, int64_t ny) {
        int64_t pmin = INT64_MAX, pmax = INT64_MIN, smin = INT64_MAX, smax = INT64_MIN;
        for (const sSPOINT &v : poly) {
            const int64_t d = nx * 2 * v.x + ny * 2 * v.y;
            pmin = std::min(pmin, d), pmax = std::max(pmax, d);
        }
        for (int i = 0; i < 4; ++i) {
            const int64_t d = nx * cx[i] + ny * cy[i];
            smin = std::min(smin, d), smax = std::max(smax, d);
        }
        return pmax < smin || smax < pmin;
    };
    if (separated(1, 0) || separated(0, 1)) return false;
    for (size_t i = 0; i < poly.size(); ++i) {
        const sSPOINT &a = poly[i], &b = poly[(i + 1) % poly.size()];
        if (!(a == b) && separated(-(b.y - a.y), b.x - a.x)) return false;
    }
    return true;
}

// Convex hull (counter-clockwise on screen, no collinear corners).
Poly Hull(Poly pts) {
    std::sort(pts.begin(), pts.end(),
              [](const sSPOINT &a, const sSPOINT &b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
    if (pts.size() < 3) return pts;
    Poly h(2 * pts.size());
    size_t k = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && Cross(h[k - 2], h[k - 1], pts[i].x, pts[i].y) <= 0) --k;
        h[k++] = pts[i];
    }
    for (size_t i = pts.size() - 1, t = k + 1; i-- > 0;) {
        while (k >= t && Cross(h[k - 2], h[k - 1], pts[i].x, pts[i].y) <= 0) --k;
        h[k++] = pts[i];
    }
    h.resize(k - 1);
    return h;
}

Poly RandomHull(std::mt19937 &rng, int x0, int y0, int w, int h) {
    std::uniform_int_distribution<int> n(3, 8), dx(0, w), dy(0, h);
    Poly pts;
    for (int i = n(rng); i > 0; --i) pts.push_back(P(x0 + dx(rng), y0 + dy(rng)));
    return Hull(pts);
}

Poly Clip(int l, int t, int r, int b, Poly pts) {
    int32_t n = int32_t(pts.size());
    pts.resize(GRESK_MAX_POINTS);
    const int32_t result = ClipToRect(l, t, r, b, pts.data(), &n);
    EXPECT_EQ(result, n);
    pts.resize(size_t(std::max(n, 0)));
    return pts;
}

// Same corners in the same cyclic order, from any starting corner.
bool SameCycle(const Poly &a, const Poly &b) {
    if (a.size() != b.size()) return false;
    for (size_t s = 0; s < a.size(); ++s) {
        bool same = true;
        for (size_t i = 0; i < a.size() && same; ++i) same = a[(s + i) % a.size()] == b[i];
        if (same) return true;
    }
    return a.empty();
}

// ---------------------------------------------------------------- ClipToRect

TEST(ClipToRect, LeavesAPolygonInsideUntouched) {
    // Corners on all four sides, right and bottom included, and a repeat.
    const Poly poly = {P(0, 5), P(4, 0), P(4, 0), P(10, 3), P(7, 8)};
    EXPECT_EQ(Clip(0, 0, 10, 8, poly), poly);
}

TEST(ClipToRect, CutsEachSide) {
    struct Case {
        Poly in, out;
    } cases[] = {
        {{P(-5, 2), P(5, 2), P(5, 8), P(-5, 8)}, {P(0, 2), P(5, 2), P(5, 8), P(0, 8)}},
        {{P(5, 2), P(15, 2), P(15, 8), P(5, 8)}, {P(5, 2), P(10, 2), P(10, 8), P(5, 8)}},
        {{P(2, -5), P(8, -5), P(8, 5), P(2, 5)}, {P(2, 0), P(8, 0), P(8, 5), P(2, 5)}},
        {{P(2, 5), P(8, 5), P(8, 15), P(2, 15)}, {P(2, 5), P(8, 5), P(8, 10), P(2, 10)}},
    };
    for (const Case &c : cases) EXPECT_TRUE(SameCycle(Clip(0, 0, 10, 10, c.in), c.out));
}

TEST(ClipToRect, AddsTheCornersOfTheRectangle) {
    const Poly out = Clip(0, 0, 10, 10, {P(-10, -10), P(30, -10), P(30, 30), P(-10, 30)});
    EXPECT_TRUE(SameCycle(out, {P(0, 0), P(10, 0), P(10, 10), P(0, 10)}));
    // A diamond around the rectangle's top-left corner.
    const Poly tip = Clip(0, 0, 10, 10, {P(0, -4), P(4, 0), P(0, 4), P(-4, 0)});
    EXPECT_TRUE(SameCycle(tip, {P(0, 0), P(4, 0), P(0, 4)}));
}

TEST(ClipToRect, RoundsCrossingsToNearestWithHalvesUp) {
    // Both edges from (-1, 0) cross x = 0 half-way between two pixels.
    const Poly out = Clip(0, -100, 100, 100, {P(-1, 0), P(1, 1), P(1, -1)});
    EXPECT_TRUE(SameCycle(out, {P(0, 1), P(1, 1), P(1, -1), P(0, 0)}));
    // (0, 0)-(3, 1) crosses x = 1 at y = 1/3 and x = 2 at y = 2/3.
    EXPECT_TRUE(SameCycle(Clip(1, 0, 2, 5, {P(0, 0), P(3, 1)}), {P(2, 1), P(1, 0)}));
}

TEST(ClipToRect, TakesARectangleGivenUpsideDownOrRightToLeft) {
    const Poly poly = {P(-7, 3), P(12, -9), P(25, 14), P(3, 30)};
    const Poly expected = Clip(0, 0, 20, 16, poly);
    ASSERT_GE(expected.size(), 3u);
    EXPECT_EQ(Clip(20, 0, 0, 16, poly), expected);
    EXPECT_EQ(Clip(0, 16, 20, 0, poly), expected);
    EXPECT_EQ(Clip(20, 16, 0, 0, poly), expected);
}

TEST(ClipToRect, ClipsTwoPointsAsASegmentAndOnePointByPosition) {
    EXPECT_TRUE(SameCycle(Clip(0, 0, 10, 10, {P(-10, 5), P(20, 5)}), {P(10, 5), P(0, 5)}));
    EXPECT_TRUE(SameCycle(Clip(0, 0, 10, 10, {P(5, 5), P(5, 40)}), {P(5, 10), P(5, 5)}));
    EXPECT_EQ(Clip(0, 0, 10, 10, {P(5, 5), P(8, 2)}), (Poly{P(5, 5), P(8, 2)}));
    EXPECT_TRUE(Clip(0, 0, 10, 10, {P(-5, 5), P(-1, 20)}).empty());
    EXPECT_EQ(Clip(0, 0, 10, 10, {P(10, 10)}), (Poly{P(10, 10)}));
    EXPECT_TRUE(Clip(0, 0, 10, 10, {P(11, 10)}).empty());
    EXPECT_TRUE(Clip(0, 0, 10, 10, {P(-3, -3), P(-1, -9), P(-8, -1)}).empty());
}

TEST(ClipToRect, RefusesResultsOverTwentyFourPoints) {
    // A regular 24-gon of radius 1000 with corners on the axes.
    Poly circle;
    for (int i = 0; i < 24; ++i) {
        const double a = i * 3.14159265358979323846 / 12;
        circle.push_back(P(int(std::lround(1000 * std::cos(a))), int(std::lround(1000 * std::sin(a)))));
    }
    // Cutting one corner at each side needs 28 points; three, 20.
    EXPECT_TRUE(Clip(-980, -980, 980, 980, circle).empty());
    EXPECT_EQ(Clip(-950, -950, 950, 950, circle).size(), 20u);
    // The unclipped 24-gon is accepted whole.
    EXPECT_EQ(Clip(-1000, -1000, 1000, 1000, circle), circle);
}

TEST(ClipToRect, GivesZeroForCountsOutOfRangeAndMissingPointers) {
    sSPOINT pts[GRESK_MAX_POINTS + 1] = {};
    for (int32_t bad : {0, -1, GRESK_MAX_POINTS + 1}) {
        int32_t n = bad;
        EXPECT_EQ(ClipToRect(-5, -5, 5, 5, pts, &n), 0);
        EXPECT_EQ(n, 0);
    }
    int32_t n = 3;
    EXPECT_EQ(ClipToRect(-5, -5, 5, 5, nullptr, &n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ClipToRect(-5, -5, 5, 5, pts, nullptr), 0);
}

TEST(ClipToRect, KeepsResultsInsideTheRectangleForAnyPoints) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> any(-32768, 32767), edge(-300, 300);
    for (int i = 0; i < 3000; ++i) {
        const int l = edge(rng), t = edge(rng), r = edge(rng), b = edge(rng);
        const Poly poly = i % 2 ? RandomHull(rng, -400, -400, 800, 800)
                                : Hull({P(any(rng), any(rng)), P(any(rng), any(rng)), P(any(rng), any(rng)),
                                        P(any(rng), any(rng))});
        for (const sSPOINT &q : Clip(l, t, r, b, poly)) {
            ASSERT_TRUE(q.x >= std::min(l, r) && q.x <= std::max(l, r));
            ASSERT_TRUE(q.y >= std::min(t, b) && q.y <= std::max(t, b));
        }
    }
}

bool HasEdge(const Poly &poly, const sSPOINT &a, const sSPOINT &b) {
    for (size_t i = 0; i < poly.size(); ++i) {
        const sSPOINT &u = poly[i], &v = poly[(i + 1) % poly.size()];
        if ((u == a && v == b) || (u == b && v == a)) return true;
    }
    return false;
}

TEST(ClipToRect, KeepsAnEdgeSharedByNeighboursShared) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> in(1, 99), out(-500, 600), side(1, 400);
    int checked = 0;
    for (int i = 0; i < 2000; ++i) {
        const sSPOINT a = P(in(rng), in(rng)), b = P(out(rng), out(rng));
        if (a == b) continue;
        // Third corners on either side of a-b; the two triangles list a-b in
        // opposite directions.
        const int nx = -(b.y - a.y), ny = b.x - a.x;
        const double len = std::hypot(nx, ny), d = side(rng);
        const int mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
        const sSPOINT c = P(mx + int(nx * d / len), my + int(ny * d / len));
        const sSPOINT e = P(mx - int(nx * d / len), my - int(ny * d / len));
        const Poly p = Clip(0, 0, 100, 100, {a, b, c}), q = Clip(0, 0, 100, 100, {b, a, e});
        ASSERT_GE(p.size(), 2u);
        ASSERT_GE(q.size(), 2u);
        bool shared = false;
        for (size_t j = 0; j < p.size() && !shared; ++j)
            shared = HasEdge(q, p[j], p[(j + 1) % p.size()]) && !(p[j] == p[(j + 1) % p.size()]);
        EXPECT_TRUE(shared) << "edge (" << a.x << "," << a.y << ")-(" << b.x << "," << b.y << ")";
        ++checked;
    }
    EXPECT_GT(checked, 1900);
}

TEST(ClipToRect, ClippedMeshStillCoversTheRectangle) {
    // A jittered triangle mesh over a larger area, clipped to the rectangle
    // and filled: every pixel of the rectangle is covered, nothing outside.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> jitter(-9, 9);
    const int l = 13, t = 7, r = 90, b = 61, cell = 23, n = 8;
    sSPOINT grid[n + 1][n + 1];
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) grid[i][j] = P(-40 + cell * i + jitter(rng), -40 + cell * j + jitter(rng));
    Dib dib(120, 80);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const sSPOINT a = grid[i][j], bq = grid[i + 1][j], c = grid[i + 1][j + 1], d = grid[i][j + 1];
            for (const Poly &tri : {Poly{a, bq, c}, Poly{c, d, a}}) {
                const Poly clipped = Clip(l, t, r, b, tri);
                if (!clipped.empty()) dib.Fill(clipped, 1);
            }
        }
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x)
            ASSERT_EQ(dib.At(x, y), (x >= l && x <= r && y >= t && y <= b) ? 1 : 0) << x << "," << y;
}

// ---------------------------------------------------------------- FillConvexPoly

TEST(FillConvexPoly, FillsARectangleWithItsEdgesIncluded) {
    for (bool topDown : {true, false}) {
        Dib dib(20, 12, topDown);
        EXPECT_EQ(dib.Fill({P(3, 2), P(9, 2), P(9, 7), P(3, 7)}, 0x13F), 1);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x)
                ASSERT_EQ(dib.At(x, y), (x >= 3 && x <= 9 && y >= 2 && y <= 7) ? 0x3F : 0);
        EXPECT_TRUE(dib.Untouched());
    }
}

TEST(FillConvexPoly, PutsRowZeroAtTheTopInBothRowOrders) {
    Dib down(5, 3, true), up(5, 3, false);
    down.Fill({P(1, 0)}, 9);
    up.Fill({P(1, 0)}, 9);
    EXPECT_EQ(down.Memory()[1], 9);          // first stored row is the top
    EXPECT_EQ(up.Memory()[2 * 8 + 1], 9);    // last stored row is the top
    EXPECT_EQ(down.Count(9), 1);
    EXPECT_EQ(up.Count(9), 1);
}

TEST(FillConvexPoly, LeavesRowPaddingAloneAtOddWidths) {
    for (int w = 1; w <= 9; ++w)
        for (bool topDown : {true, false}) {
            Dib dib(w, 5, topDown);
            dib.Fill({P(-100, -100), P(100, -100), P(100, 100), P(-100, 100)}, 7);
            EXPECT_EQ(dib.Count(7), w * 5) << w;
            EXPECT_TRUE(dib.Untouched()) << w;
        }
}

TEST(FillConvexPoly, CoversARectangleSplitIntoTrianglesWithoutGapsOrSpill) {
    std::mt19937 rng(3);
    for (int round = 0; round < 400; ++round) {
        std::uniform_int_distribution<int> pos(0, 20), size(1, 40);
        const int l = pos(rng), t = pos(rng), r = l + size(rng), b = t + size(rng);
        // Corners and random points along each side, in order round the border.
        std::uniform_int_distribution<int> ux(l, r), uy(t, b), k(0, 3);
        std::vector<std::pair<int, sSPOINT>> border;  // (position round the border, point)
        const int w = r - l, h = b - t;
        auto add = [&](sSPOINT q) {  // clockwise from the top-left corner
            const int along = q.y == t   ? q.x - l
                              : q.x == r ? w + (q.y - t)
                              : q.y == b ? w + h + (r - q.x)
                                         : 2 * w + h + (b - q.y);
            border.push_back({along, q});
        };
        for (sSPOINT q : {P(l, t), P(r, t), P(r, b), P(l, b)}) add(q);
        for (int i = k(rng); i > 0; --i) add(P(ux(rng), t)), add(P(ux(rng), b));
        for (int i = k(rng); i > 0; --i) add(P(l, uy(rng))), add(P(r, uy(rng)));
        std::sort(border.begin(), border.end(), [](auto &a, auto &c) { return a.first < c.first; });
        // Fan from a point inside or on the border.
        const sSPOINT hub = P(ux(rng), uy(rng));
        Dib dib(64, 64, round % 2 == 0);
        for (size_t i = 0; i < border.size(); ++i) {
            const sSPOINT a = border[i].second, c = border[(i + 1) % border.size()].second;
            if (!(a == c)) dib.Fill({hub, a, c}, int(1 + i % 250));
        }
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(dib.At(x, y) != 0, x >= l && x <= r && y >= t && y <= b)
                    << "round " << round << " pixel " << x << "," << y;
    }
}

// Checks one polygon, wholly inside a 64 x 64 bitmap, against the convention:
// a pixel is drawn exactly when its square meets the polygon, every row and
// column that the polygon spans gets a pixel, and the same pixels come out
// whichever corner comes first and whichever way round.
void ExpectConventionHolds(const Poly &poly, bool topDown = true) {
    Dib dib(64, 64, topDown);
    EXPECT_EQ(dib.Fill(poly, 1), 1);
    std::vector<int> drawnInRow(64), drawnInCol(64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool drawn = dib.At(x, y) == 1;
            ASSERT_EQ(drawn, Touches(poly, x, y)) << "pixel " << x << "," << y;
            drawnInRow[y] += drawn, drawnInCol[x] += drawn;
        }
    for (const sSPOINT &a : poly)
        for (const sSPOINT &b : poly) {
            for (int y = std::min(a.y, b.y); y <= std::max(a.y, b.y); ++y)
                ASSERT_GT(drawnInRow[y], 0) << "row " << y;
            for (int x = std::min(a.x, b.x); x <= std::max(a.x, b.x); ++x)
                ASSERT_GT(drawnInCol[x], 0) << "column " << x;
        }
    EXPECT_TRUE(dib.Untouched());

    Poly turned = poly;
    std::reverse(turned.begin(), turned.end());
    std::rotate(turned.begin(), turned.begin() + 1, turned.end());
    Dib again(64, 64, topDown);
    again.Fill(turned, 1);
    for (int y = 0; y < 64; ++y)
        ASSERT_TRUE(std::equal(dib.Row(y), dib.Row(y) + 64, again.Row(y))) << "row " << y;
}

TEST(FillConvexPoly, DrawsEveryPixelWhoseSquareMeetsThePolygon) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> pos(0, 50), thin(0, 3), wide(1, 63), coin(0, 1);
    for (int i = 0; i < 600; ++i) {
        Poly poly;
        switch (i % 3) {
        case 0: poly = RandomHull(rng, 0, 0, wide(rng), wide(rng)); break;
        case 1: poly = RandomHull(rng, pos(rng), 0, thin(rng), 63); break;  // tall slivers
        case 2: poly = RandomHull(rng, 0, pos(rng), 63, thin(rng)); break;  // flat slivers
        }
        // Some with a corner repeated and a whole-pixel point of an edge as a
        // corner of its own.
        if (coin(rng) && poly.size() >= 2) {
            const sSPOINT a = poly[0], b = poly[1];
            if ((a.x + b.x) % 2 == 0 && (a.y + b.y) % 2 == 0)
                poly.insert(poly.begin() + 1, P((a.x + b.x) / 2, (a.y + b.y) / 2));
            poly.insert(poly.begin(), a);
        }
        ASSERT_NO_FATAL_FAILURE(ExpectConventionHolds(poly, i % 2 == 0)) << "polygon " << i;
    }
    const Poly cases[] = {
        {P(0, 10), P(60, 13), P(60, 14)},   // a flat sliver half a pixel thick
        {P(2, 30), P(63, 33), P(63, 34)},
        {P(5, 1), P(6, 63), P(7, 62)},      // a long sharp wedge
        {P(3, 30), P(60, 28), P(60, 32)},   // shallow edges meeting in a corner that juts out of its row
        {P(60, 20), P(3, 21), P(58, 22)},
        {P(10, 5), P(50, 6), P(51, 40), P(9, 41)},
    };
    for (const Poly &poly : cases) ASSERT_NO_FATAL_FAILURE(ExpectConventionHolds(poly));
}

TEST(FillConvexPoly, DrawsEdgesThatStartFarAwayExactly) {
    // Lines through points near the bitmap, drawn out to the 16-bit limits,
    // with a third corner anywhere: the walk enters the edges tens of
    // thousands of rows below their top corners, and every pixel still
    // follows the rule.
    std::mt19937 rng(19);
    std::uniform_int_distribution<int> near(-8, 71), dir(-300, 300), any(-32768, 32767);
    for (int i = 0; i < 400; ++i) {
        const int px = near(rng), py = near(rng), dx = dir(rng), dy = dir(rng);
        if (dx == 0 && dy == 0) continue;
        const int k = 32000 / std::max(std::abs(dx), std::abs(dy));
        const Poly poly = {P(px - k * dx, py - k * dy), P(px + k * dx, py + k * dy), P(any(rng), any(rng))};
        for (const Poly &turned : {poly, Poly{poly[2], poly[1], poly[0]}}) {
            Dib dib(64, 64, i % 2 == 0);
            dib.Fill(turned, 1);
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x)
                    ASSERT_EQ(dib.At(x, y) == 1, Touches(poly, x, y))
                        << "polygon " << i << " pixel " << x << "," << y;
        }
    }
}

TEST(FillConvexPoly, StepsEdgesDownATallBitmapExactly) {
    // Steep parallelograms the height of the bitmap, leaning either way: the
    // edge positions are stepped row after row, 32767 times, and must still
    // find the rows where x +- 1/2 is whole to the pixel.
    const int h = 32768, w = 12;
    for (int lean : {3, 5, 7, -3, -5, -7}) {
        const int a = lean > 0 ? 1 : 1 - lean;
        const Poly poly = {P(a, 0), P(a + lean, h - 1), P(a + lean + 2, h - 1), P(a + 2, 0)};
        Dib dib(w, h, lean > 0);
        dib.Fill(poly, 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(dib.At(x, y) == 1, Touches(poly, x, y))
                    << "lean " << lean << " pixel " << x << "," << y;
    }
}

TEST(FillConvexPoly, DrawsTwoPointsAsAConnectedLineWithBothEnds) {
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> pos(0, 63);
    for (int i = 0; i < 1000; ++i) {
        const sSPOINT a = P(pos(rng), pos(rng)), b = P(pos(rng), pos(rng));
        Dib dib(64, 64, i % 2 == 0);
        dib.Fill({a, b}, 1);
        ASSERT_EQ(dib.At(a.x, a.y), 1);
        ASSERT_EQ(dib.At(b.x, b.y), 1);
        int drawn = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                ASSERT_EQ(dib.At(x, y) == 1, Touches({a, b}, x, y)) << x << "," << y;
                drawn += dib.At(x, y) == 1;
            }
        // No gaps: every drawn pixel is reached from one end through drawn
        // neighbours, diagonal ones included.
        std::vector<sSPOINT> todo = {a};
        std::vector<bool> seen(64 * 64);
        seen[size_t(a.y * 64 + a.x)] = true;
        int reached = 0;
        while (!todo.empty()) {
            const sSPOINT q = todo.back();
            todo.pop_back();
            ++reached;
            for (int ny = q.y - 1; ny <= q.y + 1; ++ny)
                for (int nx = q.x - 1; nx <= q.x + 1; ++nx)
                    if (nx >= 0 && nx < 64 && ny >= 0 && ny < 64 && dib.At(nx, ny) == 1 &&
                        !seen[size_t(ny * 64 + nx)]) {
                        seen[size_t(ny * 64 + nx)] = true;
                        todo.push_back(P(nx, ny));
                    }
        }
        ASSERT_EQ(reached, drawn) << "(" << a.x << "," << a.y << ")-(" << b.x << "," << b.y << ")";
    }
    // Level and upright lines are one pixel wide.
    Dib dib(64, 64);
    dib.Fill({P(3, 7), P(40, 7)}, 2);
    dib.Fill({P(50, 2), P(50, 60)}, 3);
    EXPECT_EQ(dib.Count(2), 38);
    EXPECT_EQ(dib.Count(3), 59);
}

TEST(FillConvexPoly, LeavesNoCrackWhereTruncatedCornersMeetALongEdge) {
    // A rectangle cut by a line from its top side to its bottom side: a
    // quadrilateral on the left, on the right a fan of triangles whose
    // corners on the line are its true points moved to whole pixels, less
    // than a pixel either way in each axis, as truncation to screen points
    // moves them.  The pieces must cover the rectangle without a gap and
    // stay inside it.
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> along(0.02, 0.98);
    std::uniform_int_distribution<int> pos(0, 10), size(4, 50), count(1, 5), coin(0, 1);
    for (int round = 0; round < 600; ++round) {
        const int l = pos(rng), t = pos(rng), r = l + size(rng), b = t + size(rng);
        std::uniform_int_distribution<int> ux(l + 1, r - 1), uy(t, b);
        const sSPOINT top = P(ux(rng), t), bottom = P(ux(rng), b), hub = P(r, uy(rng));
        std::vector<double> cuts;
        for (int k = count(rng); k > 0; --k) cuts.push_back(along(rng));
        std::sort(cuts.begin(), cuts.end(), std::greater<>());
        // The right part's border from the bottom of the line up to its top.
        Poly border = {P(r, t), P(r, b), bottom};
        for (double f : cuts) {
            const double x = top.x + f * (bottom.x - top.x), y = t + f * (b - t);
            border.push_back(P(int(coin(rng) ? std::floor(x) : std::ceil(x)),
                               int(coin(rng) ? std::floor(y) : std::ceil(y))));
        }
        border.push_back(top);
        const bool transposed = round % 2 == 1;  // the same, with rows and columns swapped
        auto place = [&](Poly poly) {
            if (transposed)
                for (sSPOINT &q : poly) q = P(q.y, q.x);
            return poly;
        };
        Dib dib(64, 64, round % 4 < 2);
        dib.Fill(place({P(l, t), top, bottom, P(l, b)}), 1);
        for (size_t i = 0; i < border.size(); ++i)
            dib.Fill(place({hub, border[i], border[(i + 1) % border.size()]}), 2);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const int u = transposed ? y : x, v = transposed ? x : y;
                ASSERT_EQ(dib.At(x, y) != 0, u >= l && u <= r && v >= t && v <= b)
                    << "round " << round << " pixel " << x << "," << y;
            }
    }
}

TEST(FillConvexPoly, DrawsOnePointAsOnePixel) {
    Dib dib(8, 8, false);
    EXPECT_EQ(dib.Fill({P(7, 7)}, 4), 1);
    EXPECT_EQ(dib.At(7, 7), 4);
    EXPECT_EQ(dib.Count(4), 1);
    EXPECT_EQ(dib.Fill({P(8, 7)}, 5), 0);
    EXPECT_EQ(dib.Fill({P(3, 3), P(3, 3), P(3, 3)}, 6), 1);
    EXPECT_EQ(dib.Count(6), 1);
}

TEST(FillConvexPoly, MatchesTheSamePolygonInALargerBitmap) {
    // Cut off by the bitmap's sides, a polygon draws what the part of a
    // larger bitmap would show.
    std::mt19937 rng(13);
    const int w = 37, h = 23, off = 60;
    std::uniform_int_distribution<int> nearX(-4, w + 2), nearY(-4, h + 2), thin(0, 3);
    for (int i = 0; i < 1500; ++i) {
        // Broad shapes, and slivers lying across the sides where thin rows
        // and columns meet the cut.
        const Poly poly = i % 3 == 0   ? RandomHull(rng, -50, -50, 140, 120)
                          : i % 3 == 1 ? RandomHull(rng, -50, nearY(rng), 140, thin(rng))
                                       : RandomHull(rng, nearX(rng), -50, thin(rng), 120);
        Poly moved = poly;
        for (sSPOINT &q : moved) q = P(q.x + off, q.y + off);
        Dib small(w, h, i % 2 == 0), large(200, 200);
        small.Fill(poly, 1);
        large.Fill(moved, 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(small.At(x, y), large.At(x + off, y + off)) << i;
        ASSERT_TRUE(small.Untouched());
    }
}

TEST(FillConvexPoly, NeverWritesOutsideTheBitmap) {
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> any(-32768, 32767), near(-40, 80), across(0, 36), n(0, GRESK_MAX_POINTS);
    Dib dib(37, 23, false), flipped(37, 23, true);
    // The whole 16-bit plane covers every pixel.
    const Poly everything = {P(-32768, -32768), P(32767, -32768), P(32767, 32767), P(-32768, 32767)};
    EXPECT_EQ(dib.Fill(everything, 2), 1);
    EXPECT_EQ(dib.Count(2), 37 * 23);
    for (int i = 0; i < 4000; ++i) {
        // Convex hulls, and arbitrary point lists (not convex, crossing,
        // repeated): far, near, and within the bitmap's columns.
        Poly poly;
        for (int k = n(rng); k > 0; --k)
            poly.push_back(i % 3 == 0   ? P(any(rng), any(rng))
                           : i % 3 == 1 ? P(near(rng), near(rng))
                                        : P(across(rng), near(rng)));
        if (i % 2) poly = Hull(poly);
        dib.Fill(poly, 1 + i % 200);
        flipped.Fill(poly, 1 + i % 200);
        ASSERT_TRUE(dib.Untouched()) << i;
        ASSERT_TRUE(flipped.Untouched()) << i;
        if (i % 4 == 1) {  // a hull: the rule holds for points far off too
            Dib fresh(37, 23);
            fresh.Fill(poly, 1);
            for (int y = 0; y < 23; ++y)
                for (int x = 0; x < 37; ++x) ASSERT_EQ(fresh.At(x, y) == 1, Touches(poly, x, y)) << i;
        }
    }
}

TEST(FillConvexPoly, DrawsNothingForOtherBitmapsRequestsAndCounts) {
    const Poly square = {P(0, 0), P(5, 0), P(5, 5), P(0, 5)};
    auto expectNothing = [&](Dib &dib, Poly pts, int kind = GRESK_FILLPOLY) {
        EXPECT_EQ(dib.Fill(pts, 3, kind), 0);
        EXPECT_EQ(dib.Count(0), dib.Width() * dib.Height());
        EXPECT_TRUE(dib.Untouched());
    };
    for (WORD bits : {1, 4, 16, 24, 32}) {
        Dib dib(8, 8);
        dib.Header().biBitCount = bits;
        expectNothing(dib, square);
    }
    Dib rle(8, 8);
    rle.Header().biCompression = 1;  // run-length encoded
    expectNothing(rle, square);
    Dib noWidth(8, 8), noHeight(8, 8);
    noWidth.Header().biWidth = 0;
    noHeight.Header().biHeight = 0;
    expectNothing(noWidth, square);
    expectNothing(noHeight, square);
    Dib dib(8, 8);
    expectNothing(dib, square, GRESK_PANELPOLY);
    expectNothing(dib, square, GRESK_SHEARPOLY);
    expectNothing(dib, {});
    expectNothing(dib, Poly(GRESK_MAX_POINTS + 1, P(1, 1)));
    expectNothing(dib, {P(-3, -3), P(-1, -1), P(-3, -1)});  // wholly off the bitmap

    BITMAPINFO bmi{};
    bmi.bmiHeader.biWidth = 8;
    bmi.bmiHeader.biHeight = 8;
    bmi.bmiHeader.biBitCount = 8;
    uint8_t bits[64] = {};
    sSPOINT pts[4] = {P(0, 0), P(5, 0), P(5, 5), P(0, 5)};
    sFILLPOLY req{3, 0};
    EXPECT_EQ(FillConvexPoly(nullptr, bits, pts, 4, 0, &req), 0);
    EXPECT_EQ(FillConvexPoly(&bmi, nullptr, pts, 4, 0, &req), 0);
    EXPECT_EQ(FillConvexPoly(&bmi, bits, nullptr, 4, 0, &req), 0);
    EXPECT_EQ(FillConvexPoly(&bmi, bits, pts, 4, 0, nullptr), 0);
    EXPECT_EQ(FillConvexPoly(&bmi, bits, pts, -4, 0, &req), 0);
    EXPECT_TRUE(std::all_of(bits, bits + 64, [](uint8_t v) { return v == 0; }));
}

}  // namespace
