// quelm-viewer's command line.
#include "tools/viewer/options.h"

#include <cstdio>
#include <functional>
#include <string>

#include "tools/quelm/cli.h"
#include "tools/viewer/compose.h"
#include "tools/viewer/script.h"

namespace quelm_viewer {

using quelm_tool::usage_error;

const char *const VIEWER_HELP =
    "Keys and mouse (the window):\n"
    "  1 2 3            camera mode idle, dolly, spin (its name shows in the panel)\n"
    "  left drag        dolly: orbit the camera around the target\n"
    "  right drag       dolly: turn the camera (the target moves alone)\n"
    "  wheel, + -       magnification\n"
    "  arrows, W A S D  dolly: turn (the target moves alone: rapid pans)\n"
    "  shift+arrows     dolly: walk camera and target across the field\n"
    "  R F, PgUp PgDn   dolly: raise, lower camera and target together\n"
    "  Q E              dolly: move the camera towards, away from the target\n"
    "  Home             back to the starting view\n"
    "  space            pause the spin\n"
    "  C                coordinate dialog (Control View)\n"
    "  P                spin dialog (Spin Demo View; switches to the spin camera)\n"
    "  T                frame-rate adaptation on or off\n"
    "  [ ]              halve, double the target frame time\n"
    "  F5 F6            medium, far marks (plan bits 0x2000, 0x4000)\n"
    "  F7 F8            fine, coarse playing surface (0x8000, 0x10000); switching\n"
    "                   off the only one shown switches to the other\n"
    "  B                ball and players on or off\n"
    "  H                panel on or off;  F1 this list in the window\n"
    "  F11              full screen on or off\n"
    "  F12              screenshot (quelm-viewer-N.png, or the --screenshot file)\n"
    "  Esc              quit (in a dialog: Cancel; Return: OK)\n";

namespace {

using quelm_tool::Option;

void print_help(std::span<const Option> options) {
    std::printf(
        "usage: quelm-viewer [options]\n"
        "Shows the quelm stadium in a window, drawn by the library frame by frame.\n\n"
        "options:\n");
    for (const Option &option : options) {
        std::string head = std::string("  --") + option.name;
        if (option.meta) head += std::string(" ") + option.meta;
        quelm_tool::print_option_help(head, option.help, 23);
    }
    std::printf(
        "  --version             show the version\n"
        "  --help                show this help\n\n"
        "With --frames or --script the viewer runs headless (SDL's dummy video driver\n"
        "unless SDL_VIDEODRIVER names another) and prints, when it ends:\n"
        "  summary: frames=N complete=N rapid-pans=N no-work=N pan-limit=N surface=S mode=M\n"
        "  camera: vd=D target=X,Y,Z eye=X,Y,Z bank=B magnification=M\n\n"
        "%s\n%s",
        VIEWER_HELP, SCRIPT_HELP);
}

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

}  // namespace

bool parse_viewer_options(std::span<const std::string_view> args, ViewerOptions &o) {
    bool window = false;
    const Option options[] = {
        {"size", "WxH", "window size (1280x800)",
         [&](std::string_view v) {
             const quelm_tool::Size size = quelm_tool::parse_size(v);
             if (size.width < MIN_SIDE || size.height < MIN_SIDE || size.width > MAX_SIDE ||
                 size.height > MAX_SIDE)
                 usage_error(std::string(v) + ": each side must be " + std::to_string(MIN_SIDE) +
                             " to " + std::to_string(MAX_SIDE));
             o.width = size.width;
             o.height = size.height;
         }},
        {"scale", "N", "draw at 1/N of the window, enlarged without smoothing (1)",
         [&](std::string_view v) { o.scale = quelm_tool::parse_int(v, 1, MAX_SCALE); }},
        {"palette", "FILE", "colours: a BMP's colour table, a JASC-PAL or a GIMP palette",
         [&](std::string_view v) { o.palette_file = std::string(v); }},
        {"mode", "MODE", "starting camera: idle, dolly or spin (dolly)",
         [&](std::string_view v) {
             if (v == "idle") o.mode = 0;
             else if (v == "dolly") o.mode = 1;
             else if (v == "spin") o.mode = 2;
             else usage_error(quoted(v) + " is not idle, dolly or spin");
         }},
        {"target-ms", "MS", "the frame time RenderRate aims at (10)",
         [&](std::string_view v) { o.target_ms = quelm_tool::parse_double(v, 0.01, 10000); }},
        {"simulate-ms", "MS", "report this frame time to RenderRate, not the measured one",
         [&](std::string_view v) { o.simulate_ms = quelm_tool::parse_double(v, 0, 10000); }},
        {"no-adapt", nullptr, "start with frame-rate adaptation off (T turns it on)",
         [&](std::string_view) { o.adapt = false; }},
        {"frames", "N", "headless: draw N frames, then stop",
         [&](std::string_view v) { o.frames = quelm_tool::parse_int(v, 1, 100000000); }},
        {"script", "FILE", "headless: play the script (below), then stop",
         [&](std::string_view v) { o.script = std::string(v); }},
        {"screenshot", "FILE", "F12 writes here; --frames, --script: the last frame too",
         [&](std::string_view v) {
             if (!is_png_name(v))
                 usage_error("screenshots are PNG: " + quoted(v) + " names another format");
             o.screenshot = std::string(v);
         }},
        {"background", "N",
         "palette index of the pixels nothing is drawn on (36, the ground's colour: the "
         "library leaves undrawn what the near plane cuts away)",
         [&](std::string_view v) { o.background = uint8_t(quelm_tool::parse_int(v, 0, 255)); }},
        {"fullscreen", nullptr, "start full screen (F11 switches)",
         [&](std::string_view) { o.fullscreen = true; }},
        {"vsync", nullptr, "show each frame in step with the display's refresh",
         [&](std::string_view) { o.vsync = true; }},
        {"aspect", "W:H",
         "show the picture in this shape, centred (4:3 shows 320x200 on the tall pixels "
         "of old displays); default: square pixels",
         [&](std::string_view v) {
             const size_t colon = v.find(':');
             if (colon == std::string_view::npos) usage_error(quoted(v) + " is not W:H");
             o.aspect_w = quelm_tool::parse_int(v.substr(0, colon), 1, 100);
             o.aspect_h = quelm_tool::parse_int(v.substr(colon + 1), 1, 100);
         }},
        {"window", nullptr, "show the window also with --frames or --script",
         [&](std::string_view) { window = true; }},
        {"verbose", nullptr, "log dialogs, their reports and screenshots",
         [&](std::string_view) { o.verbose = true; }},
    };
    const auto ends = [&](std::string_view arg) {
        if (arg == "--help" || arg == "-h") {
            print_help(options);
            return true;
        }
        if (arg == "--version") {
            std::printf("quelm-viewer %s\n", QUELM_VERSION);
            return true;
        }
        return false;
    };
    const bool run = quelm_tool::apply_options(args, options, "quelm-viewer", ends);
    if (!run) return false;
    o.headless = o.scripted() && !window;
    return true;
}

}  // namespace quelm_viewer
