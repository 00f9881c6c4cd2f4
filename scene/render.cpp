// RenderScene: one frame of one scene.  Brings the view and the scene's
// projected copy of the model up to date, then fills every drawable surface,
// in pool order and without any depth sort, through the rasteriser.
#include "gresk.h"
#include "model/model.h"
#include "quelm.h"

namespace {

constexpr int32_t kColourMask = 0xFF;  // material's low byte is the palette index

}  // namespace

extern "C" void QUELMAPI RenderScene(BITMAPINFO *pBMI, uint8_t *pBits, CAMERA *Camera,
                                     SCENE *Scene) {
    // A failed view (-1) goes to the projection as it is: it reprojects with
    // the matrices the scene already has.
    const int32_t changes = SetView(Camera, &Scene->Perspective);
    if (!PolygonModelFirstSurface()) return;
    AddModelToScene(Scene, Model, changes);

    // The clipper works in place and may leave more corners than it got.
    sSPOINT points[GRESK_MAX_POINTS];
    sFILLPOLY request{};
    const RECT &rect = Camera->RenderRect;
    for (int32_t numv = PolygonSceneFirstSurface(Scene); numv != 0;
         numv = PolygonSceneNextSurface(Scene)) {
        int32_t count = numv;
        PolygonSceneScreenPoints(Scene, points);
        request.pic = PolygonSceneGetMaterial(Scene) & kColourMask;
        if (PolygonSceneGetVisibility(Scene) & VIS_CLIP)
            ClipToRect(rect.left, rect.top, rect.right, rect.bottom, points, &count);
        FillConvexPoly(pBMI, pBits, points, count, GRESK_FILLPOLY, &request);
    }
}
