// frames.h - what the library did each frame, as a host can tell it from
// outside: SetView's change bits on copies of the camera and the scene's
// view state just before RenderScene, and the scene's rapid-pan tally
// before and after; and the frame times reported to RenderRate.
#ifndef QUELM_VIEWER_FRAMES_H
#define QUELM_VIEWER_FRAMES_H

#include <array>
#include <cstdint>
#include <optional>

#include <quelm/quelm.h>

namespace quelm_viewer {

enum class FrameWork : uint8_t {
    COMPLETE,   // the model was projected again (or registered, on the first frame)
    RAPID_PAN,  // last frame's screen points were shifted
    NOTHING,    // last frame's projection was kept
};

// registered: the scene had been drawn before (iScreenNumEdges not 0);
// changes: what SetView returns for the frame; tallies: iRapidPansTally
// before and after RenderScene.
FrameWork classify_frame(bool registered, int32_t changes, int32_t tally_before,
                         int32_t tally_after);

// What to look at just before RenderScene, and the verdict after it.
struct FrameProbe {
    bool registered = false;
    int32_t changes = 0;
    int32_t tally = 0;
};
FrameProbe probe_frame(const CAMERA &camera, const SCENE &scene);
FrameWork frame_outcome(const FrameProbe &before, const SCENE &scene);

// Counts of frames by kind, and the most recent ones for the panel's strip.
struct FrameLog {
    static constexpr size_t RECENT = 120;

    int64_t frames = 0, complete = 0, rapid_pans = 0, nothing = 0;
    std::array<FrameWork, RECENT> recent{};  // ring, oldest at `frames % RECENT`

    void add(FrameWork work);
};

// Frame-rate adaptation as the viewer does it: times in microseconds, the
// frame's measured work or a fixed simulated time.
struct Adaptation {
    bool on = true;
    double target_ms = 10;
    std::optional<double> simulate_ms;

    // The time reported for a frame whose work took measured_ms.
    double reported_ms(double measured_ms) const {
        return simulate_ms ? *simulate_ms : measured_ms;
    }
    // Calls RenderRate when on.
    void report(SCENE *scene, double measured_ms) const;
};

// The scene's surfaces drawn in its last frame, and how many of them the
// near plane cut (their outlines rewritten), read from the scene polygons'
// status words.
struct SurfaceCount {
    int32_t drawn = 0, cut = 0;
};
SurfaceCount count_surfaces(const SCENE &scene);

// Which playing surface the scene's plan holds: "fine", "coarse", "both" or
// "none".
const char *surface_name(const SCENE &scene);

}  // namespace quelm_viewer

#endif
