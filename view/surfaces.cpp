// Visible surfaces: after a loader has classified the points, decides for
// every scene surface whether it is drawn, clipped to the viewport or cut at
// the near plane, from its points' status bits alone.
//
// Reads:  point status, model polygons (to restore rewritten outlines),
//         SceneSettings.
// Writes: e, v, numv of surfaces rewritten by last frame's cut (restored),
//         surface status (draw, clip, near, outcodes), the divide bit of
//         outside points that a drawn surface needs.
#include "view/view.h"

namespace {

constexpr uint32_t kKeepHigh = ~VIS_STATUS_MASK;                        // 0xFFFFF000
constexpr uint32_t kPointClass = PT_DIVIDE | PT_OUTSIDE | PT_BEHIND;     // where it lies
constexpr uint32_t kPointStatus = kPointClass | PT_TRANSFORMED;         // 0xF
constexpr uint32_t kOutsideUndivided = PT_OUTSIDE | PT_TRANSFORMED;     // 0xA
constexpr uint32_t kAllOutcodes = PT_OUTCODES;                          // common-outcode seed
constexpr uint32_t kCrossed = VIS_CROSSED_OUT;
constexpr int kCrossedShift = 4;

// Transformed this frame and classified: inside, outside or behind.
bool Usable(uint32_t ps) { return (ps & PT_TRANSFORMED) && (ps & kPointClass); }

// Outside points of a drawn surface get divided (and limited) this frame.
void GiveDivideBit(const POLYGONLIST &s, int32_t n, POINT3D *pt) {
    for (int32_t j = n - 1; j >= 0; --j) {
        POINT3D &p = pt[s.v[j]];
        if ((p.visible & kPointStatus) == kOutsideUndivided) p.visible |= PT_DIVIDE;
    }
}

// Folds a front vertex's outcodes c into the common (low) and crossed (high)
// parts of outCodes.
uint32_t FoldOutcodes(uint32_t outCodes, uint32_t c) {
    return (outCodes & (c | kCrossed)) | (c << kCrossedShift);
}

// The last vertex is behind the near plane: the others decide.
uint32_t LastBehind(uint32_t st, const POLYGONLIST &s, int32_t n, POINT3D *pt) {
    st &= kKeepHigh;
    uint32_t outCodes = kAllOutcodes;
    for (int32_t j = n - 2; j >= 0; --j) {
        const uint32_t ps = pt[s.v[j]].visible;
        if (!Usable(ps)) {
            st &= kKeepHigh;
            break;
        }
        if (ps & PT_BEHIND) continue;
        const uint32_t c = ps & PT_OUTCODES;
        if (c == 0) {
            st |= VIS_DRAW | VIS_CLIP | VIS_NEAR;
            outCodes &= kCrossed;
        } else {
            st |= VIS_CLIP | VIS_NEAR;
            outCodes = FoldOutcodes(outCodes, c);
        }
    }
    if (!(st & VIS_NEAR)) return st | VIS_NEAR;  // nothing in front, or a vertex unusable
    if (outCodes != 0) {
        st |= outCodes;
        if (!(outCodes & kAllOutcodes)) {
            st |= VIS_DRAW;
            GiveDivideBit(s, n, pt);
        }
    }
    return st;
}

// The last vertex is in front, with outcodes c.
uint32_t LastInFront(uint32_t st, uint32_t c, const POLYGONLIST &s, int32_t n, POINT3D *pt) {
    uint32_t outCodes;
    if (c == 0) {
        st = (st & kKeepHigh) | VIS_DRAW;
        outCodes = 0;
    } else {
        st &= kKeepHigh;
        outCodes = (c << kCrossedShift) | c;
    }
    for (int32_t j = n - 2; j >= 0; --j) {
        const uint32_t ps = pt[s.v[j]].visible;
        if (!Usable(ps)) {
            st &= kKeepHigh;
            outCodes = 0;
            break;
        }
        if (ps & PT_BEHIND) {
            st |= VIS_NEAR;
            continue;
        }
        const uint32_t cj = ps & PT_OUTCODES;
        if (cj == 0) {
            st |= VIS_DRAW;
            outCodes &= kCrossed;
        } else {
            outCodes = FoldOutcodes(outCodes, cj);
        }
    }
    if (outCodes != 0) {
        if (outCodes & kAllOutcodes) {
            st |= outCodes | VIS_CLIP;  // wholly beyond one viewport edge
        } else {
            st |= outCodes | VIS_CLIP | VIS_DRAW;
            GiveDivideBit(s, n, pt);
        }
    }
    return st;
}

}  // namespace

void PrepareVisibleSurfaces(SCENE *Scene, MODEL *Model) {
    const uint32_t theplan = Scene->SceneSettings & VIS_PLAN_MASK;
    const int32_t numPolygons = Scene->iScreenNumPolygons;
    POLYGONLIST *spoly = Scene->ScenePolygonList;
    const POLYGONLIST *mpoly = Model->PolygonList;
    POINT3D *pt = Scene->PointList;
    for (int32_t i = 0; i < numPolygons; ++i) {
        POLYGONLIST &s = spoly[i];
        uint32_t st = s.visible;
        if (st & VIS_REWRITTEN) {
            // Last complete reprojection cut this outline: take the model's back.
            const POLYGONLIST &m = mpoly[i];
            s.numv = m.numv;
            for (int32_t j = 0; j < m.numv; ++j) {
                s.v[j] = m.v[j];
                s.e[j] = m.e[j];
            }
            st &= ~VIS_REWRITTEN;
        }
        const int32_t n = s.numv;
        if (n < 2 || !(st & theplan)) {
            st &= kKeepHigh;
        } else {
            const uint32_t ps = pt[s.v[n - 1]].visible;
            if (!Usable(ps))
                st &= kKeepHigh;
            else if (ps & PT_BEHIND)
                st = LastBehind(st, s, n, pt);
            else
                st = LastInFront(st, ps & PT_OUTCODES, s, n, pt);
        }
        s.visible = st;
    }
}
