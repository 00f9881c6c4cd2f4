// Camera records and their modes: idle, dolly and spin.
//
// The controller keeps Control non-null exactly while a camera spins: the
// spin record is made on entering spin mode and freed on leaving it.
#include "camera/camera.h"

#include <cassert>

#include "quelm_globalmem.h"

namespace {

void ReleaseSpinRecord(CAMERA *Camera) {
    GlobalFreeLocked(Camera->Control);
    Camera->Control = nullptr;
}

}  // namespace

// A host that asks for mode 0 gets a spinning camera.  Should the spin record
// not be had, the camera comes back idle.
extern "C" CAMERA *QUELMAPI InitCamera(int32_t View) {
    auto *camera = static_cast<CAMERA *>(GlobalAllocLocked(sizeof(CAMERA)));
    if (!camera) return nullptr;
    camera->Control = nullptr;
    camera->View = VIEW_IDLE;
    ChangeCamera(camera, View == VIEW_IDLE ? VIEW_SPIN : View);
    return camera;
}

// Debug builds stop at a camera that is no live block of the heap, such as
// one destroyed before.
extern "C" void QUELMAPI DestroyCamera(CAMERA *Camera) {
    assert(GlobalHandle(Camera) && "DestroyCamera: not a live camera");
    if (Camera->View == VIEW_SPIN) ReleaseSpinRecord(Camera);
    GlobalFreeLocked(Camera);
}

// Unknown modes, current or requested, change nothing.
extern "C" void QUELMAPI ChangeCamera(CAMERA *Camera, int32_t NewView) {
    const int32_t current = Camera->View;
    const bool known = current == VIEW_IDLE || current == VIEW_DOLLY || current == VIEW_SPIN;
    if (!known || NewView == current) return;
    switch (NewView) {
    case VIEW_IDLE:
    case VIEW_DOLLY:
        if (current == VIEW_SPIN) ReleaseSpinRecord(Camera);
        Camera->View = NewView;
        break;
    case VIEW_SPIN:
        InitSpinDemoView(Camera);
        break;
    default:
        break;
    }
}

// The arguments after the camera are accepted and ignored.
extern "C" void QUELMCDECL UpdateCamera(CAMERA *Camera, ...) { UpdateCameraTime(Camera); }

// No clock is read: a spin advances one step per call.
extern "C" void QUELMAPI UpdateCameraTime(CAMERA *Camera) {
    if (Camera->View == VIEW_SPIN) MakeSpinDemoView(Camera);
}

extern "C" const char *QUELMAPI CameraTerm(CAMERA *Camera) {
    constexpr const char *kTerms[] = {"idle", "dolly", "spin"};
    const int32_t view = Camera->View;
    return (view >= VIEW_IDLE && view <= VIEW_SPIN) ? kTerms[view] : "-undefined-";
}
