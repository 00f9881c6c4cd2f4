// The scene polygon store: a scene's four pools, their set-up and release,
// and the walk over the surfaces the last projection marked for drawing.
//
// The projection fills the pools; these calls only read them.  Queries whose
// cursor or position names no vertex of a current surface answer 0.
#include "model/model.h"
#include "quelm_globalmem.h"

namespace {

const POLYGONLIST *CurrentSurface(const SCENE *Scene) {
    const int32_t k = Scene->iCurrentSurface;
    return (k >= 0 && k < Scene->iScreenNumPolygons) ? &Scene->ScenePolygonList[k] : nullptr;
}

// The point index at position iMag of the current surface, or -1.
int32_t SurfacePoint(const SCENE *Scene, int32_t iMag) {
    const POLYGONLIST *surface = CurrentSurface(Scene);
    if (!surface || iMag < 0 || iMag >= surface->numv) return -1;
    const int32_t point = surface->v[iMag];
    return (point >= 0 && point < QUELM_MAX_VERTICES) ? point : -1;
}

}  // namespace

extern "C" int32_t QUELMAPI PolygonSceneInit(SCENE *Scene) {
    Scene->PointList =
        static_cast<POINT3D *>(GlobalAllocLocked(sizeof(POINT3D) * QUELM_MAX_VERTICES));
    Scene->ScreenPointList =
        static_cast<sSPOINT *>(GlobalAllocLocked(sizeof(sSPOINT) * QUELM_MAX_VERTICES));
    Scene->EdgeList =
        static_cast<EDGELIST *>(GlobalAllocLocked(sizeof(EDGELIST) * QUELM_MAX_EDGES));
    Scene->ScenePolygonList =
        static_cast<POLYGONLIST *>(GlobalAllocLocked(sizeof(POLYGONLIST) * QUELM_MAX_POLYGONS));
    Scene->SceneSettings = SCENE_SETTINGS_INITIAL;
    Scene->iRapidPansLimit = 0;
    PolygonSceneClear(Scene);
    // Unregistered: the first frame copies the model in.
    Scene->iScreenNumEdges = 0;
    return Scene->PointList && Scene->ScreenPointList && Scene->EdgeList &&
           Scene->ScenePolygonList;
}

extern "C" void QUELMAPI PolygonSceneDiscard(SCENE *Scene) {
    GlobalFreeLocked(Scene->PointList);
    GlobalFreeLocked(Scene->ScreenPointList);
    GlobalFreeLocked(Scene->EdgeList);
    GlobalFreeLocked(Scene->ScenePolygonList);
    Scene->PointList = nullptr;
    Scene->ScreenPointList = nullptr;
    Scene->EdgeList = nullptr;
    Scene->ScenePolygonList = nullptr;
}

// Keeps iScreenNumEdges, so clearing does not bring about a new registration.
extern "C" void QUELMAPI PolygonSceneClear(SCENE *Scene) {
    Scene->iRapidPansTally = 0;
    Scene->iCurrentSurface = 0;
    Scene->iCurrentLine = 0;
    Scene->iScreenNumPolygons = 0;
    Scene->iScreenNumVerts = 0;
}

void PolygonSceneChangePerspective(SCENE *) {}

void PolygonSceneSamePerspective(SCENE *) {}

extern "C" int32_t QUELMAPI PolygonSceneFirstSurface(SCENE *Scene) {
    Scene->iCurrentSurface = -1;
    return PolygonSceneNextSurface(Scene);
}

extern "C" int32_t QUELMAPI PolygonSceneNextSurface(SCENE *Scene) {
    return SurfaceWalkNext(Scene->ScenePolygonList, Scene->iScreenNumPolygons,
                           &Scene->iCurrentSurface);
}

extern "C" int32_t QUELMAPI PolygonScenePreviousSurface(SCENE *Scene) {
    return SurfaceWalkPrevious(Scene->ScenePolygonList, Scene->iScreenNumPolygons,
                               &Scene->iCurrentSurface);
}

extern "C" int32_t QUELMAPI PolygonSceneCurrentSurface(SCENE *Scene) {
    return Scene->iCurrentSurface;
}

extern "C" int32_t QUELMAPI PolygonSceneSurface(SCENE *Scene) {
    const POLYGONLIST *surface = CurrentSurface(Scene);
    return surface ? surface->numv : 0;
}

extern "C" uint32_t QUELMAPI PolygonSceneScreenPoint(SCENE *Scene, int32_t iMag, sSPOINT *Point) {
    const int32_t point = SurfacePoint(Scene, iMag);
    if (point < 0) return 0;
    *Point = Scene->ScreenPointList[point];
    return Scene->PointList[point].visible;
}

extern "C" uint32_t QUELMAPI PolygonScenePoint(SCENE *Scene, int32_t iMag, POINT3D *Point) {
    const int32_t point = SurfacePoint(Scene, iMag);
    if (point < 0) return 0;
    *Point = Scene->PointList[point];
    return Point->visible;
}

void PolygonSceneScreenPoints(SCENE *Scene, sSPOINT *Points) {
    const POLYGONLIST *surface = CurrentSurface(Scene);
    if (!surface) return;
    for (int32_t i = 0; i < surface->numv; ++i) {
        const int32_t point = SurfacePoint(Scene, i);
        if (point >= 0) Points[i] = Scene->ScreenPointList[point];
    }
}

extern "C" int32_t QUELMAPI PolygonSceneGetMaterial(SCENE *Scene) {
    const POLYGONLIST *surface = CurrentSurface(Scene);
    return surface ? surface->material : 0;
}

uint32_t PolygonSceneGetVisibility(SCENE *Scene) {
    const POLYGONLIST *surface = CurrentSurface(Scene);
    return surface ? surface->visible : 0;
}
