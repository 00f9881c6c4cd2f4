// fill.cpp - FillConvexPoly: flat fill of a polygon into an 8-bit DIB.
//
// A pixel is drawn when its square, half a pixel round its centre, meets the
// polygon.  Rows are walked downward along the two chains of edges that join
// the topmost and the bottommost corner.  In the band of row y, from y - 1/2
// to y + 1/2, the polygon reaches from the least to the greatest of: the
// chains at y - 1/2 and at y + 1/2, and the corners on row y.  Corners lie on
// whole rows, so from one half-row to the next each chain is one straight
// edge.  The row gets the pixels whose centres lie within 1/2 of that reach,
// ceil(x - 1/2) to floor(x + 1/2): never none, on any row from the top
// corner to the bottom one.
//
// Chains are stepped from half-row to half-row in 24.40 fixed point rounded
// up (one division when the walk enters an edge).  An edge is at most 65535
// rows high, so the accumulated excess stays below 2^-24, less than the
// distance 1/(2 * height) from any true x +- 1/2 that is not whole to the
// next whole number: the pixel bounds come out as with exact arithmetic, and
// polygons sharing an edge agree on every row.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "gresk.h"
#include "gresk_math.h"
#include "spans.h"

namespace {

using gresk::FloorDiv;

constexpr int kFractionBits = 40;
constexpr int64_t kOne = int64_t(1) << kFractionBits;
constexpr int64_t kHalf = kOne / 2;
// floor(x + 1/2 - kSlack) is ceil(x - 1/2): kSlack exceeds the largest excess
// and falls short of the least fraction 1/131070 that is not zero.
constexpr int64_t kSlack = int64_t(1) << (kFractionBits - 20);

// The pixel bounds a chain position gives, to its left and to its right.
int64_t LeftPixel(int64_t fixed) { return (fixed + kHalf - kSlack) >> kFractionBits; }
int64_t RightPixel(int64_t fixed) { return (fixed + kHalf) >> kFractionBits; }

// The corners, y being the walked coordinate p and x the coordinate s that
// spans run along.
struct Outline {
    int32_t p[GRESK_MAX_POINTS];
    int32_t s[GRESK_MAX_POINTS];
    int n;
    int first;             // a corner with the least p
    int last;              // a corner with the greatest p
    int32_t sMin, sMax;    // extent in s
    int32_t topL, topR;    // extent in s of the corners on first's row
    int32_t bottomL, bottomR;  // and on last's row
    int lowStep;           // +1 when the chain running forward from first bounds s from below
};

void LoadOutline(Outline &o, const sSPOINT *pts, int n) {
    o.n = n;
    o.first = o.last = 0;
    o.sMin = o.sMax = o.topL = o.topR = o.bottomL = o.bottomR = pts[0].x;
    int64_t area2 = 0;  // twice the signed area
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const int32_t p = pts[i].y, s = pts[i].x;
        o.p[i] = p;
        o.s[i] = s;
        area2 += int64_t(pts[j].x) * p - int64_t(s) * pts[j].y;
        o.sMin = std::min(o.sMin, s);
        o.sMax = std::max(o.sMax, s);
        if (p < o.p[o.first]) {
            o.first = i;
            o.topL = o.topR = s;
        } else if (p == o.p[o.first]) {
            o.topL = std::min(o.topL, s);
            o.topR = std::max(o.topR, s);
        }
        if (p > o.p[o.last]) {
            o.last = i;
            o.bottomL = o.bottomR = s;
        } else if (p == o.p[o.last]) {
            o.bottomL = std::min(o.bottomL, s);
            o.bottomR = std::max(o.bottomR, s);
        }
    }
    // A positive area puts the forward chain on the greater-s side.
    o.lowStep = area2 > 0 ? -1 : 1;
}

int NextCorner(const Outline &o, int i, int step) {
    i += step;
    return i == o.n ? 0 : i < 0 ? o.n - 1 : i;
}

// One side of the polygon, from the first corner toward the last.
struct Chain {
    const Outline *o;
    int step;            // +1 or -1 through the corners
    int at;              // the corner the current edge starts from
    int64_t endP;        // the row the current edge ends on
    int64_t fixed;       // s at the current half-row, fixed point, rounded up
    int64_t fixedStep;   // ds / dp, fixed point, rounded up
};

// Puts the chain on the edge across half-row k + 1/2, for first.p <= k <
// last.p, and sets its position there.  The search stops at the last corner
// at the latest, so it ends on a falling edge even when the outline is not
// convex.
void Seek(Chain &c, int64_t k) {
    const Outline &o = *c.o;
    int to = NextCorner(o, c.at, c.step);
    while (o.p[to] <= k) {
        c.at = to;
        to = NextCorner(o, to, c.step);
    }
    const int64_t p0 = o.p[c.at], s0 = o.s[c.at];
    c.endP = o.p[to];
    const int64_t dp = c.endP - p0, ds = o.s[to] - s0;  // dp > 0: p0 <= k < endP
    // The half step ds / (2 dp) and the whole one from a single division;
    // entering further down adds whole steps, just as stepping there would.
    const int64_t q = FloorDiv(ds * kHalf, dp), rem = ds * kHalf - q * dp;
    c.fixedStep = 2 * q + (rem > 0) + (2 * rem > dp);
    c.fixed = s0 * kOne + q + (rem > 0) + (k - p0) * c.fixedStep;
}

// The bitmap as rows of bytes, row 0 at the top.  With a sink the runs go
// to it instead, and there are no bits.
struct Target {
    uint8_t *row0;
    ptrdiff_t pitch;  // bytes from one row to the next one down
    int64_t width;
    int64_t height;
    int colour;
    bool drawn;
    gresk::SpanSink sink;
    void *context;
};

constexpr WORD kDibBitCount = 8;

bool OpenTarget(Target &t, const BITMAPINFO *bmi, uint8_t *bits, uint8_t colour,
                gresk::SpanSink sink, void *context) {
    const BITMAPINFOHEADER &h = bmi->bmiHeader;
    if (h.biBitCount != kDibBitCount || h.biCompression != BI_RGB || h.biWidth <= 0 ||
        h.biHeight == 0)
        return false;
    const int64_t stride = (int64_t(h.biWidth) + 3) & ~int64_t(3);
    t.width = h.biWidth;
    t.height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    if (h.biHeight < 0) {
        t.row0 = bits;
        t.pitch = static_cast<ptrdiff_t>(stride);
    } else {
        t.row0 = bits ? bits + static_cast<ptrdiff_t>((t.height - 1) * stride) : nullptr;
        t.pitch = -static_cast<ptrdiff_t>(stride);
    }
    t.colour = colour;
    t.drawn = false;
    t.sink = sink;
    t.context = context;
    return true;
}

// Writes pixels l..r of row y, which lie in the bitmap; offset is the row's
// from row 0.
inline void Write(Target &t, int64_t y, ptrdiff_t offset, int64_t l, int64_t r) {
    if (t.sink == nullptr)
        std::memset(t.row0 + offset + l, t.colour, static_cast<size_t>(r - l + 1));
    else
        t.sink(t.context, static_cast<int32_t>(y), static_cast<int32_t>(l),
               static_cast<int32_t>(r - l + 1));
    t.drawn = true;
}

// Fills pixels l..r of row y, as far as they lie in the bitmap.
void Span(Target &t, int64_t y, int64_t l, int64_t r) {
    l = std::max<int64_t>(l, 0);
    r = std::min(r, t.width - 1);
    if (l > r || y < 0 || y >= t.height) return;
    Write(t, y, static_cast<ptrdiff_t>(y) * t.pitch, l, r);
}

// Moves the chain to half-row y + 1/2.  True when it has come to a new edge
// from a corner on row y, the one at c.at.
bool Enter(Chain &c, int64_t y) {
    if (y < c.endP) {
        c.fixed += c.fixedStep;
        return false;
    }
    Seek(c, y);
    return c.o->p[c.at] == y;
}

void FillRows(Target &t, const Outline &o, bool withinSides) {
    const int64_t top = o.p[o.first], bottom = o.p[o.last];
    const int64_t from = std::max<int64_t>(top, 0), to = std::min(bottom, t.height - 1);
    // endP = top: the first row below the top seeks the first edges.
    Chain lo{&o, o.lowStep, o.first, top, 0, 0};
    Chain hi{&o, -o.lowStep, o.first, top, 0, 0};
    // The pixel bounds the half-row above the current row gives; on the top
    // row the corners there stand for it.
    int64_t aboveL = o.topL, aboveR = o.topR;
    if (from > top) {
        Seek(lo, from - 1);
        Seek(hi, from - 1);
        aboveL = LeftPixel(lo.fixed);
        aboveR = RightPixel(hi.fixed);
    }
    // Rows y..end, where both chains keep their edges; positions kept in
    // registers across the stores.  Clear: the spans lie clear of the
    // bitmap's sides.
    auto segment = [&](int64_t y, int64_t end, auto clear) {
        const int64_t loStep = lo.fixedStep, hiStep = hi.fixedStep;
        int64_t loFixed = lo.fixed, hiFixed = hi.fixed;
        ptrdiff_t offset = static_cast<ptrdiff_t>(y) * t.pitch;  // of row y from row 0
        for (; y <= end; ++y, offset += t.pitch) {
            loFixed += loStep;
            hiFixed += hiStep;
            const int64_t belowL = LeftPixel(loFixed), belowR = RightPixel(hiFixed);
            const int64_t l = std::min(aboveL, belowL), r = std::max(aboveR, belowR);
            if (!clear)
                Span(t, y, l, r);
            else if (l <= r)  // always, unless the outline is not convex
                Write(t, y, offset, l, r);
            aboveL = belowL;
            aboveR = belowR;
        }
        lo.fixed = loFixed;
        hi.fixed = hiFixed;
    };
    for (int64_t y = from;;) {
        // Row y holds a corner, or is the first drawn.
        int64_t l = aboveL, r = aboveR;
        if (y == bottom) {
            Span(t, y, std::min<int64_t>(l, o.bottomL), std::max<int64_t>(r, o.bottomR));
            return;
        }
        if (Enter(lo, y)) l = std::min<int64_t>(l, o.s[lo.at]);
        if (Enter(hi, y)) r = std::max<int64_t>(r, o.s[hi.at]);
        aboveL = LeftPixel(lo.fixed);
        aboveR = RightPixel(hi.fixed);
        Span(t, y, std::min(l, aboveL), std::max(r, aboveR));
        if (y == to) return;
        // Rows up to the next corner on either chain.
        const int64_t end = std::min({lo.endP - 1, hi.endP - 1, to});
        if (withinSides)
            segment(y + 1, end, std::true_type{});
        else
            segment(y + 1, end, std::false_type{});
        if (end == to) return;
        y = end + 1;
    }
}

int32_t Fill(const BITMAPINFO *pBMI, uint8_t *pBits, const sSPOINT *pts, int32_t count,
             uint8_t colour, gresk::SpanSink sink, void *context) {
    Target t;
    if (!OpenTarget(t, pBMI, pBits, colour, sink, context)) return 0;
    Outline o;
    LoadOutline(o, pts, count);
    if (o.sMax < 0 || o.sMin >= t.width || o.p[o.last] < 0 || o.p[o.first] >= t.height) return 0;
    FillRows(t, o, o.sMin >= 0 && o.sMax < t.width);
    return t.drawn ? 1 : 0;
}

}  // namespace

extern "C" int32_t QUELMAPI FillConvexPoly(BITMAPINFO *pBMI, uint8_t *pBits, sSPOINT *pts,
                                           int32_t count, int32_t kind, void *req) {
    if (pBMI == nullptr || pBits == nullptr || pts == nullptr || req == nullptr ||
        kind != GRESK_FILLPOLY || count < 1 || count > GRESK_MAX_POINTS)
        return 0;
    const auto colour = static_cast<uint8_t>(static_cast<const sFILLPOLY *>(req)->pic & 0xFF);
    return Fill(pBMI, pBits, pts, count, colour, nullptr, nullptr);
}

int32_t gresk::FillSpans(const BITMAPINFO *pBMI, const sSPOINT *pts, int32_t count,
                         SpanSink sink, void *context) {
    if (pBMI == nullptr || pts == nullptr || sink == nullptr || count < 1 ||
        count > GRESK_MAX_POINTS)
        return 0;
    return Fill(pBMI, nullptr, pts, count, 0, sink, context);
}
