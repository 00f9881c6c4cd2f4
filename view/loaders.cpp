// Model projection: the first stage of a complete reprojection.  Transforms
// model vertices by TM into the scene's points and classifies each against
// the near plane and the viewport.
//
// Reads:  model vertices (and edges for the edge-driven loader), TM,
//         W_CLIP_INSET, RESX, RESY, SceneSettings.
// Writes: iScreenNumVerts, iScreenNumEdges (back to the model's counts,
//         dropping last frame's clipping points and edges); u, v, w and
//         status of scene points; act of scene edges (edge-driven only).
#include "view/view.h"

namespace {

constexpr uint32_t kStatusMask = VIS_STATUS_MASK;
constexpr uint32_t kBehind = PT_BEHIND | PT_TRANSFORMED;                     // 0xC
constexpr uint32_t kInside = PT_DIVIDE | PT_TRANSFORMED;                     // 0x9
constexpr uint32_t kOutside = PT_OUTSIDE | PT_TRANSFORMED;                   // 0xA
constexpr uint32_t kInactivePlanMask = VIS_PLAN_MASK & ~PLAN_FINE;           // 0xF7000
constexpr uint32_t kActInvolved = ACT_ACTIVE | ACT_INVOLVED;                 // 0xA
constexpr uint32_t kKeepLinksAndConstantly = ~(ACT_TOGGLE | ACT_INVOLVED);   // 0xFFFFFFFC

// The view matrix and bounds, held in locals for the whole pass.
struct Projector {
    double tm00, tm01, tm02;
    double tm10, tm11, tm12;
    double tm20, tm21, tm22;
    double tm30, tm31, tm32;
    double wclip, wid, hgt;

    explicit Projector(const VANTAGE &view)
        : tm00(view.TM[0][0]), tm01(view.TM[0][1]), tm02(view.TM[0][2]),
          tm10(view.TM[1][0]), tm11(view.TM[1][1]), tm12(view.TM[1][2]),
          tm20(view.TM[2][0]), tm21(view.TM[2][1]), tm22(view.TM[2][2]),
          tm30(view.TM[3][0]), tm31(view.TM[3][1]), tm32(view.TM[3][2]),
          wclip(view.W_CLIP_INSET), wid(view.RESX), hgt(view.RESY) {}

    // Transforms vertex vx into pt and classifies it, starting from the
    // word vis; returns the new word, which is also stored.
    uint32_t Project(const VERTEX3D &vx, POINT3D &pt, uint32_t vis) const {
        const double x = vx.x;
        const double y = vx.y;
        double u, v, w;
        if (vx.z == 0) {
            // Ground vertices, most of the model: the z terms drop out.
            u = x * tm00 + y * tm10 + tm30;
            v = x * tm01 + y * tm11 + tm31;
            w = x * tm02 + y * tm12 + tm32;
        } else {
            const double z = vx.z;
            u = x * tm00 + y * tm10 + z * tm20 + tm30;
            v = x * tm01 + y * tm11 + z * tm21 + tm31;
            w = x * tm02 + y * tm12 + z * tm22 + tm32;
        }
        pt.u = u;
        pt.v = v;
        pt.w = w;
        uint32_t result;
        if (w < wclip) {
            result = (vis & ~PT_DIVIDE) | kBehind;
        } else {
            const uint32_t vertical = v < 0 ? PT_ABOVE : (v >= w * hgt ? PT_BELOW : 0u);
            if (u < 0)
                result = vis | vertical | PT_LEFT | kOutside;
            else if (u >= w * wid)
                result = vis | vertical | PT_RIGHT | kOutside;
            else if (vertical != 0)
                result = vis | vertical | kOutside;
            else
                result = vis | kInside;
        }
        pt.visible = result;
        return result;
    }
};

}  // namespace

void ClearProjectionStatusFlags(SCENE *Scene) {
    const int32_t numVerts = Scene->iScreenNumVerts;
    POINT3D *pt = Scene->PointList;
    for (int32_t i = 0; i < numVerts; ++i) pt[i].visible &= ~kStatusMask;
}

void LoadModelPointsIntoScene(SCENE *Scene, MODEL *Model) {
    const uint32_t theplan = Scene->SceneSettings & VIS_PLAN_MASK;
    const Projector proj(Scene->Perspective);
    const int32_t numVerts = Model->iNumVerts;
    Scene->iScreenNumVerts = numVerts;
    Scene->iScreenNumEdges = Model->iNumEdges;

    const VERTEX3D *vert = Model->VertexList;
    POINT3D *pt = Scene->PointList;
    for (int32_t i = 0; i < numVerts; ++i) {
        const uint32_t vis = vert[i].visible;
        if (vis & theplan)
            proj.Project(vert[i], pt[i], vis);
        else
            pt[i].visible = vis;  // out of the plan: status 0, old u, v, w kept
    }
}

namespace {

// One pass of the edge-driven loader, with its per-pass values.
struct VectorPass {
    const Projector proj;
    const VERTEX3D *vert;
    POINT3D *pt;
    EDGELIST *sedge;
    uint32_t theplan;
    uint32_t inactiveplan;
    uint32_t current;
    uint32_t activelycurrent;
    uint32_t activelyinvolved;

    void ByPlan(int32_t i) const {
        const uint32_t vis = pt[i].visible;
        if (!(vis & PT_TRANSFORMED) && (vis & theplan)) proj.Project(vert[i], pt[i], vis);
    }

    // An active edge never projects a vertex of the detail layer.
    void ByActive(int32_t i) const {
        const uint32_t vis = pt[i].visible;
        if (!(vis & PT_TRANSFORMED) && (vis & inactiveplan) && !(vis & PLAN_FINE))
            proj.Project(vert[i], pt[i], vis);
    }

    // A sentinel edge from a to b may be in view unless it is out of the
    // plan, wholly behind the near plane or wholly beyond one viewport edge.
    // Its endpoints in the plan are projected on the way.  A code is only
    // compared when both endpoints are in front and in the plan.
    bool SentinelMayBeSeen(int32_t a, int32_t b) const {
        uint32_t thisCode = 0, thatCode = 0, zcross = 0, zclip = 0;
        bool inplan = false;
        uint32_t vis = pt[a].visible;
        if (vis & theplan) {
            inplan = true;
            if (vis & PT_TRANSFORMED) {
                thisCode = vis & PT_OUTCODES;
                zcross = zclip = vis & PT_BEHIND;
            } else {
                vis = proj.Project(vert[a], pt[a], vis);
                zcross = zclip = vis & PT_BEHIND;
                if (!zclip) thisCode = vis & PT_OUTCODES;
            }
        }
        vis = pt[b].visible;
        if (vis & theplan) {
            if (vis & PT_TRANSFORMED) {
                thatCode = vis & PT_OUTCODES;
            } else {
                vis = proj.Project(vert[b], pt[b], vis);
                if (!(vis & PT_BEHIND)) thatCode = vis & PT_OUTCODES;
            }
            zcross ^= vis & PT_BEHIND;
            zclip &= vis & PT_BEHIND;
        } else {
            inplan = false;
        }
        return inplan && zclip == 0 && (zcross != 0 || (thisCode & thatCode) == 0);
    }

    // Marks the edges linked from act as involved in this pass; the flags
    // 0x4 and both links of the marked edge stay.
    void MarkLinks(uint32_t act) const {
        const uint32_t p = act >> ACT_LINK_P_SHIFT;
        const uint32_t q = (act & ACT_LINK_Q_MASK) >> ACT_LINK_Q_SHIFT;
        if (p != 0) sedge[p].act = (sedge[p].act & kKeepLinksAndConstantly) | activelyinvolved;
        if (q != 0) sedge[q].act = (sedge[q].act & kKeepLinksAndConstantly) | activelyinvolved;
    }
};

// Flag nibble XOR the pass parity, as the edge-driven loader dispatches on.
enum EdgeKind : uint32_t {
    kPlain = 0x0,
    kPlainOtherParity = 0x1,
    kActive = 0x8,
    kActiveOtherParity = 0x9,
    kInvolvedNow = 0xA,
    kInvolvedBefore = 0xB,
    kConstantly = 0xC,
    kConstantlyOtherParity = 0xD,
};

}  // namespace

void LoadModelVectorsIntoScene(SCENE *Scene, MODEL *Model) {
    EDGELIST *sedge = Scene->EdgeList;
    const uint32_t theplan = Scene->SceneSettings & VIS_PLAN_MASK;
    const uint32_t current = (sedge[0].act & ACT_TOGGLE) ^ 1u;
    const VectorPass pass{Projector(Scene->Perspective),
                          Model->VertexList,
                          Scene->PointList,
                          sedge,
                          theplan,
                          theplan & kInactivePlanMask,
                          current,
                          current | ACT_ACTIVE,
                          current | kActInvolved};

    const int32_t numEdges = Model->iNumEdges;
    Scene->iScreenNumVerts = Model->iNumVerts;
    Scene->iScreenNumEdges = numEdges;
    ClearProjectionStatusFlags(Scene);

    const EDGELIST *medge = Model->EdgeList;
    for (int32_t i = 0; i < numEdges; ++i) {
        const int32_t a = medge[i].a;
        const int32_t b = medge[i].b;
        const uint32_t act = sedge[i].act;
        switch ((act & ACT_FLAGS) ^ current) {
        case kPlain:
        case kPlainOtherParity:
            pass.ByPlan(a);
            pass.ByPlan(b);
            break;
        case kActive:
        case kActiveOtherParity:
            pass.ByActive(a);
            pass.ByActive(b);
            break;
        case kInvolvedNow:
            pass.ByPlan(a);
            pass.ByPlan(b);
            pass.MarkLinks(act);
            break;
        case kInvolvedBefore:
            // No edge marked it this pass: it falls back to active.
            pass.ByActive(a);
            pass.ByActive(b);
            sedge[i].act = (act & ~ACT_FLAGS) | pass.activelycurrent;
            break;
        case kConstantly:
        case kConstantlyOtherParity:
            if (pass.SentinelMayBeSeen(a, b)) pass.MarkLinks(act);
            break;
        default:
            // No builder makes these nibbles (a marked constantly edge would
            // be 0xE): such an edge is skipped.
            break;
        }
    }

    // The toggle of edge 0 carries the frame parity into the next pass.
    if (numEdges > 0 && (sedge[0].act & ACT_TOGGLE) != current)
        sedge[0].act = (sedge[0].act & ~ACT_FLAGS) | current;
}
