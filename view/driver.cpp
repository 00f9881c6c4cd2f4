// Projection driver: decides per frame between nothing, a rapid pan and a
// complete reprojection; registers the model with a new scene; divides the
// projected points into 16-bit screen points.
//
// Reads:  the SetView change bits, iRapidPansTally/Limit, SceneSettings,
//         the model's pools (registration), points' u, v, w and status.
// Writes: the scene's counts, edges, surfaces and point plan words
//         (registration), the tally, ADXT/ADYT/ADZT, screen points.
#include "view/screen.h"
#include "view/view.h"

using namespace quelm_view;

extern "C" {
int32_t NOCLIPPING = 0;
}

namespace {

constexpr uint32_t kDivideMask = PT_DIVIDE | PT_OUTSIDE | PT_TRANSFORMED;
constexpr uint32_t kDivideInside = PT_DIVIDE | PT_TRANSFORMED;                // 0x9
constexpr uint32_t kDivideOutside = PT_DIVIDE | PT_OUTSIDE | PT_TRANSFORMED;  // 0xB

}  // namespace

extern "C" void QUELMAPI AddModelToScene(SCENE *Scene, MODEL *Model, int32_t Delta) {
    if (Scene->iScreenNumEdges == 0) {
        RegisterModelWithScene(Scene, Model);
        CompleteReprojection(Scene, Model);
        return;
    }
    switch (static_cast<uint32_t>(Delta)) {
    case 0:
        // A still frame after rapid pans counts towards the limit, so the
        // exact picture comes back once the limit is reached.
        if (Scene->iRapidPansTally == 0) return;
        Scene->iRapidPansTally += 1;
        if (Scene->iRapidPansTally >= Scene->iRapidPansLimit) CompleteReprojection(Scene, Model);
        return;
    case VIEW_TARGET_MOVED:
        if (Scene->iRapidPansTally >= Scene->iRapidPansLimit)
            CompleteReprojection(Scene, Model);
        else
            RapidPan(Scene, Model);
        return;
    default:
        CompleteReprojection(Scene, Model);
        return;
    }
}

void QUELMAPI CompleteReprojection(SCENE *Scene, MODEL *Model) {
    Scene->iRapidPansTally = 0;
    VANTAGE &view = Scene->Perspective;
    view.ADZT = 0.0;
    view.ADYT = 0.0;
    view.ADXT = 0.0;
    if (Scene->SceneSettings & PLAN_FINE)
        LoadModelVectorsIntoScene(Scene, Model);
    else
        LoadModelPointsIntoScene(Scene, Model);
    PrepareVisibleSurfaces(Scene, Model);
    if (NOCLIPPING == 0) PerformZClipping(Scene, Model);
    PerspectiveDivide(Scene);
}

void QUELMAPI RegisterModelWithScene(SCENE *Scene, MODEL *Model) {
    const int32_t numVerts = Model->iNumVerts;
    const int32_t numEdges = Model->iNumEdges;
    const int32_t numPolygons = Model->iNumPolygons;
    Scene->iScreenNumVerts = numVerts;
    Scene->iScreenNumPolygons = numPolygons;
    Scene->iScreenNumEdges = numEdges;

    const EDGELIST *medge = Model->EdgeList;
    EDGELIST *sedge = Scene->EdgeList;
    for (int32_t i = 0; i < numEdges; ++i) sedge[i] = medge[i];

    // Only the plan word: u, v, w wait for the first transform.
    const VERTEX3D *vert = Model->VertexList;
    POINT3D *pt = Scene->PointList;
    for (int32_t i = 0; i < numVerts; ++i) pt[i].visible = vert[i].visible;

    const POLYGONLIST *mpoly = Model->PolygonList;
    POLYGONLIST *spoly = Scene->ScenePolygonList;
    for (int32_t i = 0; i < numPolygons; ++i) spoly[i] = mpoly[i];
}

void QUELMAPI ResetActivationStatusToggles(SCENE *Scene) {
    const int32_t numEdges = Scene->iScreenNumEdges;
    EDGELIST *edge = Scene->EdgeList;
    for (int32_t i = 0; i < numEdges; ++i) edge[i].act &= ~ACT_TOGGLE;
}

void QUELMAPI PerspectiveDivide(SCENE *Scene) {
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
