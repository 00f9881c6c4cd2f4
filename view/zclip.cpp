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

struct Outline {
    int32_t v[kMaxV];
    int32_t e[kMaxV];
};

}  // namespace

void PerformZClipping(SCENE *Scene, MODEL *Model) {
    const VANTAGE &view = Scene->Perspective;
    const double W = view.W_CLIP_INSET;
    const double h = W * view.RESY;
    const double wd = W * view.RESX;
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
        const POLYGONLIST &m = mpoly[i];

        // The cut is built aside and only committed when it fits: at most 7
        // vertices, and its new points and edges within the pools.  New
        // points and edges are written straight into the free slots past the
        // counts, which nothing reads until the counts are raised.
        Outline out;
        for (int32_t j = 0; j < kMaxV; ++j) {
            out.v[j] = s.v[j];
            out.e[j] = s.e[j];
        }
        uint32_t outCodes = s.visible & kOutcodeBits;
        int32_t nv = numVerts;
        int32_t ne = numEdges;
        int32_t numv = s.numv;
        int32_t k = 0;
        bool fits = true;

        for (int32_t j = 0; j < m.numv; ++j) {
            const int32_t e = m.e[j];
            const int32_t a = sedge[e].a;
            const int32_t b = sedge[e].b;
            const POINT3D &A = pt[a];
            const POINT3D &B = pt[b];
            if ((A.visible ^ B.visible) & PT_BEHIND) {
                if (nv >= QUELM_MAX_VERTICES || ne >= QUELM_MAX_EDGES) {
                    fits = false;
                    break;
                }
                const bool bBehind = (B.visible & PT_BEHIND) != 0;
                const POINT3D &F = bBehind ? A : B;
                const POINT3D &R = bBehind ? B : A;
                const double t = (F.w - W) / (F.w - R.w);
                POINT3D &P = pt[nv];
                P.u = F.u + t * (R.u - F.u);
                P.v = F.v + t * (R.v - F.v);
                P.w = W;
                // Bounds at the near plane are exclusive, unlike the loaders'.
                uint32_t outcode = P.v < 0 ? PT_ABOVE : (P.v > h ? PT_BELOW : 0u);
                if (P.u < 0)
                    outcode |= PT_LEFT;
                else if (P.u > wd)
                    outcode |= PT_RIGHT;
                P.visible = (R.visible & (kKeepHigh | kNewPoint)) | outcode | kNewPoint;

                const int32_t behind = bBehind ? b : a;
                out.v[k] = m.v[j] == behind ? nv : m.v[j];
                EDGELIST &ed = sedge[ne];
                ed.a = bBehind ? a : nv;
                ed.b = bBehind ? nv : b;
                ed.act = 0;
                out.e[k] = ne;
                ++nv;
                ++ne;
                outCodes |= outcode << 4;
                ++k;
            } else if (!(A.visible & PT_BEHIND)) {
                out.v[k] = m.v[j];
                out.e[k] = e;
                ++k;
            } else {
                --numv;  // an edge wholly behind: its first vertex goes
            }
        }

        // Close the outline where a dropped run left a gap along the plane.
        int32_t n = numv < 0 ? 0 : numv;
        for (int32_t j = 0; fits && j < n; ++j) {
            const int32_t nx = (j + 1) % n;
            const EDGELIST &ej = sedge[out.e[j]];
            const int32_t f = ej.b == out.v[j] ? ej.a : ej.b;
            if (out.v[nx] == f) continue;
            if (n >= kMaxV || ne >= QUELM_MAX_EDGES) {
                fits = false;
                break;
            }
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

        if (!fits) {
            // Too big to cut: the surface is not drawn this frame, and its
            // outline stays the model's.
            s.visible = (s.visible & kKeepHigh) | VIS_NEAR;
            continue;
        }
        for (int32_t j = 0; j < n; ++j) {
            s.v[j] = out.v[j];
            s.e[j] = out.e[j];
        }
        s.numv = n;
        numVerts = nv;
        numEdges = ne;
        const uint32_t cut = n < 2 ? kCutUndrawn : kCutDrawn;
        s.visible = (s.visible & (kKeepHigh | cut)) | outCodes | cut;
    }
    Scene->iScreenNumVerts = numVerts;
    Scene->iScreenNumEdges = numEdges;
}
