// model.h - the polygon model store's and scene store's internal calls, and
// the module-wide model pointer.  The exported calls are in quelm.h.
#ifndef QUELM_MODEL_MODEL_H
#define QUELM_MODEL_MODEL_H

#include "quelm.h"

// The one shared model, which every model-store call works on; null while
// no scene exists.  InitScene creates it and the last DestroyScene discards it.
extern "C" MODEL *Model;

// Edge action setters used by the stadium builder: a negative p or q keeps
// that link, 0 clears it, any other value sets it.
void PolygonModelSetSurfaceAction(int32_t polynum, int32_t action, int32_t p, int32_t q);
void PolygonModelSetEdgeAction(int32_t edgenum, int32_t action, int32_t p, int32_t q);
void PolygonModelSetDefaultAction(int32_t action);

// Surface iteration shared by the model and scene stores: the next (or
// previous) of the count polygons whose visible word has VIS_DRAW, its numv
// as result, 0 past the end (the cursor then rests at count) or before the
// start (the cursor rests at 0).
int32_t SurfaceWalkNext(const POLYGONLIST *list, int32_t count, int32_t *cursor);
int32_t SurfaceWalkPrevious(const POLYGONLIST *list, int32_t count, int32_t *cursor);

// Scene store internals.
void PolygonSceneChangePerspective(SCENE *Scene);
void PolygonSceneSamePerspective(SCENE *Scene);
void PolygonSceneScreenPoints(SCENE *Scene, sSPOINT *Points);
uint32_t PolygonSceneGetVisibility(SCENE *Scene);

// Floating-point forms of the plane geometry.
double Determinant(double a, double b, double c, double d);
void CrossProduct(POINT3D *v1, POINT3D *v2, POINT3D *v3);

#endif
