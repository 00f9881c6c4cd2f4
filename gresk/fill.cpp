// fill.cpp - FillConvexPoly: flat fill of a polygon into an 8-bit DIB.
//
// Rows are walked downward along the two chains of edges that join the
// topmost and the bottommost corner.  A position on an edge is kept exactly,
// as a whole part and a remainder over the edge's height (two divisions when
// the walk enters an edge, none per row), so polygons sharing an edge agree
// on every row.  A span covers the pixel centres from ceil(left) to
// floor(right); a row that holds no centre gets the pixel nearest its middle.
// The same walk run over the columns at the polygon's left and right tips
// gives every column that holds no centre its nearest pixel too.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "gresk.h"
#include "gresk_math.h"

namespace {

using gresk::FloorDiv;

// A position on an edge: whole + rem / den, with 0 <= rem < den.
struct Exact {
    int64_t whole;
    int64_t rem;
    int64_t den;
};

int64_t Floor(const Exact &e) { return e.whole; }
int64_t Ceil(const Exact &e) { return e.whole + (e.rem != 0); }

// The whole number nearest the middle of a and b, halves up.
int64_t Middle(const Exact &a, const Exact &b) {
    const bool carry = a.rem * b.den + b.rem * a.den >= a.den * b.den;
    return FloorDiv(a.whole + b.whole + 1 + carry, 2);
}

// hi - lo >= 1: the crossing holds a pixel centre whatever its position.
bool AtLeastOneApart(const Exact &lo, const Exact &hi) {
    return (hi.whole - lo.whole - 1) * lo.den * hi.den + hi.rem * lo.den - lo.rem * hi.den >= 0;
}

// Which way the polygon is walked: p is the coordinate stepped one whole
// unit at a time, s the one a crossing runs along.
enum class Axis { kRows, kColumns, kColumnsFromRight };

struct Outline {
    int32_t p[GRESK_MAX_POINTS];
    int32_t s[GRESK_MAX_POINTS];
    int n;
    int first;    // a corner with the least p
    int last;     // a corner with the greatest p
    int lowStep;  // +1 when the chain running forward from first bounds s from below
};

void LoadOutline(Outline &o, const sSPOINT *pts, int n, Axis axis) {
    o.n = n;
    o.first = o.last = 0;
    for (int i = 0; i < n; ++i) {
        switch (axis) {
        case Axis::kRows: o.p[i] = pts[i].y, o.s[i] = pts[i].x; break;
        case Axis::kColumns: o.p[i] = pts[i].x, o.s[i] = pts[i].y; break;
        case Axis::kColumnsFromRight: o.p[i] = -pts[i].x, o.s[i] = pts[i].y; break;
        }
        if (o.p[i] < o.p[o.first]) o.first = i;
        if (o.p[i] > o.p[o.last]) o.last = i;
    }
    // Twice the signed area in the (s, p) plane: positive when the forward
    // chain lies on the greater-s side.
    int64_t area2 = 0;
    for (int i = 0, j = n - 1; i < n; j = i++)
        area2 += int64_t(o.s[j]) * o.p[i] - int64_t(o.s[i]) * o.p[j];
    o.lowStep = area2 > 0 ? -1 : 1;
}

int NextCorner(const Outline &o, int i, int step) {
    i += step;
    return i == o.n ? 0 : i < 0 ? o.n - 1 : i;
}

// One side of the polygon, from the first corner toward the last.
struct Chain {
    const Outline *o;
    int step;       // +1 or -1 through the corners
    int at;         // the corner the current edge starts from
    int32_t endP;   // p where the current edge ends
    Exact pos;      // s on the current edge at the current p
    int64_t stepWhole, stepRem;  // change of pos per unit of p, over pos.den
};

// Puts the chain on the edge spanning p, for p strictly between the first
// and the last corner's p, and sets its position there.  The walk stops at
// the last corner at the latest, so it ends on a falling edge even when the
// outline is not convex.
void Seek(Chain &c, int64_t p) {
    const Outline &o = *c.o;
    int to = NextCorner(o, c.at, c.step);
    while (o.p[to] < p) {
        c.at = to;
        to = NextCorner(o, to, c.step);
    }
    const int64_t p0 = o.p[c.at], s0 = o.s[c.at];
    const int64_t dp = o.p[to] - p0;  // > 0: p0 < p <= o.p[to]
    const int64_t ds = o.s[to] - s0;
    const int64_t num = (p - p0) * ds;
    const int64_t q = FloorDiv(num, dp);
    c.pos = {s0 + q, num - q * dp, dp};
    c.stepWhole = FloorDiv(ds, dp);
    c.stepRem = ds - c.stepWhole * dp;
    c.endP = o.p[to];
}

void Advance(Chain &c, int64_t p) {
    if (p > c.endP) {
        Seek(c, p);
        return;
    }
    c.pos.whole += c.stepWhole;
    c.pos.rem += c.stepRem;
    if (c.pos.rem >= c.pos.den) {
        c.pos.rem -= c.pos.den;
        ++c.pos.whole;
    }
}

// Calls visit(p, lo, hi) for p from `from` to `to`, limited to the p strictly
// between the first and the last corner, until it returns false.
template <class Visit>
void Walk(const Outline &o, int64_t from, int64_t to, Visit &&visit) {
    from = std::max<int64_t>(from, int64_t(o.p[o.first]) + 1);
    to = std::min<int64_t>(to, int64_t(o.p[o.last]) - 1);
    if (from > to) return;
    Chain lo{&o, o.lowStep, o.first, 0, {}, 0, 0};
    Chain hi{&o, -o.lowStep, o.first, 0, {}, 0, 0};
    Seek(lo, from);
    Seek(hi, from);
    for (int64_t p = from;; ++p) {
        if (!visit(p, lo.pos, hi.pos) || p == to) return;
        Advance(lo, p + 1);
        Advance(hi, p + 1);
    }
}

// The bitmap as rows of bytes, row 0 at the top.
struct Target {
    uint8_t *row0;
    ptrdiff_t pitch;  // bytes from one row to the next one down
    int64_t width;
    int64_t height;
    uint8_t colour;
    bool drawn;
};

constexpr WORD kDibBitCount = 8;

bool OpenTarget(Target &t, const BITMAPINFO *bmi, uint8_t *bits, uint8_t colour) {
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
        t.row0 = bits + static_cast<ptrdiff_t>((t.height - 1) * stride);
        t.pitch = -static_cast<ptrdiff_t>(stride);
    }
    t.colour = colour;
    t.drawn = false;
    return true;
}

uint8_t *Row(const Target &t, int64_t y) { return t.row0 + static_cast<ptrdiff_t>(y) * t.pitch; }

// Fills pixels l..r of row y, as far as they lie in the bitmap (y does).
void Span(Target &t, int64_t y, int64_t l, int64_t r) {
    l = std::max<int64_t>(l, 0);
    r = std::min(r, t.width - 1);
    if (l > r) return;
    std::memset(Row(t, y) + l, t.colour, static_cast<size_t>(r - l + 1));
    t.drawn = true;
}

// The top and the bottom row: the corners on the row are all the polygon has
// there, since a convex outline runs level only along its top and bottom.
void EndRow(Target &t, const Outline &o, int32_t y) {
    if (y < 0 || y >= t.height) return;
    int32_t l = INT32_MAX, r = INT32_MIN;
    for (int i = 0; i < o.n; ++i) {
        if (o.p[i] != y) continue;
        l = std::min(l, o.s[i]);
        r = std::max(r, o.s[i]);
    }
    Span(t, y, l, r);
}

void FillRows(Target &t, const Outline &o) {
    EndRow(t, o, o.p[o.first]);
    if (o.p[o.last] != o.p[o.first]) EndRow(t, o, o.p[o.last]);
    Walk(o, 0, t.height - 1, [&t](int64_t y, const Exact &lo, const Exact &hi) {
        int64_t l = Ceil(lo), r = Floor(hi);
        if (l > r) l = r = Middle(lo, hi);
        Span(t, y, l, r);
        return true;
    });
}

// Draws the pixel nearest the middle of a column that crosses the polygon
// between two pixel centres.  False once the column is a pixel or more long:
// on a convex outline the columns only thin again toward the far tip.
bool ThinColumn(Target &t, int64_t x, const Exact &lo, const Exact &hi) {
    if (Ceil(lo) > Floor(hi)) {
        const int64_t y = Middle(lo, hi);
        if (x >= 0 && x < t.width && y >= 0 && y < t.height) {
            Row(t, y)[x] = t.colour;
            t.drawn = true;
        }
    }
    return !AtLeastOneApart(lo, hi);
}

void FillThinColumns(Target &t, const sSPOINT *pts, int n) {
    Outline o;
    LoadOutline(o, pts, n, Axis::kColumns);
    int64_t stop = -1;
    bool stopped = false;
    Walk(o, 0, t.width - 1, [&](int64_t x, const Exact &lo, const Exact &hi) {
        if (ThinColumn(t, x, lo, hi)) return true;
        stop = x;
        stopped = true;
        return false;
    });
    if (!stopped) return;  // every column there was has been seen
    LoadOutline(o, pts, n, Axis::kColumnsFromRight);
    Walk(o, -(t.width - 1), -(stop + 1), [&](int64_t negX, const Exact &lo, const Exact &hi) {
        return ThinColumn(t, -negX, lo, hi);
    });
}

}  // namespace

extern "C" int32_t QUELMAPI FillConvexPoly(BITMAPINFO *pBMI, uint8_t *pBits, sSPOINT *pts,
                                           int32_t count, int32_t kind, void *req) {
    if (pBMI == nullptr || pBits == nullptr || pts == nullptr || req == nullptr ||
        kind != GRESK_FILLPOLY || count < 1 || count > GRESK_MAX_POINTS)
        return 0;
    Target t;
    const auto colour = static_cast<uint8_t>(static_cast<const sFILLPOLY *>(req)->pic & 0xFF);
    if (!OpenTarget(t, pBMI, pBits, colour)) return 0;

    Outline rows;
    LoadOutline(rows, pts, count, Axis::kRows);
    const auto [xmin, xmax] = std::minmax_element(rows.s, rows.s + count);
    if (*xmax < 0 || *xmin >= t.width || rows.p[rows.last] < 0 || rows.p[rows.first] >= t.height)
        return 0;
    FillRows(t, rows);
    // A polygon on a single row is drawn whole by its end row.
    if (rows.p[rows.first] != rows.p[rows.last]) FillThinColumns(t, pts, count);
    return t.drawn ? 1 : 0;
}
