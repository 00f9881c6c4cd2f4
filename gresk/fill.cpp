// fill.cpp - FillConvexPoly: flat fill of a polygon into an 8-bit DIB.
//
// Rows are walked downward along the two chains of edges that join the
// topmost and the bottommost corner.  A span covers the pixel centres from
// ceil(left) to floor(right); a row that holds no centre gets the pixel
// nearest its middle.  Corners lie on whole rows, so between two rows each
// chain is one straight edge: a column that crosses the polygon only between
// rows y and y + 1 lies in the gap between the two rows' spans, and those
// columns are drawn there.
//
// Edge positions are stepped in 32.32 fixed point rounded up (one division
// when the walk enters an edge).  An edge is at most 65535 rows high, so the
// accumulated excess stays below 2^-16, less than the distance 1/height from
// any true position that is not whole to the next whole number: floor and
// ceil, and the exact remainder, come out as with exact arithmetic, and
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

constexpr int kFractionBits = 32;
constexpr int64_t kOne = int64_t(1) << kFractionBits;
constexpr int64_t kFractionMask = kOne - 1;
// Added before flooring to give ceil: one less than a whole, by more than the
// largest excess.
constexpr int64_t kCeilBias = kOne - (int64_t(1) << 16);

// An exact position: whole + rem / den, with 0 <= rem < den.
struct Exact {
    int64_t whole;
    int64_t rem;
    int64_t den;
};

// The whole number nearest the middle of a and b, halves up.
int64_t Middle(const Exact &a, const Exact &b) {
    const bool carry = a.rem * b.den + b.rem * a.den >= a.den * b.den;
    return FloorDiv(a.whole + b.whole + 1 + carry, 2);
}

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
    int lowStep;           // +1 when the chain running forward from first bounds s from below
};

void LoadOutline(Outline &o, const sSPOINT *pts, int n) {
    o.n = n;
    o.first = o.last = 0;
    o.sMin = o.sMax = o.topL = o.topR = pts[0].x;
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
        if (p > o.p[o.last]) o.last = i;
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
    int64_t p0, s0;      // that corner
    int64_t dp, ds;      // the current edge's extent, dp > 0
    int64_t endP;        // p0 + dp
    int64_t fixed;       // s at the current p, fixed point, rounded up
    int64_t fixedStep;   // ds / dp, fixed point, rounded up
};

int64_t Floor(const Chain &c) { return c.fixed >> kFractionBits; }
Exact ExactPos(const Chain &c) {
    return {Floor(c), ((c.fixed & kFractionMask) * c.dp) >> kFractionBits, c.dp};
}

// Puts the chain on the edge spanning p, for first.p < p <= last.p, and sets
// its position there.  The search stops at the last corner at the latest, so
// it ends on a falling edge even when the outline is not convex.
void Seek(Chain &c, int64_t p) {
    const Outline &o = *c.o;
    int to = NextCorner(o, c.at, c.step);
    while (o.p[to] < p) {
        c.at = to;
        to = NextCorner(o, to, c.step);
    }
    c.p0 = o.p[c.at];
    c.s0 = o.s[c.at];
    c.endP = o.p[to];
    c.dp = c.endP - c.p0;  // > 0: p0 < p <= endP
    c.ds = o.s[to] - c.s0;
    c.fixedStep = -FloorDiv(-c.ds * kOne, c.dp);
    if (p == c.p0 + 1) {
        c.fixed = c.s0 * kOne + c.fixedStep;
    } else {  // entering below the edge's top: the bitmap cut it off
        const int64_t num = (p - c.p0) * c.ds;
        const int64_t q = FloorDiv(num, c.dp);
        c.fixed = (c.s0 + q) * kOne - FloorDiv(-(num - q * c.dp) * kOne, c.dp);
    }
}

void Advance(Chain &c, int64_t p) {
    if (p > c.endP)
        Seek(c, p);
    else
        c.fixed += c.fixedStep;
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

// Columns x0..x1 cross the polygon only between rows y and y + 1, between
// edges a and b; each gets the pixel nearest the middle of its crossing.
// Column x crosses edge e at e.p0 + (x - e.s0) * e.dp / e.ds, so the middle
// lies at y + 1/2 or below when
//   (a.p0 - y) + (x - a.s0) * a.dp / a.ds + (b.p0 - y) + (x - b.s0) * b.dp / b.ds >= 1,
// which times a.ds * b.ds reads k + m * x >= 0: one split point.
void GapColumns(Target &t, int64_t y, int64_t x0, int64_t x1, const Chain &a, const Chain &b) {
    if (a.ds == 0 || b.ds == 0) {  // an upright edge: only when the outline is not convex
        Span(t, y, x0, x1);
        return;
    }
    int64_t k = (a.p0 - y + b.p0 - y - 1) * a.ds * b.ds - a.s0 * a.dp * b.ds - b.s0 * b.dp * a.ds;
    int64_t m = a.dp * b.ds + b.dp * a.ds;
    if (a.ds * b.ds < 0) k = -k, m = -m;
    if (m > 0) {  // row y + 1 from column -floor(k / m) on
        const int64_t split = std::clamp(-FloorDiv(k, m), x0, x1 + 1);
        Span(t, y, x0, split - 1);
        Span(t, y + 1, split, x1);
    } else if (m < 0) {  // row y + 1 up to column floor(k / -m)
        const int64_t split = std::clamp(FloorDiv(k, -m), x0 - 1, x1);
        Span(t, y + 1, x0, split);
        Span(t, y, split + 1, x1);
    } else {
        Span(t, k >= 0 ? y + 1 : y, x0, x1);
    }
}

// A row off the plain path: one past the bitmap's top or bottom, cut by its
// sides, holding no pixel centre, or with a gap to the row above.
void OddRow(Target &t, int64_t y, int64_t l, int64_t r, int64_t prevL, int64_t prevR,
            const Chain &lo, const Chain &hi) {
    if (l > prevR + 1) GapColumns(t, y - 1, prevR + 1, l - 1, lo, hi);
    if (prevL > r + 1) GapColumns(t, y - 1, r + 1, prevL - 1, lo, hi);
    if (l > r) l = r = Middle(ExactPos(lo), ExactPos(hi));
    Span(t, y, l, r);
}

void FillRows(Target &t, const Outline &o, bool withinSides) {
    // The top row: the corners on it are all the polygon has there.
    const int64_t top = o.p[o.first], bottom = o.p[o.last];
    int64_t prevL = o.topL, prevR = o.topR;  // ceil(left), floor(right) of the row above
    Span(t, top, prevL, prevR);

    // From the row above the bitmap to the row below it, for the gaps that
    // reach into it.
    const int64_t from = std::max(top + 1, int64_t(-1)), to = std::min(bottom, t.height);
    if (from > to) return;
    if (from != top + 1) {  // no row above to have a gap to
        prevL = INT32_MIN;
        prevR = INT32_MAX;
    }
    Chain lo{&o, o.lowStep, o.first, 0, 0, 0, 0, 0, 0, 0};
    Chain hi{&o, -o.lowStep, o.first, 0, 0, 0, 0, 0, 0, 0};
    Seek(lo, from);
    Seek(hi, from);
    const int64_t lastColumn = t.width - 1, lastRow = t.height - 1;
    int64_t l = 0, r = 0;
    // Rows y..end, which keep both edges; positions kept in registers across
    // the stores.  Clear: the rows lie in the bitmap and clear of its sides,
    // so only thin rows and gaps need a second look.
    auto segment = [&](int64_t y, int64_t end, auto clear) {
        const int64_t loStep = lo.fixedStep, hiStep = hi.fixedStep;
        int64_t loFixed = lo.fixed, hiFixed = hi.fixed;
        ptrdiff_t offset = static_cast<ptrdiff_t>(y) * t.pitch;  // of row y from row 0
        for (;; ++y, offset += t.pitch) {
            l = (loFixed + kCeilBias) >> kFractionBits;
            r = hiFixed >> kFractionBits;
            if (l > r || l > prevR + 1 || prevL > r + 1 ||
                (!clear && (l < 0 || r > lastColumn || y < 0 || y > lastRow))) {
                lo.fixed = loFixed;
                hi.fixed = hiFixed;
                OddRow(t, y, l, r, prevL, prevR, lo, hi);
            } else {
                Write(t, y, offset, l, r);
            }
            if (y == end) break;
            prevL = l;
            prevR = r;
            loFixed += loStep;
            hiFixed += hiStep;
        }
        lo.fixed = loFixed;
        hi.fixed = hiFixed;
    };
    for (int64_t y = from;;) {
        const int64_t end = std::min({lo.endP, hi.endP, to});
        if (withinSides && y >= 0 && end <= lastRow)
            segment(y, end, std::true_type{});
        else
            segment(y, end, std::false_type{});
        if (end == to) return;
        prevL = l;
        prevR = r;
        y = end + 1;
        Advance(lo, y);
        Advance(hi, y);
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
