// Frame outcomes and frame-rate reports.
#include "tools/viewer/frames.h"

#include <algorithm>
#include <cmath>

#include "tools/viewer/camera_control.h"

namespace quelm_viewer {

FrameWork classify_frame(bool registered, int32_t changes, int32_t tally_before,
                         int32_t tally_after) {
    if (!registered) return FrameWork::COMPLETE;
    switch (changes) {
    case 0:
        // A still frame after rapid pans counts on, and reprojects once the
        // count reaches the limit, which resets it.
        if (tally_before == 0) return FrameWork::NOTHING;
        return tally_after == 0 ? FrameWork::COMPLETE : FrameWork::NOTHING;
    case VIEW_TARGET_MOVED:
        return tally_after == tally_before + 1 ? FrameWork::RAPID_PAN : FrameWork::COMPLETE;
    default:
        return FrameWork::COMPLETE;
    }
}

FrameProbe probe_frame(const CAMERA &camera, const SCENE &scene) {
    return {scene.iScreenNumEdges != 0, view_changes(camera, scene.Perspective),
            scene.iRapidPansTally};
}

FrameWork frame_outcome(const FrameProbe &before, const SCENE &scene) {
    return classify_frame(before.registered, before.changes, before.tally, scene.iRapidPansTally);
}

void FrameLog::add(FrameWork work) {
    recent[size_t(frames % int64_t(RECENT))] = work;
    ++frames;
    switch (work) {
    case FrameWork::COMPLETE: ++complete; break;
    case FrameWork::RAPID_PAN: ++rapid_pans; break;
    case FrameWork::NOTHING: ++nothing; break;
    }
}

namespace {

// Milliseconds to whole microseconds, within RenderRate's 32 bits.
int32_t microseconds(double ms) {
    return int32_t(std::clamp(std::round(ms * 1000.0), 0.0, 2147483647.0));
}

}  // namespace

void Adaptation::report(SCENE *scene, double measured_ms) const {
    if (on) RenderRate(scene, microseconds(target_ms), microseconds(reported_ms(measured_ms)));
}

SurfaceCount count_surfaces(const SCENE &scene) {
    SurfaceCount count;
    for (int32_t i = 0; i < scene.iScreenNumPolygons; ++i) {
        const uint32_t visible = scene.ScenePolygonList[i].visible;
        if (!(visible & VIS_DRAW)) continue;
        ++count.drawn;
        // A surface the near plane cut has its outline rewritten.
        if (visible & VIS_REWRITTEN) ++count.cut;
    }
    return count;
}

const char *surface_name(const SCENE &scene) {
    const bool fine = scene.SceneSettings & PLAN_FINE, coarse = scene.SceneSettings & PLAN_COARSE;
    if (fine && coarse) return "both";
    if (fine) return "fine";
    return coarse ? "coarse" : "none";
}

}  // namespace quelm_viewer
