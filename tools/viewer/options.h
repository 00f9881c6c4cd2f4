// options.h - quelm-viewer's command line.
#ifndef QUELM_VIEWER_OPTIONS_H
#define QUELM_VIEWER_OPTIONS_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/quelm/scene_options.h"

namespace quelm_viewer {

// The largest --scale: beyond it the picture is a handful of pixels.
inline constexpr int MAX_SCALE = 8;
// Window sides; screen points are 16-bit, and a window must stay usable.
inline constexpr int MIN_SIDE = 64;
inline constexpr int MAX_SIDE = 8192;

struct ViewerOptions {
    int width = 1280;
    int height = 800;
    int scale = 1;                      // render at 1/scale of the window
    std::string palette_file;           // empty: the default palette
    double target_ms = 10.0;            // the frame time RenderRate aims at
    std::optional<double> simulate_ms;  // report this instead of the measured time
    bool adapt = true;                  // report frame times to RenderRate
    int32_t mode = 1;                   // the camera's starting mode (VIEW_DOLLY)
    int64_t frames = 0;                 // headless: frames to draw; 0 = until done
    std::string screenshot;             // written after the last frame
    std::string script;
    bool headless = false;              // --frames or --script without --window
    bool verbose = false;               // log dialog reports and screenshots
    uint8_t background = quelm_tool::GROUND_INDEX;  // undrawn pixels
    bool fullscreen = false;
    bool vsync = false;                 // present in step with the display
    // The shape the picture is shown in (its pixels then are not square),
    // as W:H; none: square pixels.
    int aspect_w = 0, aspect_h = 0;

    // A run that ends by itself, after its frames or its script.
    bool scripted() const { return frames > 0 || !script.empty(); }
};

// Returns false when --help or --version was asked for (and printed);
// throws quelm_tool::Failure with a one-line message on a bad command line.
bool parse_viewer_options(std::span<const std::string_view> args, ViewerOptions &options);

// The keys and the script language, as --help prints them.
extern const char *const VIEWER_HELP;

}  // namespace quelm_viewer

#endif
