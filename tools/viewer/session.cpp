// A viewer session: the host side of the library, frame after frame.
#include "tools/viewer/session.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <quelm/quelm.h>
#include <quelm/quelm_dialoghost.h>
#include "tools/quelm/cli.h"
#include "tools/quelm/frame.h"
#include "tools/quelm/image.h"
#include "tools/quelm/scene_options.h"
#include "tools/viewer/camera_control.h"
#include "tools/viewer/compose.h"
#include "tools/viewer/dialog_view.h"
#include "tools/viewer/frames.h"
#include "tools/viewer/hud.h"
#include "tools/viewer/script.h"
#include "tools/viewer/sprites.h"

namespace quelm_viewer {

namespace {

using quelm_tool::failed;

// A headless frame lasts this long on the session's clock, so that held
// buttons repeat and news fades the same way on every run.
constexpr double kHeadlessFrameMs = 1000.0 / 60;
// Interactive sessions draw at most this many frames a second.
constexpr double kFrameCapMs = 1000.0 / 60;
constexpr double kToastMs = 2500;

// Per-frame motion of held keys, as fractions of the camera's distance.
constexpr double kTurnRate = 0.012, kWalkRate = 0.012, kMoveInRate = 0.98, kZoomRate = 1.02;
constexpr double kOrbitPerPixel = 0.006;  // radians
constexpr double kWheelZoom = 1.1;

// A new spin turns half a degree a frame and frames about this much.
constexpr int32_t kSpinStep = 5;
constexpr double kSpinSpan = 4000;

enum class Pending { NONE, COORDINATES, SPIN };

struct Session {
    const ViewerOptions &options;
    std::optional<Script> script;
    quelm_tool::Palette palette{};
    Lookup lookup{};

    SDL_Window *window = nullptr;
    SDL_Renderer *renderer = nullptr;  // --vsync: frames go through a texture
    SDL_Texture *texture = nullptr;
    Canvas canvas;
    quelm_tool::HostBitmap picture;
    quelm_tool::ScenePtr scene;
    quelm_tool::CameraPtr camera;
    CAMERA last_good{};
    bool view_refused = false;

    Adaptation adaptation;
    FrameLog log;
    std::vector<PlacedMarker> placed;
    bool markers = true;
    SurfaceCount surfaces;

    DialogView dialog;
    DialogActions actions;  // the user's moves the dialog has yet to take
    Pending pending = Pending::NONE;

    std::map<SDL_Keycode, uint16_t> held;  // keys down, with their modifiers
    bool orbiting = false, turning = false;
    Point press;    // where the last scripted button press happened
    Point pointer;  // where the pointer is

    bool hud = true, key_help = false, spin_paused = false;
    std::string toast;
    double toast_until = 0;

    int64_t frame = 0;
    size_t next_event = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double last_frame_ms = 0, fps = 0, work_ms = 0;
    std::vector<std::string> screenshots;  // to write after this frame
    int screenshot_count = 0;

    bool quit = false;
    std::optional<std::string> error;  // ends the session with status 1

    explicit Session(const ViewerOptions &o) : options(o) {}
};

// ------------------------------------------------------------------ time

double real_ms(const Session &s) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - s.start)
        .count();
}

double now_ms(const Session &s) {
    return s.options.headless ? double(s.frame) * kHeadlessFrameMs : real_ms(s);
}

void say(Session &s, std::string text) {
    if (s.options.verbose) std::printf("note: %s\n", text.c_str());
    s.toast = std::move(text);
    s.toast_until = now_ms(s) + kToastMs;
}

void fail_session(Session &s, std::string what) {
    if (!s.error) s.error = std::move(what);
    s.quit = true;
}

// --------------------------------------------------------------- cameras

bool is_dolly(const Session &s) { return s.camera->View == VIEW_DOLLY; }

SPINDEMO_VIEW *spin_record(const Session &s) {
    return s.camera->View == VIEW_SPIN ? static_cast<SPINDEMO_VIEW *>(s.camera->Control) : nullptr;
}

// The picture covers the window; its last pixels may be cut by the edge.
int render_width(const Session &s) {
    return std::max((s.canvas.width + s.options.scale - 1) / s.options.scale, 1);
}
int render_height(const Session &s) {
    return std::max((s.canvas.height + s.options.scale - 1) / s.options.scale, 1);
}

// The host keeps ViewDistance as the distance its own moves leave.
void keep_distance(Session &s) { s.camera->ViewDistance = std::trunc(camera_distance(*s.camera)); }

void to_mode(Session &s, int32_t mode) {
    const bool fresh_spin = mode == VIEW_SPIN && s.camera->View != VIEW_SPIN;
    ChangeCamera(s.camera.get(), mode);
    if (fresh_spin) {
        // The demonstration stands still at a fixed magnification until
        // tuned; the viewer starts it turning, framed for its picture.
        if (SPINDEMO_VIEW *spin = spin_record(s)) {
            spin->CameraStep = kSpinStep;
            spin->Magnification =
                std::clamp(render_width(s) / kSpinSpan, MIN_MAGNIFICATION, MAX_MAGNIFICATION);
        }
    }
    say(s, std::string("camera: ") + CameraTerm(s.camera.get()));
}

void home(Session &s) {
    if (!is_dolly(s)) ChangeCamera(s.camera.get(), VIEW_DOLLY);
    place_start_view(*s.camera, render_width(s), render_height(s));
    say(s, "back to the starting view");
}

// Keeps the magnification where SetView can use it: above 0, and no larger
// than the picture's sides, so that at least one world unit shows.
void clamp_magnification(Session &s, CAMERA &c) {
    const double most =
        std::min({MAX_MAGNIFICATION, double(render_width(s)), double(render_height(s))});
    if (!(c.Magnification >= MIN_MAGNIFICATION)) c.Magnification = MIN_MAGNIFICATION;
    c.Magnification = std::min(c.Magnification, most);
}

// ---------------------------------------------------------------- dialogs

HWND host_window(Session &s) { return reinterpret_cast<HWND>(&s); }

void dialog_show(void *context, HWND hDlg) {
    Session &s = *static_cast<Session *>(context);
    show_dialog(s.dialog, hDlg, s.canvas.width, s.canvas.height);
    if (s.options.verbose) {
        char caption[64] = {};
        GetWindowTextA(hDlg, caption, int(sizeof caption));
        std::printf("dialog: %s\n", caption);
    }
}

void dialog_hide(void *context, HWND) {
    Session &s = *static_cast<Session *>(context);
    hide_dialog(s.dialog);
}

void frame_once(Session &s);

void dialog_next(void *context, HWND, QUELM_DIALOG_ACTION *action) {
    Session &s = *static_cast<Session *>(context);
    // The picture goes on while the dialog waits for the user.
    while (s.actions.empty() && !s.quit) frame_once(s);
    if (s.actions.empty()) {
        action->kind = QUELM_ACTION_CLOSE;
        return;
    }
    *action = s.actions.front();
    s.actions.erase(s.actions.begin());
}

// The dialogs' reports, answered live as a host should.
void dialog_posted(void *context, const QUELM_POSTED_MESSAGE *m) {
    Session &s = *static_cast<Session *>(context);
    if (m->hwnd != host_window(s) || m->message != WM_COMMAND) return;
    const int id = int(m->wParam);
    const int value = int16_t(uint16_t(m->lParam));
    if (id >= 101 && id <= 109) {
        ViewChanged(s.camera.get());
        if (!(s.camera->Magnification > 0)) say(s, "no view at magnification 0: using 0.001");
    } else if (id >= 201 && id <= 208 && s.camera->View == VIEW_SPIN) {
        SpinDemoChanged(s.camera.get());
        UpdateCamera(s.camera.get());
    } else {
        return;
    }
    clamp_magnification(s, *s.camera);
    if (s.options.verbose) std::printf("report: %d %d\n", id, value);
}

void open_dialog(Session &s) {
    const Pending which = s.pending;
    s.pending = Pending::NONE;
    int32_t result = 0;
    if (which == Pending::COORDINATES) {
        ChangeView(s.camera.get());
        result = DoCoordinateSystemDlg(host_window(s));
    } else {
        if (s.camera->View != VIEW_SPIN) to_mode(s, VIEW_SPIN);
        ChangeSpinDemo(s.camera.get());
        result = DoSpinDemoFeaturesDlg(host_window(s));
    }
    s.actions.clear();
    if (s.options.verbose)
        std::printf("dialog closed: %s\n", result == 1 ? "OK" : result == 0 ? "Cancel" : "failed");
    if (result == -1 && !s.quit) say(s, "the dialog could not be opened");
}

// -------------------------------------------------------------- the input

bool shift_held(const Session &s, uint16_t mods) {
    return (mods & KMOD_SHIFT) || s.held.contains(SDLK_LSHIFT) || s.held.contains(SDLK_RSHIFT);
}

void screenshot_request(Session &s) {
    if (!s.options.screenshot.empty()) {
        s.screenshots.push_back(s.options.screenshot);
        return;
    }
    char name[32];
    do {
        std::snprintf(name, sizeof name, "quelm-viewer-%03d.png", ++s.screenshot_count);
    } while (std::filesystem::exists(name));
    s.screenshots.push_back(name);
}

void toggle_plan(Session &s, uint32_t bit, const char *what) {
    SCENE *scene = s.scene.get();
    const bool on = GetSceneSetting(scene, int32_t(bit)) != 0;
    if (on) ResetSceneSetting(scene, int32_t(bit));
    else SetSceneSetting(scene, int32_t(bit));
    std::string news = std::string(what) + (on ? " off" : " on");
    // One playing surface always shows: without both the field is black.
    const uint32_t other = bit == PLAN_FINE ? PLAN_COARSE : PLAN_FINE;
    if (on && (bit == PLAN_FINE || bit == PLAN_COARSE) && !GetSceneSetting(scene, int32_t(other))) {
        SetSceneSetting(scene, int32_t(other));
        news += other == PLAN_FINE ? ", fine playing surface on" : ", coarse playing surface on";
    }
    if ((bit == PLAN_FINE || bit == PLAN_COARSE) && s.adaptation.on)
        news += " (RenderRate may swap it back: T stops adapting)";
    say(s, news);
}

// Keys that work whatever the camera, also while a dialog is up.
bool display_key(Session &s, SDL_Keycode key) {
    switch (key) {
    case SDLK_h: s.hud = !s.hud; return true;
    case SDLK_F1: s.key_help = !s.key_help; return true;
    case SDLK_F12:
    case SDLK_PRINTSCREEN: screenshot_request(s); return true;
    case SDLK_b: s.markers = !s.markers; return true;
    case SDLK_SPACE:
        s.spin_paused = !s.spin_paused;
        say(s, s.spin_paused ? "spin paused" : "spin goes on");
        return true;
    case SDLK_t:
        s.adaptation.on = !s.adaptation.on;
        say(s, s.adaptation.on ? "frame-rate adaptation on" : "frame-rate adaptation off");
        return true;
    case SDLK_LEFTBRACKET:
    case SDLK_RIGHTBRACKET: {
        const double factor = key == SDLK_LEFTBRACKET ? 0.5 : 2.0;
        s.adaptation.target_ms = std::clamp(s.adaptation.target_ms * factor, 0.05, 1000.0);
        char text[48];
        std::snprintf(text, sizeof text, "target frame time %.2f ms", s.adaptation.target_ms);
        say(s, text);
        return true;
    }
    case SDLK_F5: toggle_plan(s, PLAN_MEDIUM, "medium marks"); return true;
    case SDLK_F6: toggle_plan(s, PLAN_FAR, "far marks"); return true;
    case SDLK_F7: toggle_plan(s, PLAN_FINE, "fine playing surface"); return true;
    case SDLK_F8: toggle_plan(s, PLAN_COARSE, "coarse playing surface"); return true;
    case SDLK_F11:
        SDL_SetWindowFullscreen(s.window, (SDL_GetWindowFlags(s.window) & SDL_WINDOW_FULLSCREEN)
                                              ? 0
                                              : SDL_WINDOW_FULLSCREEN_DESKTOP);
        return true;
    default: return false;
    }
}

void push_action(Session &s, int kind) {
    QUELM_DIALOG_ACTION a{};
    a.kind = kind;
    s.actions.push_back(a);
}

void key_down(Session &s, const SDL_KeyboardEvent &e) {
    const SDL_Keycode key = e.keysym.sym;
    s.held[key] = e.keysym.mod;
    if (e.repeat) return;
    if (display_key(s, key)) return;
    if (key == SDLK_ESCAPE && s.key_help) {
        s.key_help = false;
        return;
    }
    if (s.dialog.dialog) {
        if (key == SDLK_ESCAPE) push_action(s, QUELM_ACTION_CANCEL);
        if (key == SDLK_RETURN || key == SDLK_KP_ENTER) push_action(s, QUELM_ACTION_OK);
        // Asked for while one is closing: opens when it has closed.
        if (key == SDLK_c) s.pending = Pending::COORDINATES;
        if (key == SDLK_p) s.pending = Pending::SPIN;
        return;
    }
    switch (key) {
    case SDLK_ESCAPE: s.quit = true; break;
    case SDLK_1: to_mode(s, VIEW_IDLE); break;
    case SDLK_2: to_mode(s, VIEW_DOLLY); break;
    case SDLK_3: to_mode(s, VIEW_SPIN); break;
    case SDLK_HOME: home(s); break;
    case SDLK_c: s.pending = Pending::COORDINATES; break;
    case SDLK_p: s.pending = Pending::SPIN; break;
    default: break;
    }
}

// A move that needs the dolly camera explains itself in the other modes.
bool can_move(Session &s) {
    if (is_dolly(s)) return true;
    say(s, s.camera->View == VIEW_SPIN ? "the spin camera moves by itself: 2 for dolly"
                                       : "the idle camera stays put: 2 for dolly");
    return false;
}

void mouse_down(Session &s, const SDL_MouseButtonEvent &e) {
    s.pointer = {e.x, e.y};
    if (s.dialog.dialog) {
        if (e.button == SDL_BUTTON_LEFT)
            dialog_mouse_down(s.dialog, s.pointer, now_ms(s), s.actions);
        return;
    }
    if (!can_move(s)) return;
    if (e.button == SDL_BUTTON_LEFT) s.orbiting = true;
    if (e.button == SDL_BUTTON_RIGHT) s.turning = true;
}

void mouse_up(Session &s, const SDL_MouseButtonEvent &e) {
    s.pointer = {e.x, e.y};
    if (e.button == SDL_BUTTON_LEFT) {
        if (s.dialog.dialog) dialog_mouse_up(s.dialog, s.pointer, s.actions);
        s.orbiting = false;
    }
    if (e.button == SDL_BUTTON_RIGHT) s.turning = false;
}

void mouse_motion(Session &s, const SDL_MouseMotionEvent &e) {
    const int dx = e.x - s.pointer.x, dy = e.y - s.pointer.y;
    s.pointer = {e.x, e.y};
    if (s.dialog.dialog) {
        dialog_mouse_move(s.dialog, s.pointer, s.actions);
        return;
    }
    if (!is_dolly(s)) return;
    if (s.orbiting) {
        // The stadium turns with the pointer.
        orbit(*s.camera, dx * kOrbitPerPixel, dy * kOrbitPerPixel);
        keep_distance(s);
    } else if (s.turning) {
        // The target follows the pointer through the target's plane.
        const double per_pixel =
            1.0 / (s.options.scale * std::max(s.camera->Magnification, MIN_MAGNIFICATION));
        turn(*s.camera, -dx * per_pixel, dy * per_pixel);
    }
}

void resized(Session &s, int width, int height) {
    const int old_height = render_height(s);
    s.canvas.resize(width, height);
    // The same height of the world stays in view.
    const double factor = double(render_height(s)) / old_height;
    s.camera->Magnification *= factor;
    s.last_good.Magnification *= factor;
    if (SPINDEMO_VIEW *spin = spin_record(s)) spin->Magnification *= factor;
    layout_dialog(s.dialog, width, height);
}

void handle_event(Session &s, const SDL_Event &e) {
    switch (e.type) {
    case SDL_QUIT: s.quit = true; break;
    case SDL_KEYDOWN: key_down(s, e.key); break;
    case SDL_KEYUP: s.held.erase(e.key.keysym.sym); break;
    case SDL_MOUSEBUTTONDOWN: mouse_down(s, e.button); break;
    case SDL_MOUSEBUTTONUP: mouse_up(s, e.button); break;
    case SDL_MOUSEMOTION: mouse_motion(s, e.motion); break;
    case SDL_MOUSEWHEEL:
        if (!s.dialog.dialog && can_move(s)) {
            const int notches =
                e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            zoom(*s.camera, std::pow(kWheelZoom, notches));
            clamp_magnification(s, *s.camera);
        }
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            resized(s, e.window.data1, e.window.data2);
        break;
    default: break;
    }
}

// Held keys move the dolly camera a little every frame.
void apply_held_keys(Session &s) {
    if (s.dialog.dialog || !is_dolly(s) || s.held.empty()) return;
    CAMERA &c = *s.camera;
    const double distance = std::max(camera_distance(c), MIN_DISTANCE);
    double across = 0, up = 0, rising = 0, in = 1, zooming = 1;
    bool walking = false;
    for (const auto &[key, mods] : s.held) {
        const bool shift = shift_held(s, mods);
        switch (key) {
        case SDLK_LEFT: case SDLK_a: across -= 1; walking |= shift; break;
        case SDLK_RIGHT: case SDLK_d: across += 1; walking |= shift; break;
        case SDLK_UP: case SDLK_w: up += 1; walking |= shift; break;
        case SDLK_DOWN: case SDLK_s: up -= 1; walking |= shift; break;
        case SDLK_r: case SDLK_PAGEUP: rising += 1; break;
        case SDLK_f: case SDLK_PAGEDOWN: rising -= 1; break;
        case SDLK_q: in *= kMoveInRate; break;
        case SDLK_e: in /= kMoveInRate; break;
        case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: zooming *= kZoomRate; break;
        case SDLK_MINUS: case SDLK_KP_MINUS: zooming /= kZoomRate; break;
        default: break;
        }
    }
    if (walking) walk(c, up * distance * kWalkRate, across * distance * kWalkRate);
    else if (across != 0 || up != 0)
        turn(c, across * distance * kTurnRate, up * distance * kTurnRate);
    if (rising != 0) rise(c, rising * distance * kWalkRate);
    if (in != 1) move_in(c, in);
    if (zooming != 1) zoom(c, zooming);
    clamp_magnification(s, c);
    keep_distance(s);
}

// ---------------------------------------------------------------- scripts

std::optional<Point> script_point(Session &s, const ScriptEvent &e) {
    const MouseTarget &t = e.target;
    const std::string where = s.options.script + ":" + std::to_string(e.line) + ": ";
    switch (t.kind) {
    case MouseTarget::POINT: return Point{t.x, t.y};
    case MouseTarget::FROM_PRESS: return Point{s.press.x + t.x, s.press.y + t.y};
    case MouseTarget::SLIDER: {
        if (!s.dialog.dialog) break;
        const HWND bar = find_slider(s.dialog, t.ref);
        if (!bar) {
            fail_session(s, where + "the dialog has no slider " + t.ref);
            return std::nullopt;
        }
        const auto p = slider_point(s.dialog, bar, t.part);
        if (!p) fail_session(s, where + "no room to click there on slider " + t.ref);
        return p;
    }
    case MouseTarget::BUTTON: {
        if (!s.dialog.dialog) break;
        const auto p = button_point(s.dialog, t.ref);
        if (!p) fail_session(s, where + "the dialog has no button " + t.ref);
        return p;
    }
    }
    fail_session(s, where + "no dialog is open");
    return std::nullopt;
}

// Plays this frame's script events through SDL's queue, as input.
void play_script(Session &s) {
    if (!s.script) return;
    const std::vector<ScriptEvent> &events = s.script->events;
    for (; s.next_event < events.size() && events[s.next_event].frame <= s.frame; ++s.next_event) {
        const ScriptEvent &e = events[s.next_event];
        SDL_Event out{};
        switch (e.kind) {
        case ScriptEvent::KEY_DOWN:
        case ScriptEvent::KEY_UP:
            out.type = e.kind == ScriptEvent::KEY_DOWN ? SDL_KEYDOWN : SDL_KEYUP;
            out.key.state = e.kind == ScriptEvent::KEY_DOWN ? SDL_PRESSED : SDL_RELEASED;
            out.key.keysym.sym = e.key;
            out.key.keysym.scancode = SDL_GetScancodeFromKey(e.key);
            out.key.keysym.mod = e.mods;
            break;
        case ScriptEvent::MOUSE_DOWN:
        case ScriptEvent::MOUSE_UP:
        case ScriptEvent::MOUSE_MOVE: {
            const auto p = script_point(s, e);
            if (!p) return;
            if (e.kind == ScriptEvent::MOUSE_MOVE) {
                out.type = SDL_MOUSEMOTION;
                out.motion.x = p->x;
                out.motion.y = p->y;
                out.motion.xrel = p->x - s.pointer.x;
                out.motion.yrel = p->y - s.pointer.y;
                out.motion.state = e.button ? SDL_BUTTON(e.button) : 0;
            } else {
                if (e.kind == ScriptEvent::MOUSE_DOWN) s.press = *p;
                out.type =
                    e.kind == ScriptEvent::MOUSE_DOWN ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
                out.button.button = uint8_t(e.button);
                out.button.state = e.kind == ScriptEvent::MOUSE_DOWN ? SDL_PRESSED : SDL_RELEASED;
                out.button.clicks = 1;
                out.button.x = p->x;
                out.button.y = p->y;
            }
            break;
        }
        case ScriptEvent::WHEEL:
            out.type = SDL_MOUSEWHEEL;
            out.wheel.y = e.amount;
            out.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
            break;
        case ScriptEvent::RESIZE: SDL_SetWindowSize(s.window, e.width, e.height); continue;
        case ScriptEvent::SCREENSHOT: s.screenshots.push_back(e.file); continue;
        case ScriptEvent::QUIT: s.quit = true; continue;
        }
        if (SDL_PushEvent(&out) < 0) fail_session(s, std::string("SDL: ") + SDL_GetError());
    }
}

// ------------------------------------------------------------- the frame

void draw_scene(Session &s) {
    const int w = render_width(s), h = render_height(s);
    if (s.picture.width != w || s.picture.height != h)
        s.picture = quelm_tool::make_host_bitmap(w, h, s.palette);
    // The library never clears; the host does.
    std::fill(s.picture.bits.begin(), s.picture.bits.end(), s.options.background);

    CAMERA &camera = *s.camera;
    camera.RenderRect = {0, 0, w - 1, h - 1};
    clamp_magnification(s, camera);
    SCENE *scene = s.scene.get();
    // The library is never handed a camera it refuses: the last good view
    // stands in, in the current picture.
    CAMERA *view = &camera;
    const bool refused = view_changes(camera, scene->Perspective) == -1;
    if (refused && !s.view_refused)
        say(s, "the library refuses this camera: the last good view stays");
    s.view_refused = refused;
    if (s.view_refused) {
        s.last_good.RenderRect = camera.RenderRect;
        clamp_magnification(s, s.last_good);
        view = &s.last_good;
    }
    const auto started = std::chrono::steady_clock::now();
    if (!s.view_refused || view_changes(*view, scene->Perspective) != -1) {
        const FrameProbe probe = probe_frame(*view, *scene);
        RenderScene(s.picture.info(), s.picture.bits.data(), view, scene);
        s.log.add(frame_outcome(probe, *scene));
        s.surfaces = count_surfaces(*scene);
        if (!s.view_refused) s.last_good = camera;
    }
    if (s.markers) {
        place_markers(scene->Perspective, lineup(), s.placed);
        draw_markers(s.picture, s.placed);
    }
    s.work_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    s.adaptation.report(scene, s.work_ms);
}

// Text doubles in windows wide enough for the panel to leave room.
int text_scale(const Session &s) { return s.canvas.width >= 1200 ? 2 : 1; }

void draw_overlays(Session &s) {
    const int ts = text_scale(s);
    if (s.hud) {
        HudInfo info;
        info.mode = CameraTerm(s.camera.get());
        info.spin_paused = s.spin_paused && s.camera->View == VIEW_SPIN;
        info.fps = s.fps;
        info.work_ms = s.work_ms;
        info.adaptation = &s.adaptation;
        info.log = &s.log;
        info.pan_limit = s.scene->iRapidPansLimit;
        info.pan_tally = s.scene->iRapidPansTally;
        info.settings = s.scene->SceneSettings;
        info.surface = surface_name(*s.scene);
        info.render_width = s.picture.width;
        info.render_height = s.picture.height;
        info.scale = s.options.scale;
        info.view_refused = s.view_refused;
        info.surfaces = s.surfaces;
        draw_hud(s.canvas, info, ts);
    }
    draw_dialog(s.canvas, s.dialog);
    if (!s.toast.empty() && now_ms(s) < s.toast_until) draw_toast(s.canvas, s.toast, ts);
    if (s.key_help) draw_key_help(s.canvas, ts);
}

// Where the picture shows: enlarged `scale` times from the top-left, or,
// with --aspect, stretched to the largest rectangle of that shape, centred.
Rect shown_rect(const Session &s) {
    const ViewerOptions &o = s.options;
    if (!o.aspect_w) return {0, 0, s.picture.width * o.scale, s.picture.height * o.scale};
    const int64_t w = s.canvas.width, h = s.canvas.height;
    const int shown_w = int(std::min(w, h * o.aspect_w / o.aspect_h));
    const int shown_h = int(std::min(h, w * o.aspect_h / o.aspect_w));
    return {(s.canvas.width - shown_w) / 2, (s.canvas.height - shown_h) / 2, shown_w, shown_h};
}

void present_vsync(Session &s) {
    int w = 0, h = 0;
    if (s.texture) SDL_QueryTexture(s.texture, nullptr, nullptr, &w, &h);
    if (w != s.canvas.width || h != s.canvas.height) {
        if (s.texture) SDL_DestroyTexture(s.texture);
        s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_RGB888,
                                      SDL_TEXTUREACCESS_STREAMING, s.canvas.width,
                                      s.canvas.height);
        if (!s.texture) return fail_session(s, std::string("SDL: ") + SDL_GetError());
    }
    SDL_UpdateTexture(s.texture, nullptr, s.canvas.pixels.data(), s.canvas.width * 4);
    SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
    SDL_RenderPresent(s.renderer);
}

void present(Session &s) {
    if (s.renderer) return present_vsync(s);
    SDL_Surface *surface = SDL_GetWindowSurface(s.window);
    if (!surface) return;
    if (surface->w != s.canvas.width || surface->h != s.canvas.height) return;  // resize pending
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    SDL_ConvertPixels(s.canvas.width, s.canvas.height, SDL_PIXELFORMAT_RGB888,
                      s.canvas.pixels.data(), s.canvas.width * 4, surface->format->format,
                      surface->pixels, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(s.window);
}

void write_screenshots(Session &s) {
    for (const std::string &path : s.screenshots) {
        try {
            write_screenshot(path, s.canvas);
            if (s.options.verbose) std::printf("screenshot: %s\n", path.c_str());
            if (!s.options.headless) say(s, "saved " + path);
        } catch (const quelm_tool::Failure &f) {
            // A person can try again; a script cannot.
            if (s.script || s.options.headless) fail_session(s, f.what());
            else say(s, f.what());
        }
    }
    s.screenshots.clear();
}

bool finished(const Session &s) {
    if (s.options.frames > 0) return s.frame >= s.options.frames;
    return s.script && s.frame >= s.script->length;
}

void frame_once(Session &s) {
    if (finished(s)) {
        s.quit = true;
        return;
    }
    const double began = real_ms(s);
    play_script(s);
    for (SDL_Event e; SDL_PollEvent(&e);) handle_event(s, e);
    if (s.quit) return;
    apply_held_keys(s);
    if (s.camera->View == VIEW_SPIN && !s.spin_paused) UpdateCamera(s.camera.get());
    dialog_tick(s.dialog, now_ms(s), s.actions);

    draw_scene(s);
    compose(s.picture, s.lookup, shown_rect(s), s.canvas);
    draw_overlays(s);
    present(s);
    write_screenshots(s);

    const double took = real_ms(s) - began;
    if (!s.options.headless && took < kFrameCapMs) SDL_Delay(Uint32(kFrameCapMs - took));
    const double ended = real_ms(s);
    if (s.frame > 0) {
        const double interval = std::max(ended - s.last_frame_ms, 1e-3);
        s.fps = s.fps == 0 ? 1000 / interval : s.fps * 0.9 + 0.1 * 1000 / interval;
    }
    s.last_frame_ms = ended;
    ++s.frame;
}

// ------------------------------------------------------------ the session

constexpr const char *kNoDisplay = "no display (use --frames or --script for a headless run)";

struct SdlVideo {
    // An interactive session needs a display: a window nobody can see
    // would wait for keys forever.
    explicit SdlVideo(bool interactive) {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            if (interactive) failed(kNoDisplay);
            failed(std::string("cannot start SDL's video: ") + SDL_GetError());
        }
        const std::string_view driver = SDL_GetCurrentVideoDriver();
        if (interactive && (driver == "dummy" || driver == "offscreen")) {
            SDL_Quit();
            failed(kNoDisplay);
        }
    }
    ~SdlVideo() { SDL_Quit(); }
    SdlVideo(const SdlVideo &) = delete;
    SdlVideo &operator=(const SdlVideo &) = delete;
};

struct WindowCloser {
    void operator()(SDL_Window *w) const { SDL_DestroyWindow(w); }
};

void print_summary(const Session &s) {
    const CAMERA &c = *s.camera;
    std::printf(
        "summary: frames=%lld complete=%lld rapid-pans=%lld no-work=%lld pan-limit=%d "
        "surface=%s mode=%s\n",
        static_cast<long long>(s.log.frames), static_cast<long long>(s.log.complete),
        static_cast<long long>(s.log.rapid_pans), static_cast<long long>(s.log.nothing),
        int(s.scene->iRapidPansLimit), surface_name(*s.scene), CameraTerm(s.camera.get()));
    std::printf(
        "camera: vd=%.10g target=%.10g,%.10g,%.10g eye=%.10g,%.10g,%.10g bank=%.10g "
        "magnification=%.10g\n",
        c.ViewDistance, c.Xtarget, c.Ytarget, c.Ztarget, c.Xcamera, c.Ycamera, c.Zcamera,
        c.BankAngle, c.Magnification);
}

}  // namespace

int run_session(const ViewerOptions &options) {
    Session s(options);
    // Everything that can be refused is refused before a window opens.
    if (!options.script.empty()) s.script = load_script(options.script);
    s.palette = options.palette_file.empty() ? quelm_tool::default_palette()
                                             : quelm_tool::read_palette_file(options.palette_file);
    s.lookup = lookup_of(s.palette);
    s.adaptation.target_ms = options.target_ms;
    s.adaptation.simulate_ms = options.simulate_ms;
    s.adaptation.on = options.adapt;

    // Headless sessions need no display; setenv keeps a driver already named.
    if (options.headless) setenv("SDL_VIDEODRIVER", "dummy", 0);
    SdlVideo video(!options.scripted());
    std::unique_ptr<SDL_Window, WindowCloser> window(SDL_CreateWindow(
        "quelm viewer", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, options.width,
        options.height, SDL_WINDOW_RESIZABLE | (options.headless ? SDL_WINDOW_HIDDEN : 0) |
            (options.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0)));
    if (!window) failed(std::string("cannot open a window: ") + SDL_GetError());
    s.window = window.get();
    struct RendererCloser {
        void operator()(SDL_Renderer *r) const { SDL_DestroyRenderer(r); }
    };
    std::unique_ptr<SDL_Renderer, RendererCloser> renderer;
    int width = 0, height = 0;
    if (options.vsync) {
        renderer.reset(SDL_CreateRenderer(s.window, -1, SDL_RENDERER_PRESENTVSYNC));
        if (!renderer)
            failed(std::string("cannot present in step with the display: ") + SDL_GetError());
        s.renderer = renderer.get();
        SDL_GetWindowSize(s.window, &width, &height);
    } else {
        const SDL_Surface *surface = SDL_GetWindowSurface(s.window);
        if (!surface) failed(std::string("cannot draw into the window: ") + SDL_GetError());
        width = surface->w;
        height = surface->h;
    }
    s.canvas.resize(width, height);

    s.scene.reset(InitScene());
    s.camera.reset(InitCamera(VIEW_DOLLY));
    if (!s.scene || !s.camera) failed("the library could not make a scene and a camera");
    place_start_view(*s.camera, render_width(s), render_height(s));
    if (options.mode != VIEW_DOLLY) to_mode(s, options.mode);
    s.toast.clear();
    s.last_good = *s.camera;

    const QUELM_DIALOG_HOST host = {&s, dialog_show, dialog_next, dialog_posted, dialog_hide};
    QuelmSetDialogHost(&host);
    while (!s.quit) {
        frame_once(s);
        if (s.pending != Pending::NONE && !s.quit) open_dialog(s);
    }
    QuelmSetDialogHost(nullptr);

    if (s.error) failed(*s.error);
    if (options.scripted() && !options.screenshot.empty())
        write_screenshot(options.screenshot, s.canvas);
    print_summary(s);
    return 0;
}

}  // namespace quelm_viewer
