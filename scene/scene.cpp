// Scene lifecycle, the scene-settings word and frame-rate adaptation.
//
// The first live scene creates and builds the shared model; the last one to
// go discards it.
#include "scene/scene.h"

#include <cassert>

#include "model/model.h"
#include "quelm_globalmem.h"
#include "stadium/stadium.h"

extern "C" {
int32_t SceneryCount = 0;
}

namespace {

void DiscardModel() {
    PolygonModelDiscard();
    ReleaseQuelmSourceArt();
    GlobalFreeLocked(Model);
    Model = nullptr;
}

}  // namespace

// A scene whose record, model or pools cannot all be had is not handed out:
// everything allocated for it is released and the result is null.
extern "C" SCENE *QUELMAPI InitScene(void) {
    auto *scene = static_cast<SCENE *>(GlobalAllocLocked(sizeof(SCENE)));
    if (!scene) return nullptr;
    const bool firstScene = SceneryCount == 0;
    if (firstScene) {
        Model = static_cast<MODEL *>(GlobalAllocLocked(sizeof(MODEL)));
        if (!Model) {
            GlobalFreeLocked(scene);
            return nullptr;
        }
        MakeQuelm(Model);
    }
    SceneryCount += 1;
    if (!PolygonSceneInit(scene) || (firstScene && Model->iNumPolygons == 0)) {
        DestroyScene(scene);
        return nullptr;
    }
    return scene;
}

// Debug builds stop at a scene that is no live block of the heap, such as
// one destroyed before.
extern "C" void QUELMAPI DestroyScene(SCENE *Scene) {
    if (!Scene || SceneryCount == 0) return;
    assert(GlobalHandle(Scene) && "DestroyScene: not a live scene");
    PolygonSceneDiscard(Scene);
    GlobalFreeLocked(Scene);
    SceneryCount -= 1;
    if (SceneryCount == 0) DiscardModel();
}

extern "C" int32_t QUELMAPI GetSceneSetting(SCENE *Scene, int32_t SceneSetting) {
    return static_cast<int32_t>(Scene->SceneSettings & static_cast<uint32_t>(SceneSetting));
}

extern "C" void QUELMAPI SetSceneSetting(SCENE *Scene, int32_t SceneSetting) {
    Scene->SceneSettings |= static_cast<uint32_t>(SceneSetting);
}

extern "C" void QUELMAPI ResetSceneSetting(SCENE *Scene, int32_t SceneSetting) {
    Scene->SceneSettings &= ~static_cast<uint32_t>(SceneSetting);
}

// One step per call: slow frames first allow more rapid pans in a row, then
// give up the fine playing surface; fast frames undo that in reverse.  The
// flip tests only the bit being given up, and flips both.
extern "C" void QUELMAPI RenderRate(SCENE *Scene, int32_t Want, int32_t Took) {
    constexpr uint32_t kSurfaces = PLAN_FINE | PLAN_COARSE;
    if (Took > Want) {
        if (Scene->iRapidPansLimit < 2)
            Scene->iRapidPansLimit += 1;
        else if (Scene->SceneSettings & PLAN_FINE)
            Scene->SceneSettings ^= kSurfaces;
    } else if (Took < Want) {
        if (Scene->iRapidPansLimit != 0)
            Scene->iRapidPansLimit -= 1;
        else if (Scene->SceneSettings & PLAN_COARSE)
            Scene->SceneSettings ^= kSurfaces;
    }
}
