// Rapid pan: when only the target moved, shifts last frame's screen points by
// the target's movement on the screen instead of reprojecting, reclassifies
// them against the viewport, and updates which surfaces are drawn, dividing
// on the spot the points of surfaces that come into view.
//
// Reads:  XT/YT/ZT, DXT/DYT/DZT, ADXT/ADYT/ADZT, RESX, RESY, SceneSettings,
//         points (u, v, w, status), surfaces (v, numv, status).
// Writes: screen points, point and surface status bits, iRapidPansTally.
//         u, v, w stay as the last complete reprojection left them.
#include "math/math.h"
#include "view/screen.h"
#include "view/view.h"

using namespace quelm_view;

namespace {

constexpr uint32_t kKeepHigh = ~VIS_STATUS_MASK;
constexpr uint32_t kInside = PT_DIVIDE | PT_TRANSFORMED;                   // 0x9
constexpr uint32_t kOutsideDivided = PT_DIVIDE | PT_OUTSIDE | PT_TRANSFORMED;  // 0xB
constexpr uint32_t kFrontTest = PT_BEHIND | PT_TRANSFORMED;  // & 0xC == 0x8: in front
constexpr uint32_t kShifted = PT_DIVIDE | PT_BEHIND | PT_TRANSFORMED;  // & 0xD == 0x9: 0x9 or 0xB
constexpr uint32_t kRevealKeep = kKeepHigh | kInside;                      // 0xFFFFF009
constexpr uint32_t kDrawnClipped = VIS_DRAW | VIS_CLIP;

uint32_t Outcodes(int32_t x, int32_t y, int32_t wid, int32_t hgt) {
    uint32_t c = x < 0 ? PT_LEFT : (x >= wid ? PT_RIGHT : 0u);
    c |= y < 0 ? PT_ABOVE : (y >= hgt ? PT_BELOW : 0u);
    return c;
}

// Screen position of the world point (x, y, z) given as doubles; false when
// it lies behind the near plane.
bool ScreenOf(const VANTAGE *view, double x, double y, double z, int32_t &sx, int32_t &sy) {
    return WorldToScreenPoint(view, &sx, &sy, TruncToInt32(x), TruncToInt32(y), TruncToInt32(z));
}

// The low byte of every scene point's status word (status bits and
// outcodes) as the point pass leaves it.  The surface pass tests its
// vertices here, in a small dense table, instead of in the POINT3D records
// scattered over the pool; Reveal keeps the two in step.  Scratch of one pan.
uint8_t panStatus[QUELM_MAX_VERTICES];

// Divides a point that the last complete reprojection left undivided and
// places it where the pans since have moved everything else.
void Reveal(POINT3D &p, sSPOINT &sp, uint8_t &status, int32_t totalX, int32_t totalY,
            int32_t wid, int32_t hgt) {
    const double rw = 1.0 / p.w;
    int32_t x = WrapAdd(TruncToInt32(rw * p.u), totalX);
    int32_t y = WrapAdd(TruncToInt32(p.v * rw), totalY);
    LimitToScreenRange(x, y);
    sp.x = static_cast<int16_t>(x);
    sp.y = static_cast<int16_t>(y);
    const uint32_t c = Outcodes(x, y, wid, hgt);
    if (c == 0)
        p.visible = (p.visible & kRevealKeep) | kInside;
    else
        p.visible = (p.visible & ~PT_OUTCODES) | PT_DIVIDE | c;
    status = static_cast<uint8_t>(p.visible);
}

// Point pass: every divided point in front of the near plane moves by
// (xdelta, ydelta) and takes its outcodes afresh; every point's status goes
// to panStatus.
void ShiftPoints(SCENE *Scene, int32_t xdelta, int32_t ydelta, int32_t wid, int32_t hgt) {
    const int32_t numVerts = Scene->iScreenNumVerts;
    POINT3D *pt = Scene->PointList;
    sSPOINT *sp = Scene->ScreenPointList;
    // Unsigned bounds for the common case of a point that stays inside.
    const uint32_t insideX = wid > 0 ? static_cast<uint32_t>(wid) : 0;
    const uint32_t insideY = hgt > 0 ? static_cast<uint32_t>(hgt) : 0;
    for (int32_t i = 0; i < numVerts; ++i) {
        uint32_t vis = pt[i].visible;
        if ((vis & kShifted) == kInside) {
            const int16_t x = static_cast<int16_t>(WrapAdd(sp[i].x, xdelta));
            const int16_t y = static_cast<int16_t>(WrapAdd(sp[i].y, ydelta));
            sp[i].x = x;
            sp[i].y = y;
            if (static_cast<uint32_t>(x) < insideX && static_cast<uint32_t>(y) < insideY) {
                vis = (vis & kKeepHigh) | kInside;
            } else {
                const uint32_t c = Outcodes(x, y, wid, hgt);
                vis = (vis & kKeepHigh) | (c ? kOutsideDivided | c : kInside);
            }
            pt[i].visible = vis;
        }
        panStatus[i] = static_cast<uint8_t>(vis);
    }
}

// Surface pass: drawn surfaces gain the clip bit or lose the draw bit as
// their points left the view; clipped ones coming back into view are drawn
// again, their undivided points revealed at (totalXdelta, totalYdelta).
void UpdateSurfaces(SCENE *Scene, int32_t totalXdelta, int32_t totalYdelta, int32_t wid,
                    int32_t hgt) {
    POINT3D *pt = Scene->PointList;
    sSPOINT *sp = Scene->ScreenPointList;
    const uint32_t theplan = Scene->SceneSettings & VIS_PLAN_MASK;
    const int32_t numPolygons = Scene->iScreenNumPolygons;
    POLYGONLIST *spoly = Scene->ScenePolygonList;
    for (int32_t i = 0; i < numPolygons; ++i) {
        POLYGONLIST &s = spoly[i];
        const uint32_t kind = s.visible & kDrawnClipped;
        if (kind == 0 || (kind == VIS_CLIP && !(s.visible & theplan))) continue;
        // One look at the vertices serves every case: the OR of their
        // statuses, the AND of the outcodes of those not behind the near
        // plane, and of those transformed and in front.
        const int32_t n = s.numv;
        uint32_t any = 0, notBehind = PT_OUTCODES, inFront = PT_OUTCODES;
        auto look = [&](int32_t v) {
            const uint32_t ps = panStatus[v];
            any |= ps;
            if (!(ps & PT_BEHIND)) notBehind &= ps;
            if ((ps & kFrontTest) == PT_TRANSFORMED) inFront &= ps;
        };
        if (n == 4) {  // most surfaces: no loop to mispredict
            look(s.v[3]);
            look(s.v[2]);
            look(s.v[1]);
            look(s.v[0]);
        } else {
            for (int32_t j = n - 1; j >= 0; --j) look(s.v[j]);
        }
        switch (kind) {
        case VIS_DRAW:
            if (any & PT_OUTCODES) s.visible |= VIS_CLIP;
            break;
        case kDrawnClipped:
            if (notBehind != 0) s.visible &= ~VIS_DRAW;  // now wholly beyond one viewport edge
            break;
        case VIS_CLIP: {
            // A vertex behind the near plane has no screen point a pan could
            // give it; such a surface waits for the next complete reprojection.
            if (inFront != 0 || (any & PT_BEHIND)) break;
            s.visible |= VIS_DRAW;
            for (int32_t j = n - 1; j >= 0; --j) {
                const int32_t v = s.v[j];
                if (!(panStatus[v] & PT_DIVIDE))
                    Reveal(pt[v], sp[v], panStatus[v], totalXdelta, totalYdelta, wid, hgt);
            }
            break;
        }
        default:
            break;
        }
    }
}

}  // namespace

bool RapidPan(SCENE *Scene) {
    Scene->iRapidPansTally += 1;
    const VANTAGE *view = &Scene->Perspective;

    int32_t x0, y0, x1, y1, x2, y2;
    const bool referenced =
        ScreenOf(view, view->XT, view->YT, view->ZT, x0, y0) &&
        ScreenOf(view, view->XT - view->DXT, view->YT - view->DYT, view->ZT - view->DZT, x1,
                 y1) &&
        ScreenOf(view, view->XT - view->ADXT, view->YT - view->ADYT, view->ZT - view->ADZT, x2,
                 y2);
    // A reference point behind the near plane makes the shift meaningless:
    // the turn is too sharp to pan.
    if (!referenced) return false;
    const int32_t wid = TruncToInt32(view->RESX);
    const int32_t hgt = TruncToInt32(view->RESY);
    ShiftPoints(Scene, WrapSub(x1, x0), WrapSub(y1, y0), wid, hgt);
    UpdateSurfaces(Scene, WrapSub(x2, x0), WrapSub(y2, y0), wid, hgt);
    return true;
}
