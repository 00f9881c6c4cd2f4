// The page's side of the library: one scene, one camera and one picture,
// driven from JavaScript through the qw_ calls below (web/site/quelm.js uses
// them; `quelmPage.module` in the page's console reaches them too): make the
// scene and the camera (qw_start), move the camera (qw_drag, qw_zoom,
// qw_held, qw_set_view, qw_mode), render into the module's memory
// (qw_render; qw_bits is the 8-bit picture, qw_rgba the same through the
// palette), read the palette (qw_palette: 256 RGBQUADs).  Camera moves, frame
// outcomes and frame-rate reports are the viewer's own (tools/viewer), so the
// page moves and adapts as quelm-viewer does.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/views.h"
#include <quelm/quelm.h>
#include <quelm/quelm_dialoghost.h>
#include "common/palette.h"
#include "tools/viewer/camera_control.h"
#include "tools/viewer/frames.h"

using namespace quelm_viewer;

namespace {

// Behind everything the stadium does not cover: the default palette's grey,
// as in the viewer.
constexpr uint8_t kBackground = 3;
// Per-frame motion of held keys, as fractions of the camera's distance, and
// the pointer's and the wheel's steps: the viewer's.
constexpr double kTurnRate = 0.012, kWalkRate = 0.012, kMoveInRate = 0.98, kZoomRate = 1.02;
constexpr double kOrbitPerPixel = 0.006;
constexpr double kWheelZoom = 1.1;
// A new spin turns half a degree a frame and frames about this much.
constexpr int32_t kSpinStep = 5;
constexpr double kSpinSpan = 4000;

struct Picture {
    int width = 0, height = 0, stride = 0;
    BITMAPINFO *info = nullptr;  // header and 256 colours
    uint8_t *bits = nullptr;     // bottom-up rows, as a Windows host hands them over
    uint32_t *rgba = nullptr;    // top row first, for the canvas
};

struct Page {
    SCENE *scene = nullptr;
    CAMERA *camera = nullptr;
    CAMERA last_good{};
    bool refused = false;
    Picture picture;
    Adaptation adaptation;
    FrameLog log;
    quelm_bench::BenchMoves *bench = nullptr;
};

Page page;

void free_picture(Picture &p) {
    std::free(p.info);
    std::free(p.bits);
    std::free(p.rgba);
    p = Picture{};
}

bool is_dolly() { return page.camera->View == VIEW_DOLLY; }

SPINDEMO_VIEW *spin_record() {
    return page.camera->View == VIEW_SPIN ? static_cast<SPINDEMO_VIEW *>(page.camera->Control)
                                          : nullptr;
}

void keep_distance() { page.camera->ViewDistance = std::trunc(camera_distance(*page.camera)); }

// Keeps the magnification where SetView can use it: above 0, and no larger
// than the picture's sides, so that at least one world unit shows.
void clamp_magnification(CAMERA &c) {
    const double most = std::min(
        {MAX_MAGNIFICATION, double(page.picture.width), double(page.picture.height)});
    if (!(c.Magnification >= MIN_MAGNIFICATION)) c.Magnification = MIN_MAGNIFICATION;
    c.Magnification = std::min(c.Magnification, most);
}

// ------------------------------------------------------------- dialogs
//
// The tuning dialogs run modally inside DoCoordinateSystemDlg and
// DoSpinDemoFeaturesDlg, through the library's own dialog runner (template,
// WM_INITDIALOG, EndDialog).  A browser gives control back to the page only
// when a call returns, so the modal loop's C stack must outlive the call:
// the module is built with Asyncify, and next_action awaits the page's next
// slider or button event while the page goes on drawing frames.  Threads
// would need cross-origin isolation headers that a plain file server does
// not send; feeding messages to the dialog procedure directly would replace
// the runner with a copy of it.

HWND host_window() { return reinterpret_cast<HWND>(&page); }

EM_JS(void, js_dialog_show, (HWND dialog), { Module.quelmDialog.show(dialog); });
EM_JS(void, js_dialog_hide, (HWND dialog), { Module.quelmDialog.hide(dialog); });
EM_JS(void, js_dialog_posted, (int id, int value), { Module.quelmDialog.posted(id, value); });
EM_ASYNC_JS(void, js_dialog_next, (QUELM_DIALOG_ACTION * action), {
    const a = await Module.quelmDialog.next();
    HEAP32[action >> 2] = a.kind;
    HEAP32[(action >> 2) + 1] = a.id || 0;
    HEAP32[(action >> 2) + 2] = a.code || 0;
    HEAP32[(action >> 2) + 3] = a.pos || 0;
});

void dialog_show(void *, HWND dialog) { js_dialog_show(dialog); }
void dialog_hide(void *, HWND dialog) { js_dialog_hide(dialog); }

}  // namespace

// C names: the build instruments only the calls between qw_dialog and here
// for Asyncify (web/CMakeLists.txt lists them), not the frame's calls.
extern "C" void qw_dialog_next(void *, HWND, QUELM_DIALOG_ACTION *action) {
    js_dialog_next(action);
}

namespace {

// The dialogs' reports, answered live as the viewer answers them.
void dialog_posted(void *, const QUELM_POSTED_MESSAGE *m) {
    if (m->hwnd != host_window() || m->message != WM_COMMAND) return;
    const int id = int(m->wParam);
    if (id >= 101 && id <= 109) {
        ViewChanged(page.camera);
    } else if (id >= 201 && id <= 208 && page.camera->View == VIEW_SPIN) {
        SpinDemoChanged(page.camera);
        UpdateCamera(page.camera);
    } else {
        return;
    }
    clamp_magnification(*page.camera);
    js_dialog_posted(id, int16_t(uint16_t(m->lParam)));
}

}  // namespace

extern "C" {

// Makes the scene and the camera (at the viewer's starting view for a
// width x height picture) and the picture; 0 when memory runs out.
EMSCRIPTEN_KEEPALIVE int qw_start(int width, int height);
// A new picture size, keeping the same height of the world in view; 0 (the
// old picture kept) when it cannot be had.
EMSCRIPTEN_KEEPALIVE int qw_resize(int width, int height) {
    if (width < 1 || height < 1 || width > 16384 || height > 16384) return 0;
    Picture p;
    p.width = width;
    p.height = height;
    p.stride = (width + 3) & ~3;
    const size_t header = sizeof(BITMAPINFOHEADER) + QUELM_PALETTE_SIZE * sizeof(RGBQUAD);
    p.info = static_cast<BITMAPINFO *>(std::calloc(1, header));
    p.bits = static_cast<uint8_t *>(std::malloc(size_t(p.stride) * size_t(height)));
    p.rgba = static_cast<uint32_t *>(std::malloc(size_t(width) * size_t(height) * 4));
    if (!p.info || !p.bits || !p.rgba) {
        free_picture(p);
        return 0;
    }
    BITMAPINFOHEADER &h = p.info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(p.stride) * DWORD(height);
    h.biClrUsed = QUELM_PALETTE_SIZE;
    std::memcpy(p.info->bmiColors, QuelmDefaultPalette, sizeof QuelmDefaultPalette);
    const int old_height = page.picture.height;
    free_picture(page.picture);
    page.picture = p;
    if (page.camera && old_height > 0) {
        const double factor = double(height) / old_height;
        page.camera->Magnification *= factor;
        page.last_good.Magnification *= factor;
        if (SPINDEMO_VIEW *spin = spin_record()) spin->Magnification *= factor;
    }
    return 1;
}

int qw_start(int width, int height) {
    if (page.scene) return 1;
    if (!qw_resize(width, height)) return 0;
    page.scene = InitScene();
    page.camera = InitCamera(VIEW_DOLLY);
    if (!page.scene || !page.camera) return 0;
    place_start_view(*page.camera, width, height);
    page.last_good = *page.camera;
    const QUELM_DIALOG_HOST host = {nullptr, dialog_show, qw_dialog_next, dialog_posted,
                                    dialog_hide};
    QuelmSetDialogHost(&host);
    return 1;
}

EMSCRIPTEN_KEEPALIVE CAMERA *qw_camera() { return page.camera; }
EMSCRIPTEN_KEEPALIVE SCENE *qw_scene() { return page.scene; }
EMSCRIPTEN_KEEPALIVE const RGBQUAD *qw_palette() { return QuelmDefaultPalette; }
EMSCRIPTEN_KEEPALIVE uint8_t *qw_bits() { return page.picture.bits; }
EMSCRIPTEN_KEEPALIVE uint32_t *qw_rgba() { return page.picture.rgba; }
EMSCRIPTEN_KEEPALIVE int qw_width() { return page.picture.width; }
EMSCRIPTEN_KEEPALIVE int qw_height() { return page.picture.height; }

// One frame: the spin camera's step (when asked), the background, RenderScene.
// The library is never handed a camera it refuses: the last good view
// stands in.  1 drawn, 0 refused and nothing to stand in, -1 newly refused.
EMSCRIPTEN_KEEPALIVE int qw_render(int spin_step) {
    Picture &p = page.picture;
    if (spin_step && page.camera->View == VIEW_SPIN) UpdateCamera(page.camera);
    std::memset(p.bits, kBackground, size_t(p.stride) * size_t(p.height));
    CAMERA &camera = *page.camera;
    camera.RenderRect = {0, 0, p.width - 1, p.height - 1};
    clamp_magnification(camera);
    CAMERA *view = &camera;
    const bool refused = view_changes(camera, page.scene->Perspective) == -1;
    const bool newly = refused && !page.refused;
    page.refused = refused;
    if (refused) {
        page.last_good.RenderRect = camera.RenderRect;
        clamp_magnification(page.last_good);
        view = &page.last_good;
        if (view_changes(*view, page.scene->Perspective) == -1) return 0;
    }
    const FrameProbe probe = probe_frame(*view, *page.scene);
    RenderScene(p.info, p.bits, view, page.scene);
    page.log.add(frame_outcome(probe, *page.scene));
    if (!refused) page.last_good = camera;
    return newly ? -1 : 1;
}

// The picture through the palette into RGBA, top row first.
EMSCRIPTEN_KEEPALIVE void qw_to_rgba() {
    const Picture &p = page.picture;
    uint32_t lookup[QUELM_PALETTE_SIZE];
    for (int i = 0; i < QUELM_PALETTE_SIZE; ++i) {
        const RGBQUAD &c = QuelmDefaultPalette[i];
        lookup[i] = uint32_t(c.rgbRed) | uint32_t(c.rgbGreen) << 8 | uint32_t(c.rgbBlue) << 16 |
                    0xFF000000u;
    }
    for (int y = 0; y < p.height; ++y) {
        const uint8_t *row = p.bits + size_t(p.height - 1 - y) * size_t(p.stride);
        uint32_t *out = p.rgba + size_t(y) * size_t(p.width);
        for (int x = 0; x < p.width; ++x) out[x] = lookup[row[x]];
    }
}

// Frame-rate adaptation with the frame's measured RenderScene time.
EMSCRIPTEN_KEEPALIVE void qw_rate(int on, double target_ms, double took_ms) {
    page.adaptation.on = on != 0;
    page.adaptation.target_ms = target_ms;
    page.adaptation.report(page.scene, took_ms);
}

// Frames so far that were complete reprojections (0), rapid pans (1),
// needed no work (2), or all of them (3).
EMSCRIPTEN_KEEPALIVE double qw_frames_of(int work) {
    switch (work) {
    case 0: return double(page.log.complete);
    case 1: return double(page.log.rapid_pans);
    case 2: return double(page.log.nothing);
    default: return double(page.log.frames);
    }
}
EMSCRIPTEN_KEEPALIVE const char *qw_surface() { return surface_name(*page.scene); }
EMSCRIPTEN_KEEPALIVE const char *qw_mode_name() { return CameraTerm(page.camera); }

// ------------------------------------------------------------- moves

EMSCRIPTEN_KEEPALIVE void qw_mode(int mode) {
    const bool fresh_spin = mode == VIEW_SPIN && page.camera->View != VIEW_SPIN;
    ChangeCamera(page.camera, mode);
    // The demonstration stands still at a fixed magnification until tuned;
    // the page starts it turning, framed for its picture.
    if (SPINDEMO_VIEW *spin = fresh_spin ? spin_record() : nullptr) {
        spin->CameraStep = kSpinStep;
        spin->Magnification = std::clamp(page.picture.width / kSpinSpan, MIN_MAGNIFICATION,
                                         MAX_MAGNIFICATION);
    }
}

EMSCRIPTEN_KEEPALIVE void qw_home() {
    if (!is_dolly()) ChangeCamera(page.camera, VIEW_DOLLY);
    place_start_view(*page.camera, page.picture.width, page.picture.height);
}

// The pointer moved by dx, dy pixels with the orbit (left) or turn (right)
// button down; 0 when the camera is not the dolly.
EMSCRIPTEN_KEEPALIVE int qw_drag(int turning, double dx, double dy) {
    if (!is_dolly()) return 0;
    if (turning) {
        // The target follows the pointer through the target's plane.
        const double per_pixel = 1.0 / std::max(page.camera->Magnification, MIN_MAGNIFICATION);
        turn(*page.camera, -dx * per_pixel, dy * per_pixel);
    } else {
        orbit(*page.camera, dx * kOrbitPerPixel, dy * kOrbitPerPixel);
        keep_distance();
    }
    return 1;
}

EMSCRIPTEN_KEEPALIVE int qw_zoom(double notches) {
    if (!is_dolly()) return 0;
    zoom(*page.camera, std::pow(kWheelZoom, notches));
    clamp_magnification(*page.camera);
    return 1;
}

// Held keys, one frame's worth: across and up (-1, 0, 1 sums; walking with
// shift), rising, moving in (-1 out, 1 in) and zooming (-1 out, 1 in).
EMSCRIPTEN_KEEPALIVE int qw_held(int across, int up, int walking, int rising, int in, int zooming) {
    if (!is_dolly()) return 0;
    CAMERA &c = *page.camera;
    const double distance = std::max(camera_distance(c), MIN_DISTANCE);
    if (walking) walk(c, up * distance * kWalkRate, across * distance * kWalkRate);
    else if (across != 0 || up != 0)
        turn(c, across * distance * kTurnRate, up * distance * kTurnRate);
    if (rising != 0) rise(c, rising * distance * kWalkRate);
    if (in != 0) move_in(c, std::pow(kMoveInRate, in));
    if (zooming != 0) zoom(c, std::pow(kZoomRate, zooming));
    clamp_magnification(c);
    keep_distance();
    return 1;
}

EMSCRIPTEN_KEEPALIVE void qw_set_view(double ex, double ey, double ez, double tx, double ty,
                                      double tz, double magnification) {
    if (!is_dolly()) ChangeCamera(page.camera, VIEW_DOLLY);
    CAMERA &c = *page.camera;
    c.Xcamera = ex;
    c.Ycamera = ey;
    c.Zcamera = ez;
    c.Xtarget = tx;
    c.Ytarget = ty;
    c.Ztarget = tz;
    c.Magnification = magnification;
    keep_distance();
}

// Toggles a PLAN_* bit of the scene; its new state.
EMSCRIPTEN_KEEPALIVE int qw_toggle_plan(int bit) {
    const bool on = GetSceneSetting(page.scene, bit) != 0;
    if (on) ResetSceneSetting(page.scene, bit);
    else SetSceneSetting(page.scene, bit);
    return !on;
}

// 1 coordinates, 2 spin: runs the dialog to its end (asynchronously for the
// page); 1 OK, 0 Cancel, -1 could not be had.
EMSCRIPTEN_KEEPALIVE int qw_dialog(int which) {
    if (which == 1) {
        ChangeView(page.camera);
        return DoCoordinateSystemDlg(host_window());
    }
    if (page.camera->View != VIEW_SPIN) qw_mode(VIEW_SPIN);
    ChangeSpinDemo(page.camera);
    return DoSpinDemoFeaturesDlg(host_window());
}

// ------------------------------------------------------------- timing
//
// The fixed views every native timing uses, with the same moves, so that the
// page and the benchmark time what `quelm bench` times.

EMSCRIPTEN_KEEPALIVE int qw_bench_view(const char *name) {
    const quelm_bench::BenchView *view = quelm_bench::FindView(name);
    if (!view) return 0;
    if (!is_dolly()) ChangeCamera(page.camera, VIEW_DOLLY);
    *page.camera = quelm_bench::MakeBenchCamera(*view, page.picture.width, page.picture.height);
    page.camera->View = VIEW_DOLLY;
    quelm_bench::AllowPans(page.scene);
    delete page.bench;
    page.bench = new (std::nothrow) quelm_bench::BenchMoves(*page.camera);
    return page.bench != nullptr;
}

// 0 camera step (complete reprojection), 1 target step (rapid pan).
EMSCRIPTEN_KEEPALIVE void qw_bench_move(int pan) {
    if (!page.bench) return;
    if (pan) page.bench->Pan(*page.camera);
    else page.bench->Complete(*page.camera);
}

// RenderScene alone, as `quelm bench` times it: milliseconds.
EMSCRIPTEN_KEEPALIVE double qw_bench_frame() {
    const Picture &p = page.picture;
    const double start = emscripten_get_now();
    RenderScene(p.info, p.bits, page.camera, page.scene);
    return emscripten_get_now() - start;
}

}  // extern "C"
