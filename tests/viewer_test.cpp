// quelm-viewer: its parts against the library (camera moves, what each frame
// cost, the figures, the dialogs worked by the mouse, scripts, options), and
// the program run headless as a script or test runs it.  bad_input_test has
// the program's refusals of bad arguments and files.
#include <gtest/gtest.h>
#include <png.h>

#include <SDL_keycode.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "quelm.h"
#include "quelm_dialoghost.h"
#include "tests/support/run_tool.h"
#include "tools/quelm/cli.h"
#include "tools/quelm/frame.h"
#include "tools/quelm/image.h"
#include "tools/viewer/camera_control.h"
#include "tools/viewer/canvas.h"
#include "tools/viewer/compose.h"
#include "tools/viewer/dialog_view.h"
#include "tools/viewer/frames.h"
#include "tools/viewer/options.h"
#include "tools/viewer/script.h"
#include "tools/viewer/sprites.h"

using namespace quelm_viewer;
using namespace quelm_test;

namespace {

CAMERA start_camera() {
    CAMERA c{};
    place_start_view(c, 320, 200);
    return c;
}

// The view state SetView leaves for the camera, as a scene would hold it.
VANTAGE view_of(const CAMERA &camera) {
    CAMERA c = camera;
    VANTAGE v{};
    EXPECT_NE(SetView(&c, &v), -1);
    return v;
}

std::string failure_of(const std::function<void()> &fn) {
    try {
        fn();
    } catch (const quelm_tool::Failure &f) {
        return f.what();
    }
    return "(no failure)";
}

// The camera stands where it stood from the target.
void expect_same_offset(const CAMERA &c, const CAMERA &start) {
    EXPECT_NEAR(c.Xcamera - c.Xtarget, start.Xcamera - start.Xtarget, 1e-9);
    EXPECT_NEAR(c.Ycamera - c.Ytarget, start.Ycamera - start.Ytarget, 1e-9);
    EXPECT_NEAR(c.Zcamera - c.Ztarget, start.Zcamera - start.Ztarget, 1e-9);
}

// --------------------------------------------------------- camera moves

TEST(CameraControl, OrbitKeepsTargetAndDistanceShortOfVerticalAndTheGround) {
    CAMERA c = start_camera();
    const double distance = camera_distance(c);
    orbit(c, 0.7, 0.1);
    EXPECT_NEAR(camera_distance(c), distance, 1e-6);
    EXPECT_EQ(std::pair(c.Xtarget, c.Ytarget), std::pair(0.0, -300.0));
    EXPECT_EQ(view_changes(c, view_of(start_camera())), VIEW_CAMERA_MOVED);
    orbit(c, 0, 10);
    EXPECT_NEAR(c.Zcamera - c.Ztarget, distance * std::sin(MAX_PITCH), 1e-6);
    orbit(c, 0, -10);
    EXPECT_NEAR(c.Zcamera, MIN_EYE_HEIGHT, 1e-6);
}

TEST(CameraControl, TurnMovesTheTargetAloneTowardsScreenRight) {
    const CAMERA start = start_camera();
    CAMERA c = start;
    turn(c, 40, 0);
    turn(c, 0, 25);
    EXPECT_NEAR(std::hypot(c.Xtarget - start.Xtarget, c.Ytarget - start.Ytarget), 40, 1e-9);
    EXPECT_EQ(c.Ztarget, start.Ztarget + 25);
    // The camera stays, so the library may pan.
    EXPECT_EQ(view_changes(c, view_of(start)), VIEW_TARGET_MOVED);

    // What lies screen right of the target shows right of the middle, and
    // turning right brings it to the middle.
    double rx = 0, ry = 0;
    screen_right(start, rx, ry);
    const auto x_of_right_point = [&](const CAMERA &camera) {
        VANTAGE view = view_of(camera);
        int32_t x = 0, y = 0;
        EXPECT_EQ(WorldToScreen(&view, &x, &y, int32_t(start.Xtarget + 300 * rx),
                                int32_t(start.Ytarget + 300 * ry), 0),
                  1);
        EXPECT_NEAR(y, 100, 3);
        return x;
    };
    EXPECT_GT(x_of_right_point(start), 160 + 10);
    turn(c = start, 300, 0);
    EXPECT_NEAR(x_of_right_point(c), 160, 2);
}

TEST(CameraControl, WalkAndRiseCarryBothAndEveryMoveStaysInsideTheLimits) {
    const CAMERA start = start_camera();
    CAMERA c = start;
    walk(c, 100, 50);
    rise(c, 30);
    expect_same_offset(c, start);
    EXPECT_NEAR(std::hypot(c.Xtarget - start.Xtarget, c.Ytarget - start.Ytarget),
                std::hypot(100, 50), 1e-9);
    EXPECT_EQ(c.Ztarget, start.Ztarget + 30);
    EXPECT_EQ(view_changes(c, view_of(start)), VIEW_TARGET_MOVED | VIEW_CAMERA_MOVED);

    walk(c, 1e7, -1e7);
    rise(c, 1e7);
    for (double v : {c.Xcamera, c.Ycamera, c.Zcamera, c.Xtarget, c.Ytarget, c.Ztarget})
        EXPECT_LE(std::fabs(v), WORLD_LIMIT);
    expect_same_offset(c, start);  // at the edge of the world both stop together
    EXPECT_EQ(std::max(c.Zcamera, c.Ztarget), WORLD_LIMIT);
    move_in(c, 1e-9);
    EXPECT_NEAR(camera_distance(c), MIN_DISTANCE, 1e-6);
    zoom(c, 1e-9);
    EXPECT_EQ(c.Magnification, MIN_MAGNIFICATION);
    zoom(c, 1e12);
    EXPECT_EQ(c.Magnification, MAX_MAGNIFICATION);
    // Moving in along a low line of sight stops above the ground.
    c = start;
    c.Zcamera = 60;
    move_in(c, 0.1);
    EXPECT_EQ(c.Zcamera, MIN_EYE_HEIGHT);
}

// ------------------------------------------------- what frames cost

class SceneFrames : public ::testing::Test {
protected:
    void SetUp() override {
        scene = InitScene();
        ASSERT_NE(scene, nullptr);
        bitmap = quelm_tool::make_host_bitmap(320, 200, quelm_tool::default_palette());
        camera = start_camera();
    }
    void TearDown() override { DestroyScene(scene); }

    FrameWork draw() {
        const FrameProbe probe = probe_frame(camera, *scene);
        RenderScene(bitmap.info(), bitmap.bits.data(), &camera, scene);
        return frame_outcome(probe, *scene);
    }

    SCENE *scene = nullptr;
    quelm_tool::HostBitmap bitmap;
    CAMERA camera{};
};

TEST_F(SceneFrames, TurnsPanOnlyOnceSlowFramesRaisedTheLimit) {
    EXPECT_EQ(draw(), FrameWork::COMPLETE);  // the first
    orbit(camera, 0.01, 0);
    EXPECT_EQ(draw(), FrameWork::COMPLETE);  // the camera moved
    turn(camera, 10, 0);
    EXPECT_EQ(draw(), FrameWork::COMPLETE);  // limit 0
    Adaptation slow;
    slow.target_ms = 10;
    slow.simulate_ms = 40;
    slow.report(scene, 0.1);
    slow.report(scene, 0.1);
    ASSERT_EQ(scene->iRapidPansLimit, 2);
    std::vector<FrameWork> seen;
    for (int i = 0; i < 6; ++i) {
        turn(camera, 10, 0);
        seen.push_back(draw());
    }
    // A still frame after a pan counts on and, at the limit, reprojects.
    turn(camera, 10, 0);
    for (int i = 0; i < 3; ++i) seen.push_back(draw());
    using enum FrameWork;
    EXPECT_EQ(seen, (std::vector<FrameWork>{RAPID_PAN, RAPID_PAN, COMPLETE, RAPID_PAN, RAPID_PAN,
                                            COMPLETE, RAPID_PAN, COMPLETE, NOTHING}));
}

TEST_F(SceneFrames, AdaptationRaisesAndLowersTheLimitAndSwapsTheSurface) {
    Adaptation a;
    a.target_ms = 10;
    EXPECT_STREQ(surface_name(*scene), "fine");
    for (int i = 0; i < 3; ++i) a.report(scene, 50);
    EXPECT_EQ(scene->iRapidPansLimit, 2);
    EXPECT_STREQ(surface_name(*scene), "coarse");
    // A measured time that is fast, but a simulated one that is slow, is slow.
    a.simulate_ms = 11;
    a.report(scene, 1);
    EXPECT_STREQ(surface_name(*scene), "coarse");
    a.simulate_ms.reset();
    for (int i = 0; i < 3; ++i) a.report(scene, 1);
    EXPECT_EQ(scene->iRapidPansLimit, 0);
    EXPECT_STREQ(surface_name(*scene), "fine");
    SetSceneSetting(scene, int32_t(PLAN_COARSE));
    EXPECT_STREQ(surface_name(*scene), "both");
}

TEST(FrameLog, CountsAndKeepsTheRecentOnes) {
    FrameLog log;
    for (size_t i = 0; i < FrameLog::RECENT; ++i) log.add(FrameWork::NOTHING);
    log.add(FrameWork::RAPID_PAN);
    log.add(FrameWork::COMPLETE);
    const int64_t recent = FrameLog::RECENT;
    EXPECT_EQ(std::tuple(log.frames, log.nothing, log.rapid_pans, log.complete),
              std::tuple(recent + 2, recent, int64_t(1), int64_t(1)));
    // The newest frames took the oldest slots.
    using enum FrameWork;
    EXPECT_EQ(std::vector(log.recent.begin(), log.recent.begin() + 3),
              (std::vector{RAPID_PAN, COMPLETE, NOTHING}));
}

TEST_F(SceneFrames, LowCameraCutsSurfacesAtTheNearPlane) {
    draw();
    const SurfaceCount high = count_surfaces(*scene);
    EXPECT_GT(high.drawn, 100);
    camera.Xcamera = camera.Xtarget = camera.Ztarget = 0;
    camera.Ycamera = -1500;
    camera.Ytarget = 1500;
    camera.Zcamera = 30;
    draw();
    EXPECT_GT(count_surfaces(*scene).cut, high.cut);
}

// --------------------------------------------------------------- figures

TEST_F(SceneFrames, MarkersAreOrderedHiddenAndSizedByDistance) {
    draw();
    // The start camera looks from -x, -y: the third marker is behind it.
    const Marker markers[] = {{Marker::PLAYER, 0, -900, 0, 0},
                              {Marker::PLAYER, 0, 1500, 0, 1},
                              {Marker::PLAYER, -4000, -5000, 0, 0}};
    std::vector<PlacedMarker> placed;
    place_markers(scene->Perspective, markers, placed);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].marker, &markers[1]);
    EXPECT_EQ(placed[1].marker, &markers[0]);
    EXPECT_GT(placed[0].distance2, placed[1].distance2);
    EXPECT_LT(placed[0].height, placed[1].height);

    place_markers(scene->Perspective, lineup(), placed);
    ASSERT_EQ(placed.size(), lineup().size());
    for (size_t i = 1; i < placed.size(); ++i)
        EXPECT_GE(placed[i - 1].distance2, placed[i].distance2);
}

TEST_F(SceneFrames, MarkersDrawAtTheirFootAndNeverOutside) {
    draw();
    std::fill(bitmap.bits.begin(), bitmap.bits.end(), 0);
    const Marker m{Marker::PLAYER, 0, -300, 0, 1};
    std::vector<PlacedMarker> placed;
    place_markers(scene->Perspective, std::span<const Marker>(&m, 1), placed);
    ASSERT_EQ(placed.size(), 1u);
    draw_markers(bitmap, placed);
    // The shoes stand on the foot's row, the helmet a height above it.
    const PlacedMarker &p = placed[0];
    const auto row_lit = [&](int y) {
        const uint8_t *row = &bitmap.bits[size_t(bitmap.height - 1 - y) * size_t(bitmap.stride)];
        return std::any_of(row + std::max(0, p.x - p.height),
                           row + std::min(bitmap.width, p.x + p.height + 1),
                           [](uint8_t v) { return v != 0; });
    };
    EXPECT_TRUE(row_lit(p.y));
    EXPECT_TRUE(row_lit(p.y - p.height + 1));
    // Huge and far outside: only the bitmap is written (the sanitizers
    // would see anything else), and the padding stays clean.
    PlacedMarker wild = p;
    wild.x = -2000000000;
    wild.height = 8192;
    draw_markers(bitmap, std::span<const PlacedMarker>(&wild, 1));
    wild.x = 100;
    wild.y = 2000000000;
    draw_markers(bitmap, std::span<const PlacedMarker>(&wild, 1));
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = bitmap.width; x < bitmap.stride; ++x)
            ASSERT_EQ(bitmap.bits[size_t(y) * size_t(bitmap.stride) + size_t(x)], 0);
}

// ---------------------------------------------------- canvas and pictures

TEST(Canvas, TextIsClippedAndUnknownCharactersShowAsQuestionMarks) {
    Canvas c, a, b;
    c.resize(40, 12);
    EXPECT_EQ(text_width("abc", 2), 36);
    EXPECT_EQ(draw_text(c, 30, 5, "WW", rgb(255, 0, 0), 1), 42);
    EXPECT_NE(std::count(c.pixels.begin(), c.pixels.end(), rgb(255, 0, 0)), 0);
    a.resize(12, 12);
    b.resize(12, 12);
    draw_text(a, 0, 0, "\x01", rgb(1, 2, 3), 1);
    draw_text(b, 0, 0, "?", rgb(1, 2, 3), 1);
    EXPECT_EQ(a.pixels, b.pixels);
    // Descenders reach below the capitals.
    c.resize(6, 10);
    draw_text(c, 0, 0, "g", rgb(9, 9, 9), 1);
    EXPECT_NE(std::count(c.pixels.begin() + 8 * 6, c.pixels.begin() + 9 * 6, rgb(9, 9, 9)), 0);
}

TEST(Canvas, ShadeMixesAndFillClips) {
    Canvas c;
    c.resize(4, 4);
    fill_rect(c, {-10, -10, 12, 12}, rgb(200, 100, 0));
    EXPECT_EQ(c.at(1, 1), rgb(200, 100, 0));
    EXPECT_EQ(c.at(2, 2), 0u);
    shade_rect(c, {0, 0, 4, 4}, rgb(0, 0, 200), 128);
    EXPECT_EQ(c.at(1, 1), rgb(100, 50, 100));
    EXPECT_EQ(c.at(3, 3), rgb(0, 0, 100));
}

TEST(Compose, EnlargesWithoutSmoothingAndBlacksOutTheRest) {
    const quelm_tool::Palette palette = quelm_tool::default_palette();
    quelm_tool::HostBitmap pic = quelm_tool::make_host_bitmap(3, 2, palette);
    pic.bits[size_t(pic.stride)] = 37;  // bottom-up rows: (0, 0) is in the last one
    pic.bits[2] = 51;                   // (2, 1)
    const Lookup lookup = lookup_of(palette);
    Canvas c;
    c.resize(7, 5);
    compose(pic, lookup, 2, c);
    EXPECT_EQ(c.at(0, 0), lookup[37]);
    EXPECT_EQ(c.at(1, 1), lookup[37]);
    EXPECT_EQ(c.at(2, 0), lookup[0]);
    EXPECT_EQ(c.at(5, 3), lookup[51]);
    EXPECT_EQ(c.at(6, 0), 0u);  // beyond the enlarged picture
    EXPECT_EQ(c.at(0, 4), 0u);
}

std::vector<uint8_t> read_rgb_png(const fs::path &path, int &w, int &h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    w = int(image.width);
    h = int(image.height);
    return pixels;
}

TEST(Screenshot, WritesTheCanvasAsRgb) {
    const fs::path file =
        fs::path(::testing::TempDir()) / ("viewer-shot-" + std::to_string(getpid()) + ".png");
    Canvas c;
    c.resize(5, 3);
    c.pixels[7] = rgb(10, 20, 30);
    write_screenshot(file.string(), c);
    int w = 0, h = 0;
    const auto bytes = read_rgb_png(file, w, h);
    fs::remove(file);
    ASSERT_EQ(bytes.size(), 45u);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 20, bytes.begin() + 25),
              (std::vector<uint8_t>{0, 10, 20, 30, 0}));
}

// ----------------------------------------------- the dialogs and the mouse

// Runs a dialog with the viewer's view of it; each step returns the actions
// to deliver next, and the dialog closes when the steps run out.
class DialogMouse : public ::testing::Test {
protected:
    using Step = std::function<DialogActions(DialogView &)>;

    void TearDown() override { QuelmSetDialogHost(nullptr); }

    int32_t run(int32_t (*open)(HWND), std::vector<Step> run_steps) {
        steps = std::move(run_steps);
        const QUELM_DIALOG_HOST host = {this, on_show, on_next, on_posted, on_hide};
        QuelmSetDialogHost(&host);
        return open(reinterpret_cast<HWND>(this));
    }

    static void on_show(void *ctx, HWND dlg) {
        show_dialog(static_cast<DialogMouse *>(ctx)->view, dlg, 640, 400);
    }
    static void on_hide(void *ctx, HWND) { hide_dialog(static_cast<DialogMouse *>(ctx)->view); }
    static void on_posted(void *ctx, const QUELM_POSTED_MESSAGE *m) {
        static_cast<DialogMouse *>(ctx)->reports.push_back(
            {int(m->wParam), int(int16_t(uint16_t(m->lParam)))});
    }
    static void on_next(void *ctx, HWND, QUELM_DIALOG_ACTION *action) {
        auto *self = static_cast<DialogMouse *>(ctx);
        while (self->queued.empty()) {
            if (self->next_step >= self->steps.size()) {
                action->kind = QUELM_ACTION_CLOSE;
                return;
            }
            self->queued = self->steps[self->next_step++](self->view);
        }
        *action = self->queued.front();
        self->queued.erase(self->queued.begin());
    }

    static DialogActions click(DialogView &v, Point p) {
        DialogActions out;
        dialog_mouse_down(v, p, 0, out);
        dialog_mouse_up(v, p, out);
        return out;
    }
    static DialogActions click_slider(DialogView &v, const char *ref, MouseTarget::Part part) {
        return click(v, *slider_point(v, find_slider(v, ref), part));
    }

    DialogView view;
    std::vector<Step> steps;
    size_t next_step = 0;
    DialogActions queued;
    std::vector<std::pair<int, int>> reports;
};

TEST_F(DialogMouse, SlidersAreFoundByIdAndByTheCaptionAboveThem) {
    // "quelm" stands right of its bar; 121 is a number, not a slider.
    const std::pair<const char *, int> refs[] = {
        {"vd", 101},   {"view-ref-pt", 102},   {"view-ref-pt/3", 104}, {"ctr-project/2", 106},
        {"bank", 108}, {"quelm", 109},         {"109", 109},           {"ctr-project/4", 0},
        {"121", 0},    {"nothing", 0},         {"vd/0", 0}};
    run(DoCoordinateSystemDlg, {[&](DialogView &v) {
            for (const auto &[ref, id] : refs) {
                const HWND h = find_slider(v, ref);
                EXPECT_EQ(h ? int(GetWindowLongA(h, GWL_ID)) : 0, id) << ref;
            }
            return DialogActions{};
        }});
}

TEST_F(DialogMouse, ClicksOnArrowsAndTrackAreLineAndPageMoves) {
    CAMERA c = start_camera();
    c.ViewDistance = 5000;
    c.Magnification = 1.0;
    ChangeView(&c);
    std::vector<int> after;
    const auto pos = [](const DialogView &v, const char *ref) {
        return GetScrollPos(find_slider(v, ref), SB_CTL);
    };
    const int32_t result = run(
        DoCoordinateSystemDlg,
        {[&](DialogView &v) { return click_slider(v, "vd", MouseTarget::PAGE_DOWN); },
         [&](DialogView &v) {
             after.push_back(pos(v, "vd"));
             return click_slider(v, "vd", MouseTarget::LINE_UP);
         },
         [&](DialogView &v) {
             after.push_back(pos(v, "vd"));
             return click_slider(v, "quelm", MouseTarget::PAGE_UP);
         },
         [&](DialogView &v) {
             after.push_back(pos(v, "quelm"));
             return click(v, *button_point(v, "OK"));
         }});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(after, (std::vector<int>{5100, 5099, 900}));
}

TEST_F(DialogMouse, DraggingTheThumbTracksThenSetsThePosition) {
    CAMERA c = start_camera();
    c.Xcamera = 0;
    ChangeView(&c);
    DialogActions made;
    run(DoCoordinateSystemDlg,
        {[&](DialogView &v) {
             const Point grab =
                 *slider_point(v, find_slider(v, "ctr-project"), MouseTarget::THUMB);
             dialog_mouse_down(v, grab, 0, made);
             EXPECT_TRUE(made.empty());  // nothing until the thumb moves
             dialog_mouse_move(v, {grab.x, grab.y + 6}, made);
             dialog_mouse_move(v, {grab.x, grab.y + 6}, made);  // no move, no report
             dialog_mouse_move(v, {grab.x + 3, grab.y - 200}, made);
             dialog_mouse_up(v, {grab.x + 3, grab.y - 200}, made);
             return made;
         },
         [&](DialogView &v) { return click(v, *button_point(v, "Cancel")); }});
    ASSERT_EQ(made.size(), 3u);
    EXPECT_GT(made[0].pos, 0);
    const std::tuple<int, int, int> expected[] = {{SB_THUMBTRACK, 105, made[0].pos},
                                                  {SB_THUMBTRACK, 105, -15000},  // past the top
                                                  {SB_THUMBPOSITION, 105, -15000}};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::tuple(int(made[i].code), int(made[i].id), int(made[i].pos)), expected[i]);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], std::pair(105, made[0].pos));
    EXPECT_EQ(reports[2], std::pair(105, -15000));
}

TEST_F(DialogMouse, HeldArrowsRepeatAfterADelayAndButtonsActOnRelease) {
    DialogActions made;
    std::vector<size_t> counts;
    run(DoSpinDemoFeaturesDlg,
        {[&](DialogView &v) {
             const Point arrow = *slider_point(v, find_slider(v, "VS"), MouseTarget::LINE_DOWN);
             dialog_mouse_down(v, arrow, 1000, made);
             for (double t : {1100.0, 1349.0, 1350.0, 1360.0, 1400.0, 1450.0}) {
                 dialog_tick(v, t, made);
                 counts.push_back(made.size());
             }
             dialog_mouse_up(v, arrow, made);
             dialog_tick(v, 5000, made);
             counts.push_back(made.size());
             // A button released off itself does nothing.
             const Point ok = *button_point(v, "OK");
             dialog_mouse_down(v, ok, 0, made);
             dialog_mouse_up(v, {ok.x + 500, ok.y}, made);
             counts.push_back(made.size());
             return made;
         },
         [&](DialogView &v) { return click(v, *button_point(v, "OK")); }});
    EXPECT_EQ(counts, (std::vector<size_t>{1, 1, 2, 2, 3, 4, 4, 4}));
    for (const QUELM_DIALOG_ACTION &a : made) {
        EXPECT_EQ(a.id, 206);
        EXPECT_EQ(a.code, SB_LINEDOWN);
    }
}

TEST_F(DialogMouse, LayoutFitsTheWindowAndTheThumbFollowsThePosition) {
    run(DoCoordinateSystemDlg, {[&](DialogView &v) {
            layout_dialog(v, 330, 240);
            EXPECT_EQ(v.unit, 2);
            EXPECT_LE(v.frame.x + v.frame.w, 330);
            EXPECT_LE(v.frame.y + v.frame.h, 240);
            layout_dialog(v, 1600, 1000);
            EXPECT_EQ(v.unit, 5);
            EXPECT_LE(v.frame.x + v.frame.w, 1600);
            const HWND bar = find_slider(v, "bank");
            const BarGeometry top = bar_geometry(v, bar);
            EXPECT_EQ(top.min, 0);
            EXPECT_EQ(top.max, 359);
            EXPECT_EQ(top.thumb.y, top.track.y);
            SetScrollPos(bar, SB_CTL, 359, TRUE);
            const BarGeometry bottom = bar_geometry(v, bar);
            EXPECT_EQ(bottom.thumb.y + bottom.thumb.h, bottom.track.y + bottom.track.h);
            return DialogActions{};
        }});
}

// ---------------------------------------------------------------- scripts

// A script's events, each as "frame kind" and for the mouse where it
// happens: x,y in the window, +x,+y from the press, slider:part or button.
std::vector<std::string> timeline(const char *text) {
    static const char *const kinds[] = {"key-down", "key-up", "down", "move", "up",
                                        "wheel",    "resize", "shot", "quit"};
    static const char *const parts[] = {"thumb", "line-up", "line-down", "page-up", "page-down"};
    std::vector<std::string> out;
    for (const ScriptEvent &e : parse_script(text, "t").events) {
        std::string s = std::to_string(e.frame) + " " + kinds[e.kind];
        const MouseTarget &t = e.target;
        if (e.kind == ScriptEvent::MOUSE_DOWN || e.kind == ScriptEvent::MOUSE_MOVE ||
            e.kind == ScriptEvent::MOUSE_UP) {
            char where[64];
            if (t.kind == MouseTarget::POINT || t.kind == MouseTarget::FROM_PRESS)
                std::snprintf(where, sizeof where,
                              t.kind == MouseTarget::POINT ? " %d,%d" : " %+d,%+d", t.x, t.y);
            else
                std::snprintf(where, sizeof where, " %s%s%s", t.ref.c_str(),
                              t.kind == MouseTarget::SLIDER ? ":" : "",
                              t.kind == MouseTarget::SLIDER ? parts[t.part] : "");
            s += where;
        }
        if (e.kind == ScriptEvent::MOUSE_DOWN) s += " button " + std::to_string(e.button);
        out.push_back(s);
    }
    return out;
}

TEST(Script, CommandsBecomeATimelineOfEvents) {
    const char *text = "# a comment\nwait 2\nkey w   # turn\n\nhold shift+left 3\n"
                       "screenshot x.png\nwheel -2\nquit\n";
    EXPECT_EQ(timeline(text), (std::vector<std::string>{"2 key-down", "3 key-up", "3 key-down",
                                                        "6 key-up", "6 shot", "7 wheel",
                                                        "8 quit"}));
    const Script s = parse_script(text, "t");
    EXPECT_EQ(s.length, 9);
    EXPECT_EQ(s.events[0].key, int32_t('w'));
    EXPECT_EQ(s.events[0].line, 3);
    EXPECT_EQ(s.events[2].key, SDLK_LEFT);
    EXPECT_EQ(s.events[2].mods, KMOD_LSHIFT);
    EXPECT_EQ(s.events[4].file, "x.png");
    EXPECT_EQ(s.events[5].amount, -2);
}

TEST(Script, DragsMoveFromThePressAndClicksReleaseWhereThePressWas) {
    EXPECT_EQ(timeline("drag 10 20 50 0 4 right\nslider vd drag -30 2\n"),
              (std::vector<std::string>{"0 down 10,20 button 3", "1 move +10,-5", "2 move +20,-10",
                                        "3 move +30,-15", "4 move +40,-20", "4 up +40,-20",
                                        "4 down vd:thumb button 1", "5 move +0,-15",
                                        "6 move +0,-30", "6 up +0,-30"}));
    EXPECT_EQ(timeline("slider ctr-project/2 page-up\npress cancel\n"),
              (std::vector<std::string>{"0 down ctr-project/2:page-up button 1",
                                        "1 up ctr-project/2:page-up", "1 down Cancel button 1",
                                        "2 up Cancel"}));
}

TEST(Script, MistakesNameTheFileAndLine) {
    const std::pair<const char *, const char *> cases[] = {
        {"wait 1\nwait x\n", "2: 'x' is not a whole number"},
        {"wait -1\n", "1: -1 is out of range (0 to 1000000)"},
        {"key hyper\n", "1: unknown key 'hyper'"},
        {"hold w\n", "1: expected: hold KEY N"},
        {"slider vd sideways\n",
         "1: unknown slider part 'sideways' (line-up, line-down, page-up, page-down or drag)"},
        {"press maybe\n", "1: press takes OK or Cancel, not 'maybe'"},
        {"click 1 2 middle\n", "1: expected 'right' or nothing, not 'middle'"},
    };
    for (const auto &[text, message] : cases)
        EXPECT_EQ(failure_of([&] { parse_script(text, "demo.txt"); }),
                  std::string("demo.txt:") + message);
}

TEST(Script, KeyNames) {
    EXPECT_EQ(key_from_name("F12")->key, SDLK_F12);
    EXPECT_EQ(key_from_name("pagedown")->key, SDLK_PAGEDOWN);
    EXPECT_EQ(key_from_name("[")->key, SDLK_LEFTBRACKET);
    const auto chord = key_from_name("ctrl+shift+A");
    ASSERT_TRUE(chord);
    EXPECT_EQ(chord->key, int32_t('a'));
    EXPECT_EQ(chord->mods, KMOD_LCTRL | KMOD_LSHIFT);
    for (const char *name : {"ab", "shift+", "!"}) EXPECT_FALSE(key_from_name(name)) << name;
}

// ---------------------------------------------------------------- options

TEST(Options, HeadlessWhenScriptedUnlessAWindowIsAskedFor) {
    const auto parsed = [](std::vector<std::string_view> args) {
        ViewerOptions o;
        EXPECT_TRUE(parse_viewer_options(args, o));
        return o;
    };
    EXPECT_FALSE(parsed({}).headless);
    EXPECT_TRUE(parsed({"--frames", "3"}).headless);
    EXPECT_TRUE(parsed({"--script=s.txt"}).headless);
    EXPECT_FALSE(parsed({"--script", "s.txt", "--window"}).headless);
    // The headless sessions below exercise the size and frame-time options.
    const ViewerOptions o = parsed({"--scale=3", "--mode", "spin", "--target-ms", "12.5"});
    EXPECT_EQ(o.scale, 3);
    EXPECT_EQ(o.mode, VIEW_SPIN);
    EXPECT_EQ(o.target_ms, 12.5);
}

TEST(Options, BadArgumentsAreNamed) {
    const std::pair<std::vector<std::string_view>, const char *> cases[] = {
        {{"--scale", "0"}, "--scale: 0 is out of range (1 to 8)"},
        {{"--frames"}, "--frames needs a value: N"},
        {{"--no-adapt=yes"}, "--no-adapt takes no value"},
        {{"--fly"}, "unknown option --fly (see quelm-viewer --help)"},
    };
    for (const auto &[args, message] : cases) {
        ViewerOptions o;
        EXPECT_EQ(failure_of([&] { parse_viewer_options(args, o); }), message);
    }
}

// ------------------------------------------------ the program, headless

class Viewer : public ToolTest {
protected:
    Viewer() : ToolTest(QUELM_VIEWER_PATH) {}

    Outcome run_script(const std::string &name, std::vector<std::string> options) {
        options.insert(options.begin(), {"--script", QUELM_VIEWER_DATA "/" + name, "--size",
                                         "640x400"});
        return run(options);
    }
};

// "key=value" words of the lines that start with `head`.
std::map<std::string, std::string> fields(const std::string &out, const std::string &head) {
    std::map<std::string, std::string> f;
    for (const std::string &line : lines_of(out)) {
        if (!line.starts_with(head)) continue;
        std::istringstream words(line.substr(head.size()));
        for (std::string w; words >> w;)
            if (const size_t eq = w.find('='); eq != std::string::npos)
                f[w.substr(0, eq)] = w.substr(eq + 1);
    }
    return f;
}

// The values of each slider's reports, in order.
std::map<int, std::vector<int>> reports_of(const std::string &out) {
    std::map<int, std::vector<int>> r;
    for (const std::string &line : lines_of(out)) {
        int id = 0, value = 0;
        if (std::sscanf(line.c_str(), "report: %d %d", &id, &value) == 2) r[id].push_back(value);
    }
    return r;
}

// Pixels of the dialogs' face colour, which the default palette lacks.
size_t dialog_face_pixels(const fs::path &png) {
    int w = 0, h = 0;
    const auto p = read_rgb_png(png, w, h);
    size_t n = 0;
    for (size_t i = 0; i + 2 < p.size(); i += 3)
        n += p[i] == 192 && p[i + 1] == 192 && p[i + 2] == 192;
    return n;
}

TEST_F(Viewer, HelpListsOptionsKeysAndTheScriptLanguage) {
    const Outcome o = run({"--help"});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.starts_with("usage: quelm-viewer [options]\n")) << o.out;
    for (const char *part : {"--simulate-ms MS", "--script FILE", "F7 F8", "slider S drag DY"})
        EXPECT_NE(o.out.find(part), std::string::npos) << part;
    EXPECT_EQ(o.err, "");
}

TEST_F(Viewer, ScriptsThatNeedADialogWhereThereIsNoneAreRefusedOnOneLine) {
    std::ofstream(dir / "early.txt") << "wait 2\npress OK\n";
    std::ofstream(dir / "nobar.txt") << "key c\nslider spin page-up\n";
    const std::pair<const char *, const char *> cases[] = {
        {"early.txt", "early.txt:2: no dialog is open"},
        {"nobar.txt", "nobar.txt:2: the dialog has no slider spin"},
    };
    for (const auto &[script, message] : cases) {
        const Outcome o = run({"--script", script, "--size", "320x200"});
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, std::string("quelm-viewer: ") + message + "\n");
    }
}

TEST_F(Viewer, FramesAndAScreenshot) {
    const Outcome o = run({"--frames", "3", "--size", "320x200", "--screenshot", "shot.png"});
    ASSERT_EQ(o.status, 0) << o.err;
    auto summary = fields(o.out, "summary:");
    EXPECT_EQ(summary["frames"], "3");
    EXPECT_EQ(summary["complete"], "1");
    EXPECT_EQ(summary["no-work"], "2");
    EXPECT_EQ(summary["mode"], "dolly");
    int w = 0, h = 0;
    EXPECT_EQ(read_rgb_png(dir / "shot.png", w, h).size(), 320u * 200u * 3u);
    EXPECT_EQ(w, 320);
}

TEST_F(Viewer, ScriptedSessionPansTunesTheCameraAndShowsIt) {
    const Outcome o =
        run_script("session.txt", {"--simulate-ms", "40", "--target-ms", "10", "--verbose"});
    ASSERT_EQ(o.status, 0) << o.err;
    auto summary = fields(o.out, "summary:");
    // Slow frames raised the limit to 2, then gave up the fine surface; the
    // turns that followed were panned.
    EXPECT_EQ(summary["pan-limit"], "2");
    EXPECT_EQ(summary["surface"], "coarse");
    EXPECT_GE(std::stoi(summary["rapid-pans"]), 8);
    EXPECT_GE(std::stoi(summary["complete"]), 5);
    EXPECT_EQ(summary["mode"], "dolly");

    // Two page moves of 100, then a drag down, which raises the distance.
    auto reports = reports_of(o.out);
    const std::vector<int> &vd = reports[101];
    ASSERT_GE(vd.size(), 4u) << o.out;
    EXPECT_EQ(vd[1] - vd[0], 100);
    for (size_t i = 3; i < vd.size(); ++i) EXPECT_GE(vd[i], vd[i - 1]);
    EXPECT_GT(vd.back(), vd[1] + 1000);
    // Dragging ctr-project up lowers the camera's x.
    const std::vector<int> &eye_x = reports[105];
    ASSERT_GE(eye_x.size(), 2u);
    EXPECT_LT(eye_x.back(), eye_x.front());

    // The camera holds what the dialog reported last.
    auto camera = fields(o.out, "camera:");
    EXPECT_EQ(camera["vd"], std::to_string(vd.back()));
    EXPECT_TRUE(camera["eye"].starts_with(std::to_string(eye_x.back()) + ",")) << camera["eye"];
    // The wheel made 0.16 (640 pixels for 4000 inches) 1.1 cubed times larger;
    // the dialog, which keeps whole thousandths, cut it to 0.212.
    EXPECT_EQ(camera["magnification"], "0.212");
    EXPECT_NE(o.out.find("dialog: Control View\n"), std::string::npos);
    EXPECT_NE(o.out.find("dialog closed: OK\n"), std::string::npos);

    // The turns changed the picture; the dialog shows only while it is open.
    int w = 0, h = 0;
    const auto before = read_rgb_png(dir / "before.png", w, h);
    const auto after = read_rgb_png(dir / "after.png", w, h);
    ASSERT_EQ(before.size(), 640u * 400u * 3u);
    ASSERT_EQ(after.size(), before.size());
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); i += 3)
        changed += !std::equal(&before[i], &before[i] + 3, &after[i]);
    EXPECT_GT(changed, 640u * 400u / 5);
    EXPECT_EQ(dialog_face_pixels(dir / "before.png"), 0u);
    EXPECT_GT(dialog_face_pixels(dir / "dialog.png"), 20000u);
    EXPECT_EQ(dialog_face_pixels(dir / "after.png"), 0u);

    // Without adaptation the same turns are never panned.
    summary = fields(run_script("session.txt", {"--simulate-ms", "40", "--no-adapt"}).out,
                     "summary:");
    EXPECT_EQ(summary["rapid-pans"], "0");
    EXPECT_EQ(summary["pan-limit"], "0");
    EXPECT_EQ(summary["surface"], "fine");
}

TEST_F(Viewer, RefusedCamerasAreNeverDrawnAndTheLastGoodViewStays) {
    const Outcome o = run_script("refuse.txt", {"--verbose"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("dialog closed: OK\n"), std::string::npos);
    auto camera = fields(o.out, "camera:");
    EXPECT_EQ(camera["target"], "-15000,-15000,-15000");
    EXPECT_EQ(camera["eye"], "-15000,-15000,-15000");
    EXPECT_EQ(camera["magnification"], "0.001");
    // Every frame was drawn, from the last camera the library accepted.
    EXPECT_EQ(fields(o.out, "summary:")["frames"],
              std::to_string(load_script(QUELM_VIEWER_DATA "/refuse.txt").length));
    EXPECT_NE(o.out.find("note: no view at magnification 0: using 0.001\n"), std::string::npos);
    // Said once, when the camera reached the target.
    const std::string refused = "note: the library refuses this camera: the last good view stays\n";
    const size_t at = o.out.find(refused);
    ASSERT_NE(at, std::string::npos) << o.out;
    EXPECT_EQ(o.out.find(refused, at + 1), std::string::npos);
    EXPECT_GT(at, o.out.find("report: 107 -15000"));
}

TEST_F(Viewer, SpinDialogTunesTheSpinAndCancelKeepsWhatWasReported) {
    const Outcome o = run_script("spin.txt", {"--verbose"});
    ASSERT_EQ(o.status, 0) << o.err;
    // The viewer starts a new spin at 5 tenths of a degree; a page is 10.
    EXPECT_EQ(reports_of(o.out)[206], std::vector<int>{15});
    EXPECT_NE(o.out.find("dialog: Spin Demo View\n"), std::string::npos);
    EXPECT_NE(o.out.find("dialog closed: Cancel\n"), std::string::npos);
    EXPECT_EQ(fields(o.out, "summary:")["mode"], "spin");
}

}  // namespace
