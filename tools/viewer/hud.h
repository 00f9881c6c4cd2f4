// hud.h - the viewer's panel: what the camera is, how fast frames come, what
// the library did with them, how it has adapted, and the scene's plan; and
// the key list that F1 shows.
#ifndef QUELM_VIEWER_HUD_H
#define QUELM_VIEWER_HUD_H

#include <cstdint>
#include <string>

#include "tools/viewer/canvas.h"
#include "tools/viewer/frames.h"

namespace quelm_viewer {

struct HudInfo {
    const char *mode = "";        // CameraTerm
    bool spin_paused = false;
    double fps = 0;
    double work_ms = 0;           // the last frame's work, measured
    const Adaptation *adaptation = nullptr;
    const FrameLog *log = nullptr;
    int32_t pan_limit = 0, pan_tally = 0;
    uint32_t settings = 0;        // SceneSettings
    const char *surface = "";
    int render_width = 0, render_height = 0, scale = 1;
    SurfaceCount surfaces;
    bool view_refused = false;    // the last good view is shown instead
};

// The colour each kind of frame is shown in.
Colour work_colour(FrameWork work);

// The panel at the top left; returns its height.
int draw_hud(Canvas &canvas, const HudInfo &info, int text_scale);
// A line of text centred near the bottom, for passing news.
void draw_toast(Canvas &canvas, const std::string &text, int text_scale);
// The key list over the whole window.
void draw_key_help(Canvas &canvas, int text_scale);

}  // namespace quelm_viewer

#endif
