// Near-plane clipping: cuts every drawn surface that crosses the near plane
// w = W_CLIP_INSET.  Vertices behind are dropped, a new point is made where
// each crossing edge meets the plane, and the outline is closed along it.
// New points and edges go after the model's own in the scene pools; the
// surface's outline is rewritten in place and marked for restoration at the
// next complete reprojection.
//
// Reads:  surface status, model polygons, scene edges, u, v, w and status of
//         points, W_CLIP_INSET, RESX, RESY.
// Writes: appended points and edges, iScreenNumVerts, iScreenNumEdges,
//         e, v, numv and status of the cut surfaces.
#include "view/view.h"

namespace {

constexpr uint32_t kCutMask = VIS_DRAW | VIS_NEAR | VIS_REWRITTEN;  // 0xD
constexpr uint32_t kToCut = VIS_DRAW | VIS_NEAR;                   // 0x5
constexpr uint32_t kOutcodeBits = VIS_COMMON_OUT | VIS_CROSSED_OUT;  // 0xFF0
constexpr uint32_t kKeepHigh = ~VIS_STATUS_MASK;
constexpr uint32_t kNewPoint = PT_DIVIDE | PT_OUTSIDE | PT_TRANSFORMED;  // 0xB: always divided
constexpr uint32_t kCutDrawn = VIS_DRAW | VIS_CLIP | VIS_REWRITTEN;     // 0xB
constexpr uint32_t kCutUndrawn = VIS_CLIP | VIS_REWRITTEN;              // 0xA
constexpr int32_t kMaxV = QUELM_MAX_POLYGON_VERTICES;
constexpr int kCrossedShift = 4;  // a point's outcodes to VIS_CROSSED_OUT

struct Outline {
    int32_t v[kMaxV];
    int32_t e[kMaxV];
};

// The near plane w = W and the viewport's width and height scaled to it.
struct NearPlane {
    double W, wd, h;
};

// A surface's outline while it is cut: its vertices and edges, the vertices
// left of the model's outline, the next free point and edge, and the
// surface's outcode bits.
struct Cut {
    Outline out;
    int32_t numv, nv, ne;
    uint32_t outCodes;
};

// The point where the edge from F (in front) to R (behind) meets the near
// plane; returns its outcodes.
uint32_t MakeNearPoint(const POINT3D &F, const POINT3D &R, const NearPlane &plane, POINT3D &P) {
    const double t = (F.w - plane.W) / (F.w - R.w);
    P.u = F.u + t * (R.u - F.u);
    P.v = F.v + t * (R.v - F.v);
    P.w = plane.W;
    // Bounds at the near plane are exclusive, unlike the loaders'.
    uint32_t outcode = P.v < 0 ? PT_ABOVE : (P.v > plane.h ? PT_BELOW : 0u);
    if (P.u < 0)
        outcode |= PT_LEFT;
    else if (P.u > plane.wd)
        outcode |= PT_RIGHT;
    P.visible = (R.visible & (kKeepHigh | kNewPoint)) | outcode | kNewPoint;
    return outcode;
}

// Walks the model outline m: keeps the vertices in front, drops those behind,
// and where an edge crosses the plane makes a point there and an edge to it.
// False when they would not fit in the pools.
bool CutOutline(const POLYGONLIST &m, POINT3D *pt, EDGELIST *sedge, const NearPlane &plane,
                Cut &c) {
    int32_t k = 0;
    for (int32_t j = 0; j < m.numv; ++j) {
        const int32_t e = m.e[j];
        const int32_t a = sedge[e].a;
        const int32_t b = sedge[e].b;
        const POINT3D &A = pt[a];
        const POINT3D &B = pt[b];
        if ((A.visible ^ B.visible) & PT_BEHIND) {
            if (c.nv >= QUELM_MAX_VERTICES || c.ne >= QUELM_MAX_EDGES) return false;
            const bool bBehind = (B.visible & PT_BEHIND) != 0;
            const uint32_t outcode =
                MakeNearPoint(bBehind ? A : B, bBehind ? B : A, plane, pt[c.nv]);
            const int32_t behind = bBehind ? b : a;
            c.out.v[k] = m.v[j] == behind ? c.nv : m.v[j];
            EDGELIST &ed = sedge[c.ne];
            ed.a = bBehind ? a : c.nv;
            ed.b = bBehind ? c.nv : b;
            ed.act = 0;
            c.out.e[k] = c.ne;
            ++c.nv;
            ++c.ne;
            c.outCodes |= outcode << kCrossedShift;
            ++k;
        } else if (!(A.visible & PT_BEHIND)) {
            c.out.v[k] = m.v[j];
            c.out.e[k] = e;
            ++k;
        } else {
            --c.numv;  // an edge wholly behind: its first vertex goes
        }
    }
    return true;
}

// Closes the outline of n vertices where a dropped run left a gap along the
// plane, appending the closing edges at ne; false when it would not fit.
bool CloseOutline(Outline &out, int32_t &n, EDGELIST *sedge, int32_t &ne) {
    for (int32_t j = 0; j < n; ++j) {
        const int32_t nx = (j + 1) % n;
        const EDGELIST &ej = sedge[out.e[j]];
        const int32_t f = ej.b == out.v[j] ? ej.a : ej.b;
        if (out.v[nx] == f) continue;
        if (n >= kMaxV || ne >= QUELM_MAX_EDGES) return false;
        const int32_t to = out.v[nx];
        for (int32_t q = n; q > j + 1; --q) {
            out.v[q] = out.v[q - 1];
            out.e[q] = out.e[q - 1];
        }
        EDGELIST &ed = sedge[ne];
        ed.a = f;
        ed.b = to;
        ed.act = 0;
        out.v[j + 1] = f;
        out.e[j + 1] = ne;
        ++ne;
        ++n;
    }
    return true;
}

}  // namespace

void PerformZClipping(SCENE *Scene, MODEL *Model) {
    const VANTAGE &view = Scene->Perspective;
    const NearPlane plane = {view.W_CLIP_INSET, view.W_CLIP_INSET * view.RESX,
                             view.W_CLIP_INSET * view.RESY};
    int32_t numVerts = Scene->iScreenNumVerts;
    int32_t numEdges = Scene->iScreenNumEdges;
    POINT3D *pt = Scene->PointList;
    EDGELIST *sedge = Scene->EdgeList;
    POLYGONLIST *spoly = Scene->ScenePolygonList;
    const POLYGONLIST *mpoly = Model->PolygonList;
    const int32_t numPolygons = Model->iNumPolygons;

    for (int32_t i = 0; i < numPolygons; ++i) {
        POLYGONLIST &s = spoly[i];
        if ((s.visible & kCutMask) != kToCut) continue;

        // The cut is built aside and only committed when it fits: at most 7
        // vertices, and its new points and edges within the pools.  New
        // points and edges are written straight into the free slots past the
        // counts, which nothing reads until the counts are raised.
        Cut c;
        for (int32_t j = 0; j < kMaxV; ++j) {
            c.out.v[j] = s.v[j];
            c.out.e[j] = s.e[j];
        }
        c.numv = s.numv;
        c.nv = numVerts;
        c.ne = numEdges;
        c.outCodes = s.visible & kOutcodeBits;
        const bool fits = CutOutline(mpoly[i], pt, sedge, plane, c);
        int32_t n = c.numv < 0 ? 0 : c.numv;
        if (!fits || !CloseOutline(c.out, n, sedge, c.ne)) {
            // Too big to cut: the surface is not drawn this frame, and its
            // outline stays the model's.
            s.visible = (s.visible & kKeepHigh) | VIS_NEAR;
            continue;
        }
        for (int32_t j = 0; j < n; ++j) {
            s.v[j] = c.out.v[j];
            s.e[j] = c.out.e[j];
        }
        s.numv = n;
        numVerts = c.nv;
        numEdges = c.ne;
        const uint32_t cut = n < 2 ? kCutUndrawn : kCutDrawn;
        s.visible = (s.visible & (kKeepHigh | cut)) | c.outCodes | cut;
    }
    Scene->iScreenNumVerts = numVerts;
    Scene->iScreenNumEdges = numEdges;
}
