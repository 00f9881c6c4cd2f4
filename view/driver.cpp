// Projection driver: decides per frame between nothing, a rapid pan and a
// complete reprojection, and runs the stages of the one chosen; registers
// the model with a new scene.
//
// Reads:  the SetView change bits, iRapidPansTally/Limit, SceneSettings,
//         the model's pools (registration).
// Writes: the scene's counts, edges, surfaces and point plan words
//         (registration), the tally, ADXT/ADYT/ADZT.
#include "view/view.h"

extern "C" {
int32_t NOCLIPPING = 0;
}

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
        if (Scene->iRapidPansTally >= Scene->iRapidPansLimit || !RapidPan(Scene))
            CompleteReprojection(Scene, Model);
        return;
    default:
        CompleteReprojection(Scene, Model);
        return;
    }
}

void CompleteReprojection(SCENE *Scene, MODEL *Model) {
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

void RegisterModelWithScene(SCENE *Scene, MODEL *Model) {
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

void ResetActivationStatusToggles(SCENE *Scene) {
    const int32_t numEdges = Scene->iScreenNumEdges;
    EDGELIST *edge = Scene->EdgeList;
    for (int32_t i = 0; i < numEdges; ++i) edge[i].act &= ~ACT_TOGGLE;
}
