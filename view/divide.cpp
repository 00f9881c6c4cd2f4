// Perspective divide, the last stage of a complete reprojection: turns the
// homogeneous points that a drawn surface needs into 16-bit screen points.
//
// Reads:  points' u, v, w and status (PT_DIVIDE, PT_OUTSIDE, PT_TRANSFORMED).
// Writes: screen points of the points marked for division; nothing else.
#include "view/screen.h"
#include "view/view.h"

using namespace quelm_view;

namespace {

constexpr uint32_t kDivideMask = PT_DIVIDE | PT_OUTSIDE | PT_TRANSFORMED;
constexpr uint32_t kDivideInside = PT_DIVIDE | PT_TRANSFORMED;                // 0x9
constexpr uint32_t kDivideOutside = PT_DIVIDE | PT_OUTSIDE | PT_TRANSFORMED;  // 0xB

}  // namespace

void PerspectiveDivide(SCENE *Scene) {
    const int32_t numVerts = Scene->iScreenNumVerts;
    const POINT3D *pt = Scene->PointList;
    sSPOINT *sp = Scene->ScreenPointList;
    for (int32_t i = 0; i < numVerts; ++i) {
        const uint32_t s = pt[i].visible & kDivideMask;
        if (s != kDivideInside && s != kDivideOutside) continue;
        const double rw = 1.0 / pt[i].w;
        int32_t x = TruncToInt32(rw * pt[i].u);
        int32_t y = TruncToInt32(pt[i].v * rw);
        // Points inside the viewport are small already; only outside ones
        // can reach beyond 16 bits.
        if (s == kDivideOutside) LimitToScreenRange(x, y);
        sp[i].x = static_cast<int16_t>(x);
        sp[i].y = static_cast<int16_t>(y);
    }
}
