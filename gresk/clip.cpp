// clip.cpp - ClipToRect: cuts a polygon to a rectangle, in place.
//
// The polygon is cut against the four sides in turn.  Where an edge crosses
// a side, the new corner is its exact crossing rounded to the nearest pixel,
// in integers: it does not depend on which way the edge is listed, so two
// polygons sharing an edge get the same corner.
#include <algorithm>
#include <cstring>
#include <utility>

#include "gresk.h"
#include "gresk_math.h"

namespace {

// Each cut at most doubles the points (a crossing beside every corner); four
// cuts of a non-convex outline may need this many before the final check.
constexpr int kCutCapacity = GRESK_MAX_POINTS << 4;

enum class Side { kLeft, kRight, kTop, kBottom };

struct Border {
    Side side;
    int32_t at;  // the rectangle's coordinate on this side, inside
};

bool Upright(Side side) { return side == Side::kLeft || side == Side::kRight; }

bool Inside(const sSPOINT &q, const Border &b) {
    switch (b.side) {
    case Side::kLeft: return q.x >= b.at;
    case Side::kRight: return q.x <= b.at;
    case Side::kTop: return q.y >= b.at;
    case Side::kBottom: return q.y <= b.at;
    }
    return false;
}

// Where the edge between p and q meets the line of the border (one of them
// inside, the other outside).
sSPOINT Crossing(const sSPOINT &p, const sSPOINT &q, const Border &b) {
    const bool upright = Upright(b.side);  // the side is the line x = at
    int64_t u0 = upright ? p.x : p.y, v0 = upright ? p.y : p.x;
    int64_t u1 = upright ? q.x : q.y, v1 = upright ? q.y : q.x;
    if (u0 > u1) {
        std::swap(u0, u1);
        std::swap(v0, v1);
    }
    // Ordered so the divisor is positive; at lies between u0 and u1, so the
    // result lies between v0 and v1.
    const auto v = static_cast<int16_t>(v0 + gresk::RoundDiv((b.at - u0) * (v1 - v0), u1 - u0));
    const auto at = static_cast<int16_t>(b.at);
    return upright ? sSPOINT{at, v} : sSPOINT{v, at};
}

bool Same(const sSPOINT &a, const sSPOINT &b) { return a.x == b.x && a.y == b.y; }

void Emit(sSPOINT *out, int &m, const sSPOINT &q) {
    if (m == 0 || !Same(out[m - 1], q)) out[m++] = q;
}

// One Sutherland-Hodgman cut; repeated corners are dropped as they appear.
int Cut(const sSPOINT *in, int n, sSPOINT *out, const Border &b) {
    int m = 0;
    sSPOINT prev = in[n - 1];
    bool prevIn = Inside(prev, b);
    for (int i = 0; i < n; ++i) {
        const sSPOINT cur = in[i];
        const bool curIn = Inside(cur, b);
        if (curIn != prevIn) Emit(out, m, Crossing(prev, cur, b));
        if (curIn) Emit(out, m, cur);
        prev = cur;
        prevIn = curIn;
    }
    if (m > 1 && Same(out[m - 1], out[0])) --m;
    return m;
}

}  // namespace

extern "C" int32_t QUELMAPI ClipToRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                       sSPOINT *pts, int32_t *count) {
    if (count == nullptr) return 0;
    const int32_t n = *count;
    if (pts == nullptr || n < 1 || n > GRESK_MAX_POINTS) {
        *count = 0;
        return 0;
    }
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const Border borders[] = {{Side::kLeft, left},
                              {Side::kRight, right},
                              {Side::kTop, top},
                              {Side::kBottom, bottom}};

    const bool allInside = std::ranges::all_of(pts, pts + n, [&](const sSPOINT &q) {
        return std::ranges::all_of(borders, [&](const Border &b) { return Inside(q, b); });
    });
    if (allInside) return n;

    sSPOINT a[kCutCapacity], b[kCutCapacity];
    sSPOINT *src = a, *dst = b;
    std::memcpy(src, pts, sizeof(sSPOINT) * n);
    int m = n;
    for (const Border &border : borders) {
        if (m == 0) break;
        m = Cut(src, m, dst, border);
        std::swap(src, dst);
    }
    if (m > GRESK_MAX_POINTS) m = 0;
    std::memcpy(pts, src, sizeof(sSPOINT) * m);
    *count = m;
    return m;
}
