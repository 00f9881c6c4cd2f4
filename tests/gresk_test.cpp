// The rasteriser: ClipToRect and FillConvexPoly against worked examples and,
// for every kind of shape, against a slow exact reference of the fill
// convention.  What a fill may write at all, for any input, is the fuzzer's
// (fuzz/fuzz_gresk.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "gresk.h"
#include "gresk/spans.h"

// Found by argument lookup only at global scope, where sSPOINT lives.
static bool operator==(const sSPOINT &a, const sSPOINT &b) { return a.x == b.x && a.y == b.y; }

namespace {

using Poly = std::vector<sSPOINT>;

sSPOINT P(int x, int y) { return sSPOINT{int16_t(x), int16_t(y)}; }

// An 8-bit DIB with guard bytes around its pixels; row padding is guarded too.
class Dib {
public:
    static constexpr uint8_t kGuard = 0xA5;
    static constexpr int kGuardBytes = 64;

    Dib(int w, int h, bool topDown = true) : w_(w), h_(h), stride_((w + 3) & ~3), topDown_(topDown) {
        bmi_.bmiHeader = {sizeof(BITMAPINFOHEADER), w, topDown ? -h : h, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
        mem_.assign(size_t(2 * kGuardBytes + stride_ * h), kGuard);
        for (int y = 0; y < h; ++y) std::fill_n(Row(y), w, uint8_t(0));
    }

    BITMAPINFOHEADER &Header() { return bmi_.bmiHeader; }
    const BITMAPINFO *Info() const { return &bmi_; }
    int Fill(Poly pts, int pic, int kind = GRESK_FILLPOLY) {
        sFILLPOLY req{pic, 0};
        return FillConvexPoly(&bmi_, mem_.data() + kGuardBytes, pts.data(), int32_t(pts.size()),
                              kind, &req);
    }
    uint8_t At(int x, int y) const { return Row(y)[x]; }
    // A run reported by FillSpans, painted in 1s; false when it leaves the bitmap.
    static void Paint(void *dib, int32_t row, int32_t left, int32_t length) {
        Dib &d = *static_cast<Dib *>(dib);
        d.runsInside = d.runsInside && length >= 1 && row >= 0 && row < d.h_ && left >= 0 && left + length <= d.w_;
        if (d.runsInside) std::fill_n(d.Row(row) + left, length, uint8_t(1));
    }
    bool runsInside = true;

    int Count(uint8_t c) const {
        int n = 0;
        for (int y = 0; y < h_; ++y) n += int(std::count(Row(y), Row(y) + w_, c));
        return n;
    }
    // The first pixel (row by row) where drawn differs from want, or
    // "none"; guard bytes and row padding must hold what they held.
    std::string FirstDifference(const std::function<bool(int, int)> &want) const {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < stride_; ++x)
                if (x < w_ ? (At(x, y) != 0) != want(x, y) : Row(y)[x] != kGuard)
                    return "pixel " + std::to_string(x) + "," + std::to_string(y);
        const bool guarded = std::all_of(mem_.begin(), mem_.begin() + kGuardBytes, IsGuard) &&
                             std::all_of(mem_.end() - kGuardBytes, mem_.end(), IsGuard);
        return guarded ? "none" : "guard bytes";
    }

private:
    static bool IsGuard(uint8_t v) { return v == kGuard; }
    uint8_t *Row(int y) { return mem_.data() + kGuardBytes + size_t(topDown_ ? y : h_ - 1 - y) * stride_; }
    const uint8_t *Row(int y) const { return const_cast<Dib *>(this)->Row(y); }

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

// Fills the polygon into a fresh w x h bitmap, and again listed the other way round from another
// corner: each time exactly the pixels whose squares meet it, 1 when there are any, nothing
// outside the bitmap, and FillSpans reporting the same pixels.
void ExpectConvention(const Poly &poly, int w = 64, int h = 64, bool topDown = true) {
    Poly turned(poly.rbegin(), poly.rend());
    if (!turned.empty()) std::rotate(turned.begin(), turned.begin() + 1, turned.end());
    for (const Poly &listed : {poly, turned}) {
        Dib dib(w, h, topDown);
        const int result = dib.Fill(listed, 1);
        ASSERT_EQ(dib.FirstDifference([&](int x, int y) { return Touches(poly, x, y); }), "none");
        ASSERT_EQ(result, dib.Count(1) > 0 ? 1 : 0);
        // The runs FillSpans reports, for the benchmarks, are what the fill wrote.
        Dib painted(w, h, topDown);
        ASSERT_EQ(gresk::FillSpans(painted.Info(), listed.data(), int32_t(listed.size()), Dib::Paint, &painted),
                  result);
        ASSERT_TRUE(painted.runsInside);
        ASSERT_EQ(painted.FirstDifference([&](int x, int y) { return dib.At(x, y) != 0; }), "none");
    }
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
bool SameCycle(Poly a, const Poly &b) {
    for (size_t s = 1; s < a.size() && a != b; ++s) std::rotate(a.begin(), a.begin() + 1, a.end());
    return a == b;
}

TEST(ClipToRect, WorkedExamples) {
    const struct {
        int l, t, r, b;
        Poly in, corners;  // in this cyclic order, from any of them
    } cases[] = {
        // Corners on all four sides (right and bottom included) and a repeat.
        {0, 0, 10, 8, {P(0, 5), P(4, 0), P(4, 0), P(10, 3), P(7, 8)},
         {P(0, 5), P(4, 0), P(4, 0), P(10, 3), P(7, 8)}},
        // Each side cuts; the rectangle may be given upside down or right to left.
        {0, 0, 10, 10, {P(-5, 2), P(5, 2), P(5, 8), P(-5, 8)}, {P(0, 2), P(5, 2), P(5, 8), P(0, 8)}},
        {10, 0, 0, 10, {P(5, 2), P(15, 2), P(15, 8), P(5, 8)}, {P(5, 2), P(10, 2), P(10, 8), P(5, 8)}},
        {0, 10, 10, 0, {P(2, -5), P(8, -5), P(8, 5), P(2, 5)}, {P(2, 0), P(8, 0), P(8, 5), P(2, 5)}},
        // The rectangle's corners are added.
        {0, 0, 10, 10, {P(-10, -10), P(30, -10), P(30, 30), P(-10, 30)}, {P(0, 0), P(10, 0), P(10, 10), P(0, 10)}},
        {0, 0, 10, 10, {P(0, -4), P(4, 0), P(0, 4), P(-4, 0)}, {P(0, 0), P(4, 0), P(0, 4)}},
        // Crossings round to the nearest pixel, halves up: both edges from
        // (-1, 0) cross x = 0 half-way; (0, 0)-(3, 1) crosses at y = 1/3, 2/3.
        {0, -100, 100, 100, {P(-1, 0), P(1, 1), P(1, -1)}, {P(0, 1), P(1, 1), P(1, -1), P(0, 0)}},
        {1, 0, 2, 5, {P(0, 0), P(3, 1)}, {P(2, 1), P(1, 0)}},
        // Two points are a segment, one point is kept or dropped.
        {0, 0, 10, 10, {P(-10, 5), P(20, 5)}, {P(10, 5), P(0, 5)}},
        {0, 0, 10, 10, {P(5, 5), P(5, 40)}, {P(5, 10), P(5, 5)}},
        {0, 0, 10, 10, {P(-5, 5), P(-1, 20)}, {}},
        {0, 0, 10, 10, {P(10, 10)}, {P(10, 10)}},
        {0, 0, 10, 10, {P(11, 10)}, {}},
        {0, 0, 10, 10, {P(-3, -3), P(-1, -9), P(-8, -1)}, {}},
    };
    for (const auto &k : cases)
        EXPECT_TRUE(SameCycle(Clip(k.l, k.t, k.r, k.b, k.in), k.corners))
            << "from " << k.in[0].x << "," << k.in[0].y;
}

TEST(ClipToRect, RefusesWhatItCannotHold) {
    // A regular 24-gon of radius 1000 with corners on the axes: cutting one
    // corner at each side needs 28 points; three, 20.
    Poly circle;
    for (int i = 0; i < 24; ++i) {
        const double a = i * 3.14159265358979323846 / 12;
        circle.push_back(P(int(std::lround(1000 * std::cos(a))), int(std::lround(1000 * std::sin(a)))));
    }
    EXPECT_TRUE(Clip(-980, -980, 980, 980, circle).empty());
    EXPECT_EQ(Clip(-950, -950, 950, 950, circle).size(), 20u);
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

TEST(FillConvexPoly, PaintsTheLowByteOfPicAndCoversThe16BitPlane) {
    Dib dib(20, 12, false);
    EXPECT_EQ(dib.Fill({P(3, 2), P(9, 2), P(9, 7), P(3, 7)}, 0x13F), 1);
    EXPECT_EQ(dib.Count(0x3F), 7 * 6);
    // Every width's row padding stays.
    for (int w = 1; w <= 9; ++w) {
        Dib odd(w, 5, w % 2 == 0);
        odd.Fill({P(-32768, -32768), P(32767, -32768), P(32767, 32767), P(-32768, 32767)}, 7);
        EXPECT_EQ(odd.FirstDifference([](int, int) { return true; }), "none") << w;
    }
}

// Random shapes of every kind against the reference, in both row orders, listed both ways round.
TEST(FillConvexPoly, DrawsEveryPixelWhoseSquareMeetsThePolygon) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> pos(0, 50), thin(0, 3), wide(1, 63), coin(0, 1), any(-32768, 32767);
    std::uniform_int_distribution<int> near(-8, 71), dir(-300, 300);
    for (int i = 0; i < 3000; ++i) {
        Poly poly;
        int w = 64, h = 64;
        switch (i % 7) {
        case 0: poly = RandomHull(rng, 0, 0, wide(rng), wide(rng)); break;
        case 1: poly = RandomHull(rng, pos(rng), 0, thin(rng), 63); break;  // tall slivers
        case 2: poly = RandomHull(rng, 0, pos(rng), 63, thin(rng)); break;  // flat slivers
        case 3: poly = {P(near(rng), near(rng)), P(near(rng), near(rng))}; break;  // lines
        case 4: {
            // Lines out to the 16-bit limits with a third corner anywhere: the
            // walk enters the edges far below their top corners.
            const int px = near(rng), py = near(rng), dx = dir(rng), dy = dir(rng) | 1;
            const int k = 32000 / std::max(std::abs(dx), std::abs(dy));
            poly = {P(px - k * dx, py - k * dy), P(px + k * dx, py + k * dy), P(any(rng), any(rng))};
            break;
        }
        default:  // across the bitmap's sides, broad or thin
            w = 37;
            h = 23;
            poly = i % 2 ? RandomHull(rng, -50, -50, 140, 120) : RandomHull(rng, pos(rng) - 10, -50, thin(rng), 120);
        }
        // Some with a corner repeated and a whole-pixel point of an edge as a
        // corner of its own.
        if (i % 7 < 3 && coin(rng) && poly.size() >= 2) {
            const sSPOINT a = poly[0], b = poly[1];
            if ((a.x + b.x) % 2 == 0 && (a.y + b.y) % 2 == 0)
                poly.insert(poly.begin() + 1, P((a.x + b.x) / 2, (a.y + b.y) / 2));
            poly.insert(poly.begin(), a);
        }
        ASSERT_NO_FATAL_FAILURE(ExpectConvention(poly, w, h, i % 2 == 0)) << "polygon " << i;
    }
    const Poly cases[] = {
        {P(0, 10), P(60, 13), P(60, 14)},   // a flat sliver half a pixel thick
        {P(5, 1), P(6, 63), P(7, 62)},      // a long sharp wedge
        {P(3, 30), P(60, 28), P(60, 32)},   // shallow edges meeting in a corner that juts out of its row
    };
    for (const Poly &poly : cases) ASSERT_NO_FATAL_FAILURE(ExpectConvention(poly));
    // Steep parallelograms the height of a tall bitmap, leaning either way:
    // stepped 32767 rows, the edges must still find where x +- 1/2 is whole.
    for (int lean : {3, -5}) {
        const int a = lean > 0 ? 1 : 1 - lean;
        ASSERT_NO_FATAL_FAILURE(ExpectConvention(
            {P(a, 0), P(a + lean, 32767), P(a + lean + 2, 32767), P(a + 2, 0)}, 12, 32768, lean > 0));
    }
}

TEST(FillConvexPoly, DrawsNothingForOtherBitmapsRequestsAndCounts) {
    const Poly square = {P(0, 0), P(5, 0), P(5, 5), P(0, 5)};
    auto expectNothing = [&](Dib &dib, Poly pts) {
        EXPECT_EQ(dib.Fill(pts, 3), 0);
        EXPECT_EQ(gresk::FillSpans(dib.Info(), pts.data(), int32_t(pts.size()), Dib::Paint, &dib), 0);
        EXPECT_EQ(dib.FirstDifference([](int, int) { return false; }), "none");
    };
    // Other depths, run-length encoded, no width, no height.
    const struct {
        WORD bits;
        DWORD compression;
        LONG width, height;
    } headers[] = {{4, BI_RGB, 8, 8}, {32, BI_RGB, 8, 8}, {8, 1, 8, 8}, {8, BI_RGB, 0, 8}, {8, BI_RGB, 8, 0}};
    for (const auto &k : headers) {
        Dib other(8, 8);
        other.Header() = {sizeof(BITMAPINFOHEADER), k.width, k.height, 1, k.bits, k.compression, 0, 0, 0, 0, 0};
        expectNothing(other, square);
    }
    Dib dib(8, 8);
    EXPECT_EQ(dib.Fill(square, 3, GRESK_PANELPOLY), 0);  // the bitmap is checked blank below
    expectNothing(dib, {});
    expectNothing(dib, Poly(GRESK_MAX_POINTS + 1, P(1, 1)));
    expectNothing(dib, {P(-3, -3), P(-1, -1), P(-3, -1)});  // wholly off the bitmap

    BITMAPINFO bmi = *dib.Info();
    Poly pts = square;
    uint8_t pixels[64] = {};
    sFILLPOLY req{3, 0};
    EXPECT_EQ(FillConvexPoly(nullptr, pixels, pts.data(), 4, 0, &req), 0);
    EXPECT_EQ(FillConvexPoly(&bmi, nullptr, pts.data(), 4, 0, &req), 0);
    EXPECT_EQ(FillConvexPoly(&bmi, pixels, nullptr, 4, 0, &req), 0);
    EXPECT_EQ(FillConvexPoly(&bmi, pixels, pts.data(), 4, 0, nullptr), 0);
}

}  // namespace
