// quelm-viewer: its parts against the library (camera moves, what each frame
// cost, the figures, the dialogs worked by the mouse, scripts, options), and
// the program run headless as a script or test runs it.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <SDL_keycode.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "quelm.h"
#include "quelm_dialoghost.h"
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

namespace fs = std::filesystem;
using namespace quelm_viewer;

namespace {

// ------------------------------------------------------------ helpers

CAMERA start_camera(int w = 320, int h = 200) {
    CAMERA c{};
    place_start_view(c, w, h);
    return c;
}

// The view state SetView leaves for the camera, as a scene would hold it.
VANTAGE view_of(const CAMERA &camera) {
    CAMERA c = camera;
    VANTAGE v{};
    EXPECT_NE(SetView(&c, &v), -1);
    return v;
}

double distance_between(double ax, double ay, double az, double bx, double by, double bz) {
    return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by) + (az - bz) * (az - bz));
}

std::string failure_of(const std::function<void()> &fn) {
    try {
        fn();
    } catch (const quelm_tool::Failure &f) {
        return f.what();
    }
    return "(no failure)";
}

// --------------------------------------------------------- camera moves

TEST(CameraControl, OrbitKeepsTargetAndDistance) {
    CAMERA c = start_camera();
    const double before = camera_distance(c);
    orbit(c, 0.7, 0.1);
    EXPECT_NEAR(camera_distance(c), before, 1e-6);
    EXPECT_EQ(c.Xtarget, 0);
    EXPECT_EQ(c.Ytarget, -300);
    EXPECT_EQ(view_changes(c, view_of(start_camera())), VIEW_CAMERA_MOVED);
}

TEST(CameraControl, OrbitStopsShortOfVerticalAndOfTheGround) {
    CAMERA c = start_camera();
    orbit(c, 0, 10);
    const double d = camera_distance(c);
    EXPECT_NEAR(c.Zcamera - c.Ztarget, d * std::sin(MAX_PITCH), 1e-6);
    orbit(c, 0, -10);
    EXPECT_NEAR(c.Zcamera, MIN_EYE_HEIGHT, 1e-6);
}

TEST(CameraControl, TurnMovesTheTargetAloneSoTheLibraryMayPan) {
    const CAMERA start = start_camera();
    const VANTAGE view = view_of(start);
    CAMERA c = start;
    turn(c, 40, 0);
    EXPECT_EQ(c.Xcamera, start.Xcamera);
    EXPECT_EQ(c.Ycamera, start.Ycamera);
    EXPECT_EQ(c.Zcamera, start.Zcamera);
    EXPECT_NEAR(distance_between(c.Xtarget, c.Ytarget, c.Ztarget, start.Xtarget, start.Ytarget,
                                 start.Ztarget),
                40, 1e-9);
    EXPECT_EQ(view_changes(c, view), VIEW_TARGET_MOVED);
    turn(c, 0, 25);
    EXPECT_EQ(c.Ztarget, start.Ztarget + 25);
}

TEST(CameraControl, ScreenRightIsRightInThePicture) {
    const CAMERA c = start_camera();
    VANTAGE view = view_of(c);
    double rx = 0, ry = 0;
    screen_right(c, rx, ry);
    int32_t x = 0, y = 0;
    ASSERT_EQ(WorldToScreen(&view, &x, &y, int32_t(c.Xtarget + 300 * rx),
                            int32_t(c.Ytarget + 300 * ry), 0),
              1);
    EXPECT_GT(x, 160 + 10);
    EXPECT_NEAR(y, 100, 3);
    // Turning right brings what lay to the right towards the middle.
    CAMERA turned = c;
    turn(turned, 300, 0);
    VANTAGE after = view_of(turned);
    int32_t x2 = 0, y2 = 0;
    ASSERT_EQ(WorldToScreen(&after, &x2, &y2, int32_t(c.Xtarget + 300 * rx),
                            int32_t(c.Ytarget + 300 * ry), 0),
              1);
    EXPECT_NEAR(x2, 160, 2);
}

TEST(CameraControl, WalkAndRiseCarryCameraAndTargetTogether) {
    const CAMERA start = start_camera();
    CAMERA c = start;
    walk(c, 100, 50);
    rise(c, 30);
    EXPECT_NEAR(c.Xcamera - c.Xtarget, start.Xcamera - start.Xtarget, 1e-9);
    EXPECT_NEAR(c.Ycamera - c.Ytarget, start.Ycamera - start.Ytarget, 1e-9);
    EXPECT_NEAR(c.Zcamera - c.Ztarget, start.Zcamera - start.Ztarget, 1e-9);
    EXPECT_NEAR(std::hypot(c.Xtarget - start.Xtarget, c.Ytarget - start.Ytarget),
                std::hypot(100, 50), 1e-9);
    EXPECT_EQ(c.Ztarget, start.Ztarget + 30);
    EXPECT_EQ(view_changes(c, view_of(start)), VIEW_TARGET_MOVED | VIEW_CAMERA_MOVED);
}

TEST(CameraControl, MovesStayInsideTheWorldAndTheLimits) {
    const CAMERA start = start_camera();
    CAMERA c = start;
    walk(c, 1e7, -1e7);
    rise(c, 1e7);
    for (double v : {c.Xcamera, c.Ycamera, c.Zcamera, c.Xtarget, c.Ytarget, c.Ztarget})
        EXPECT_LE(std::fabs(v), WORLD_LIMIT);
    // At the edge of the world camera and target stop together.
    EXPECT_NEAR(c.Xcamera - c.Xtarget, start.Xcamera - start.Xtarget, 1e-9);
    EXPECT_NEAR(c.Ycamera - c.Ytarget, start.Ycamera - start.Ytarget, 1e-9);
    EXPECT_NEAR(c.Zcamera - c.Ztarget, start.Zcamera - start.Ztarget, 1e-9);
    EXPECT_EQ(std::max(c.Zcamera, c.Ztarget), WORLD_LIMIT);
    move_in(c, 1e-9);
    EXPECT_NEAR(camera_distance(c), MIN_DISTANCE, 1e-6);
    zoom(c, 1e-9);
    EXPECT_EQ(c.Magnification, MIN_MAGNIFICATION);
    zoom(c, 1e12);
    EXPECT_EQ(c.Magnification, MAX_MAGNIFICATION);
}

TEST(CameraControl, MovingInAlongALowSightStopsAboveTheGround) {
    CAMERA c = start_camera();
    c.Zcamera = 60;
    move_in(c, 0.1);
    EXPECT_EQ(c.Zcamera, MIN_EYE_HEIGHT);
}

TEST(CameraControl, ViewChangesReportsARefusedCamera) {
    CAMERA c = start_camera();
    const VANTAGE view = view_of(c);
    c.Xcamera = c.Xtarget;
    c.Ycamera = c.Ytarget;
    c.Zcamera = c.Ztarget;
    EXPECT_EQ(view_changes(c, view), -1);
    // Nothing was touched: the original still sees no change.
    EXPECT_EQ(view_changes(start_camera(), view), 0);
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

TEST_F(SceneFrames, FirstFrameProjectsAndAStillOneDoesNothing) {
    EXPECT_EQ(draw(), FrameWork::COMPLETE);
    EXPECT_EQ(draw(), FrameWork::NOTHING);
    orbit(camera, 0.01, 0);
    EXPECT_EQ(draw(), FrameWork::COMPLETE);
}

TEST_F(SceneFrames, TurnsPanOnlyOnceSlowFramesRaisedTheLimit) {
    draw();
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
    EXPECT_EQ(seen, (std::vector<FrameWork>{FrameWork::RAPID_PAN, FrameWork::RAPID_PAN,
                                            FrameWork::COMPLETE, FrameWork::RAPID_PAN,
                                            FrameWork::RAPID_PAN, FrameWork::COMPLETE}));
    // A still frame after a pan counts on and, at the limit, reprojects.
    turn(camera, 10, 0);
    EXPECT_EQ(draw(), FrameWork::RAPID_PAN);
    EXPECT_EQ(draw(), FrameWork::COMPLETE);
    EXPECT_EQ(draw(), FrameWork::NOTHING);
}

TEST_F(SceneFrames, AdaptationReportsOnlyWhenOnAndSwapsTheSurface) {
    Adaptation a;
    a.target_ms = 10;
    a.on = false;
    a.report(scene, 50);
    EXPECT_EQ(scene->iRapidPansLimit, 0);
    a.on = true;
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

TEST_F(SceneFrames, FrameLogCountsAndKeepsTheRecentOnes) {
    FrameLog log;
    for (size_t i = 0; i < FrameLog::RECENT; ++i) log.add(FrameWork::NOTHING);
    log.add(FrameWork::RAPID_PAN);
    log.add(FrameWork::COMPLETE);
    EXPECT_EQ(log.frames, int64_t(FrameLog::RECENT) + 2);
    EXPECT_EQ(log.nothing, int64_t(FrameLog::RECENT));
    EXPECT_EQ(log.rapid_pans, 1);
    EXPECT_EQ(log.complete, 1);
    // The newest frames took the oldest slots.
    EXPECT_EQ(log.recent[0], FrameWork::RAPID_PAN);
    EXPECT_EQ(log.recent[1], FrameWork::COMPLETE);
    EXPECT_EQ(log.recent[2], FrameWork::NOTHING);
}

TEST_F(SceneFrames, LowCameraCutsSurfacesAtTheNearPlane) {
    draw();
    const SurfaceCount high = count_surfaces(*scene);
    EXPECT_GT(high.drawn, 100);
    camera.Xcamera = 0;
    camera.Ycamera = -1500;
    camera.Zcamera = 30;
    camera.Xtarget = 0;
    camera.Ytarget = 1500;
    camera.Ztarget = 0;
    draw();
    const SurfaceCount low = count_surfaces(*scene);
    EXPECT_GT(low.cut, high.cut);
}

// --------------------------------------------------------------- figures

TEST_F(SceneFrames, MarkersAreOrderedHiddenAndSizedByDistance) {
    draw();
    VANTAGE &view = scene->Perspective;
    const Marker near_one{Marker::PLAYER, 0, -900, 0, 0};
    const Marker far_one{Marker::PLAYER, 0, 1500, 0, 1};
    // Behind the start camera, which looks from -x, -y.
    const Marker behind{Marker::PLAYER, -4000, -5000, 0, 0};
    const Marker markers[] = {near_one, behind, far_one};
    std::vector<PlacedMarker> placed;
    place_markers(view, markers, placed);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].marker, &markers[2]);
    EXPECT_EQ(placed[1].marker, &markers[0]);
    EXPECT_GT(placed[0].distance2, placed[1].distance2);
    EXPECT_LT(placed[0].height, placed[1].height);

    place_markers(view, lineup(), placed);
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
    const PlacedMarker &p = placed[0];
    // The shoes stand on the foot's row, the helmet a height above it.
    auto at = [&](int x, int y) {
        return bitmap.bits[size_t(bitmap.height - 1 - y) * size_t(bitmap.stride) + size_t(x)];
    };
    bool shoe = false, helmet = false;
    for (int dx = -p.height; dx <= p.height; ++dx) {
        const int x = p.x + dx;
        if (x < 0 || x >= bitmap.width) continue;
        shoe |= at(x, p.y) != 0;
        helmet |= at(x, p.y - p.height + 1) != 0;
    }
    EXPECT_TRUE(shoe);
    EXPECT_TRUE(helmet);
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
    Canvas c;
    c.resize(40, 12);
    EXPECT_EQ(text_width("abc", 2), 36);
    const int end = draw_text(c, 30, 5, "WW", rgb(255, 0, 0), 1);
    EXPECT_EQ(end, 42);
    int lit = 0;
    for (Colour p : c.pixels) lit += p != 0;
    EXPECT_GT(lit, 0);
    Canvas a, b;
    a.resize(12, 12);
    b.resize(12, 12);
    draw_text(a, 0, 0, "\x01", rgb(1, 2, 3), 1);
    draw_text(b, 0, 0, "?", rgb(1, 2, 3), 1);
    EXPECT_EQ(a.pixels, b.pixels);
    // Descenders reach below the capitals.
    Canvas g;
    g.resize(6, 10);
    draw_text(g, 0, 0, "g", rgb(9, 9, 9), 1);
    bool below = false;
    for (int x = 0; x < 6; ++x) below |= g.at(x, 8) != 0;
    EXPECT_TRUE(below);
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
    quelm_tool::Palette palette = quelm_tool::default_palette();
    quelm_tool::HostBitmap pic = quelm_tool::make_host_bitmap(3, 2, palette);
    // Bottom-up rows: the top row is stored last.
    auto set = [&](int x, int y, uint8_t v) {
        pic.bits[size_t(pic.height - 1 - y) * size_t(pic.stride) + size_t(x)] = v;
    };
    set(0, 0, 37);
    set(2, 1, 51);
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

std::vector<uint8_t> read_rgb_png(const std::string &path, int &w, int &h) {
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

TEST(Screenshot, WritesTheCanvasAndRefusesAFolderItCannotWrite) {
    const fs::path dir = fs::temp_directory_path() / ("viewer-shot-" + std::to_string(getpid()));
    fs::create_directories(dir);
    Canvas c;
    c.resize(5, 3);
    c.pixels[7] = rgb(10, 20, 30);
    write_screenshot((dir / "a.png").string(), c);
    int w = 0, h = 0;
    const auto rgb_bytes = read_rgb_png((dir / "a.png").string(), w, h);
    ASSERT_EQ(rgb_bytes.size(), 45u);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(rgb_bytes[21], 10);
    EXPECT_EQ(rgb_bytes[22], 20);
    EXPECT_EQ(rgb_bytes[23], 30);
    EXPECT_EQ(rgb_bytes[0], 0);
    EXPECT_NE(failure_of([&] { write_screenshot((dir / "no/such/b.png").string(), c); }),
              "(no failure)");
    fs::remove_all(dir);
}

// ----------------------------------------------- the dialogs and the mouse

// Runs a dialog with the viewer's view of it; each call of next_action
// runs the next step, which returns the actions to deliver.
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
        auto *self = static_cast<DialogMouse *>(ctx);
        show_dialog(self->view, dlg, 640, 400);
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
                action->kind = QUELM_ACTION_CLOSE;  // out of steps: end the dialog
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

    DialogView view;
    std::vector<Step> steps;
    size_t next_step = 0;
    DialogActions queued;
    std::vector<std::pair<int, int>> reports;
};

int scroll_pos(const DialogView &v, const char *ref) {
    return GetScrollPos(find_slider(v, ref), SB_CTL);
}

TEST_F(DialogMouse, SlidersAreFoundByIdAndByTheCaptionAboveThem) {
    auto id_of = [](HWND h) { return h ? int(GetWindowLongA(h, GWL_ID)) : 0; };
    std::map<std::string, int> found;
    const std::vector<std::string> refs = {"vd",    "view-ref-pt", "view-ref-pt/3", "ctr-project",
                                           "ctr-project/2", "bank", "quelm", "109",
                                           "ctr-project/4", "121", "nothing", "vd/0"};
    run(DoCoordinateSystemDlg, {[&](DialogView &v) {
            for (const std::string &r : refs) found[r] = id_of(find_slider(v, r));
            return DialogActions{};
        }});
    EXPECT_EQ(found["vd"], 101);
    EXPECT_EQ(found["view-ref-pt"], 102);
    EXPECT_EQ(found["view-ref-pt/3"], 104);
    EXPECT_EQ(found["ctr-project"], 105);
    EXPECT_EQ(found["ctr-project/2"], 106);
    EXPECT_EQ(found["bank"], 108);
    EXPECT_EQ(found["quelm"], 109);  // its caption stands right of the bar
    EXPECT_EQ(found["109"], 109);
    EXPECT_EQ(found["ctr-project/4"], 0);
    EXPECT_EQ(found["121"], 0);  // a number, not a slider
    EXPECT_EQ(found["nothing"], 0);
    EXPECT_EQ(found["vd/0"], 0);
}

TEST_F(DialogMouse, ClicksOnArrowsAndTrackAreLineAndPageMoves) {
    CAMERA c = start_camera();
    c.ViewDistance = 5000;
    c.Magnification = 1.0;
    ChangeView(&c);
    std::vector<int> after;
    const int32_t result = run(
        DoCoordinateSystemDlg,
        {[&](DialogView &v) {
             return click(v, *slider_point(v, find_slider(v, "vd"), MouseTarget::PAGE_DOWN));
         },
         [&](DialogView &v) {
             after.push_back(scroll_pos(v, "vd"));
             return click(v, *slider_point(v, find_slider(v, "vd"), MouseTarget::LINE_UP));
         },
         [&](DialogView &v) {
             after.push_back(scroll_pos(v, "vd"));
             return click(v, *slider_point(v, find_slider(v, "quelm"), MouseTarget::PAGE_UP));
         },
         [&](DialogView &v) {
             after.push_back(scroll_pos(v, "quelm"));
             return click(v, *button_point(v, "OK"));
         }});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(after, (std::vector<int>{5100, 5099, 900}));
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{101, 5100}, {101, 5099}, {109, 900}}));
}

TEST_F(DialogMouse, DraggingTheThumbTracksThenSetsThePosition) {
    CAMERA c = start_camera();
    c.Xcamera = 0;
    ChangeView(&c);
    DialogActions made;
    run(DoCoordinateSystemDlg,
        {[&](DialogView &v) {
             const HWND bar = find_slider(v, "ctr-project");
             const Point grab = *slider_point(v, bar, MouseTarget::THUMB);
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
    EXPECT_EQ(made[0].code, SB_THUMBTRACK);
    EXPECT_EQ(made[0].id, 105);
    EXPECT_GT(made[0].pos, 0);
    EXPECT_EQ(made[1].code, SB_THUMBTRACK);
    EXPECT_EQ(made[1].pos, -15000);  // dragged past the top
    EXPECT_EQ(made[2].code, SB_THUMBPOSITION);
    EXPECT_EQ(made[2].pos, -15000);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], std::make_pair(105, made[0].pos));
    EXPECT_EQ(reports[2], std::make_pair(105, -15000));
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
    Rect frame_small, frame_large;
    int unit_small = 0, unit_large = 0;
    run(DoCoordinateSystemDlg, {[&](DialogView &v) {
            layout_dialog(v, 330, 240);
            frame_small = v.frame;
            unit_small = v.unit;
            layout_dialog(v, 1600, 1000);
            frame_large = v.frame;
            unit_large = v.unit;
            // A page down moves the thumb down its track.
            const HWND bar = find_slider(v, "bank");
            const BarGeometry before = bar_geometry(v, bar);
            EXPECT_EQ(before.min, 0);
            EXPECT_EQ(before.max, 359);
            EXPECT_EQ(before.thumb.y, before.track.y);
            SetScrollPos(bar, SB_CTL, 359, TRUE);
            const BarGeometry after = bar_geometry(v, bar);
            EXPECT_EQ(after.thumb.y + after.thumb.h, after.track.y + after.track.h);
            return DialogActions{};
        }});
    EXPECT_EQ(unit_small, 2);
    EXPECT_LE(frame_small.x + frame_small.w, 330);
    EXPECT_LE(frame_small.y + frame_small.h, 240);
    EXPECT_EQ(unit_large, 5);
    EXPECT_LE(frame_large.x + frame_large.w, 1600);
}

// ---------------------------------------------------------------- scripts

TEST(Script, CommandsBecomeATimelineOfEvents) {
    const Script s = parse_script(
        "# a comment\n"
        "wait 2\n"
        "key w   # turn\n"
        "\n"
        "hold shift+left 3\n"
        "screenshot x.png\n"
        "wheel -2\n"
        "quit\n",
        "t");
    ASSERT_EQ(s.events.size(), 7u);
    auto is = [&](size_t i, ScriptEvent::Kind kind, int64_t frame) {
        EXPECT_EQ(s.events[i].kind, kind) << i;
        EXPECT_EQ(s.events[i].frame, frame) << i;
    };
    is(0, ScriptEvent::KEY_DOWN, 2);
    EXPECT_EQ(s.events[0].key, int32_t('w'));
    EXPECT_EQ(s.events[0].line, 3);
    is(1, ScriptEvent::KEY_UP, 3);
    is(2, ScriptEvent::KEY_DOWN, 3);
    EXPECT_EQ(s.events[2].key, SDLK_LEFT);
    EXPECT_EQ(s.events[2].mods, KMOD_LSHIFT);
    is(3, ScriptEvent::KEY_UP, 6);
    is(4, ScriptEvent::SCREENSHOT, 6);
    EXPECT_EQ(s.events[4].file, "x.png");
    is(5, ScriptEvent::WHEEL, 7);
    EXPECT_EQ(s.events[5].amount, -2);
    is(6, ScriptEvent::QUIT, 8);
    EXPECT_EQ(s.length, 9);
}

TEST(Script, DragsMoveFromThePressAndReleaseWhereTheyEnd) {
    const Script s = parse_script("drag 10 20 50 0 4 right\nslider vd drag -30 2\n", "t");
    ASSERT_EQ(s.events.size(), 10u);
    EXPECT_EQ(s.events[0].kind, ScriptEvent::MOUSE_DOWN);
    EXPECT_EQ(s.events[0].button, 3);
    EXPECT_EQ(s.events[0].target.kind, MouseTarget::POINT);
    EXPECT_EQ(s.events[0].target.x, 10);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(s.events[size_t(i)].kind, ScriptEvent::MOUSE_MOVE);
        EXPECT_EQ(s.events[size_t(i)].frame, i);
        EXPECT_EQ(s.events[size_t(i)].target.kind, MouseTarget::FROM_PRESS);
        EXPECT_EQ(s.events[size_t(i)].target.x, 40 * i / 4);
        EXPECT_EQ(s.events[size_t(i)].target.y, -20 * i / 4);
    }
    EXPECT_EQ(s.events[5].kind, ScriptEvent::MOUSE_UP);
    EXPECT_EQ(s.events[5].frame, 4);
    EXPECT_EQ(s.events[5].target.x, 40);
    EXPECT_EQ(s.events[6].target.kind, MouseTarget::SLIDER);
    EXPECT_EQ(s.events[6].target.ref, "vd");
    EXPECT_EQ(s.events[6].target.part, MouseTarget::THUMB);
    EXPECT_EQ(s.events[9].target.y, -30);
    EXPECT_EQ(s.events[9].frame, 6);
}

TEST(Script, ClicksOnDialogPartsReleaseWhereThePressWas) {
    const Script s = parse_script("slider ctr-project/2 page-up\npress cancel\n", "t");
    ASSERT_EQ(s.events.size(), 4u);
    EXPECT_EQ(s.events[0].target.part, MouseTarget::PAGE_UP);
    EXPECT_EQ(s.events[1].kind, ScriptEvent::MOUSE_UP);
    EXPECT_EQ(s.events[1].target.ref, "ctr-project/2");
    EXPECT_EQ(s.events[2].target.kind, MouseTarget::BUTTON);
    EXPECT_EQ(s.events[2].target.ref, "Cancel");
    EXPECT_EQ(s.events[3].frame, 2);
}

TEST(Script, MistakesNameTheFileAndLine) {
    auto message = [](const char *text) {
        return failure_of([&] { parse_script(text, "demo.txt"); });
    };
    EXPECT_EQ(message("wait 1\njump 3\n"), "demo.txt:2: unknown command 'jump'");
    EXPECT_EQ(message("wait x\n"), "demo.txt:1: 'x' is not a whole number");
    EXPECT_EQ(message("wait -1\n"), "demo.txt:1: -1 is out of range (0 to 1000000)");
    EXPECT_EQ(message("key hyper\n"), "demo.txt:1: unknown key 'hyper'");
    EXPECT_EQ(message("hold w\n"), "demo.txt:1: expected: hold KEY N");
    EXPECT_EQ(message("slider vd sideways\n"),
              "demo.txt:1: unknown slider part 'sideways' (line-up, line-down, page-up, "
              "page-down or drag)");
    EXPECT_EQ(message("press maybe\n"), "demo.txt:1: press takes OK or Cancel, not 'maybe'");
    EXPECT_EQ(message("click 1 2 middle\n"),
              "demo.txt:1: expected 'right' or nothing, not 'middle'");
    EXPECT_EQ(message("resize 10 400\n"), "demo.txt:1: 10 is out of range (64 to 8192)");
}

TEST(Script, KeyNames) {
    EXPECT_EQ(key_from_name("F12")->key, SDLK_F12);
    EXPECT_EQ(key_from_name("pagedown")->key, SDLK_PAGEDOWN);
    EXPECT_EQ(key_from_name("[")->key, SDLK_LEFTBRACKET);
    const auto chord = key_from_name("ctrl+shift+A");
    ASSERT_TRUE(chord);
    EXPECT_EQ(chord->key, int32_t('a'));
    EXPECT_EQ(chord->mods, KMOD_LCTRL | KMOD_LSHIFT);
    EXPECT_FALSE(key_from_name("ab"));
    EXPECT_FALSE(key_from_name("shift+"));
    EXPECT_FALSE(key_from_name("!"));
}

// ---------------------------------------------------------------- options

ViewerOptions parsed(std::vector<std::string_view> args) {
    ViewerOptions o;
    EXPECT_TRUE(parse_viewer_options(args, o));
    return o;
}

TEST(Options, HeadlessWhenScriptedUnlessAWindowIsAskedFor) {
    EXPECT_FALSE(parsed({}).headless);
    EXPECT_TRUE(parsed({"--frames", "3"}).headless);
    EXPECT_TRUE(parsed({"--script=s.txt"}).headless);
    EXPECT_FALSE(parsed({"--script", "s.txt", "--window"}).headless);
    const ViewerOptions o =
        parsed({"--size", "640x400", "--scale=3", "--mode", "spin", "--simulate-ms", "40",
                "--target-ms", "12.5", "--no-adapt"});
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 400);
    EXPECT_EQ(o.scale, 3);
    EXPECT_EQ(o.mode, VIEW_SPIN);
    EXPECT_EQ(o.simulate_ms, 40);
    EXPECT_EQ(o.target_ms, 12.5);
    EXPECT_FALSE(o.adapt);
}

TEST(Options, BadArgumentsAreNamed) {
    auto message = [](std::vector<std::string_view> args) {
        ViewerOptions o;
        return failure_of([&] { parse_viewer_options(args, o); });
    };
    EXPECT_EQ(message({"--scale", "0"}), "--scale: 0 is out of range (1 to 8)");
    EXPECT_EQ(message({"--size", "20x20"}), "--size: 20x20: each side must be 64 to 8192");
    EXPECT_EQ(message({"--mode", "fly"}), "--mode: 'fly' is not idle, dolly or spin");
    EXPECT_EQ(message({"--frames"}), "--frames needs a value: N");
    EXPECT_EQ(message({"--no-adapt=yes"}), "--no-adapt takes no value");
    EXPECT_EQ(message({"--fly"}), "unknown option --fly (see quelm-viewer --help)");
    EXPECT_EQ(message({"stadium"}), "unexpected argument 'stadium' (see quelm-viewer --help)");
}

// ------------------------------------------------ the program, headless

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Viewer : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quelm-viewer-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome run(const std::vector<std::string> &args) {
        const fs::path out = dir / ".stdout", err = dir / ".stderr";
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0 || !freopen(out.c_str(), "w", stdout) ||
                !freopen(err.c_str(), "w", stderr))
                _exit(127);
            std::vector<char *> argv{const_cast<char *>(QUELM_VIEWER_PATH)};
            for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(QUELM_VIEWER_PATH, argv.data());
            _exit(127);
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        Outcome r;
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    fs::path write(const std::string &name, const std::string &text) {
        std::ofstream(dir / name) << text;
        return dir / name;
    }

    fs::path dir;
};

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// "key=value" words of the line that starts with `head`.
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

void expect_one_line_error(const Outcome &o, int status, const std::string &text) {
    EXPECT_EQ(o.status, status);
    EXPECT_TRUE(o.out.empty()) << o.out;
    EXPECT_EQ(lines_of(o.err).size(), 1u) << o.err;
    EXPECT_EQ(o.err, "quelm-viewer: " + text + "\n");
}

TEST_F(Viewer, HelpListsOptionsKeysAndTheScriptLanguage) {
    const Outcome o = run({"--help"});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.starts_with("usage: quelm-viewer [options]\n")) << o.out;
    for (const char *part : {"--simulate-ms MS", "--script FILE", "F7 F8", "slider S drag DY"})
        EXPECT_NE(o.out.find(part), std::string::npos) << part;
    EXPECT_TRUE(o.err.empty());
}

TEST_F(Viewer, BadInvocationsAreRefusedOnOneLine) {
    expect_one_line_error(run({"--scale", "9"}), 2, "--scale: 9 is out of range (1 to 8)");
    expect_one_line_error(run({"--script", "missing.txt"}), 1,
                          "cannot read the script missing.txt");
    write("bad.txt", "wait 1\n\nslider vd warp\n");
    expect_one_line_error(
        run({"--script", "bad.txt"}), 1,
        "bad.txt:3: unknown slider part 'warp' (line-up, line-down, page-up, page-down or drag)");
    write("early.txt", "wait 2\npress OK\n");
    expect_one_line_error(run({"--script", "early.txt", "--size", "320x200"}), 1,
                          "early.txt:2: no dialog is open");
    write("nobar.txt", "key c\nslider spin page-up\n");
    expect_one_line_error(run({"--script", "nobar.txt", "--size", "320x200"}), 1,
                          "nobar.txt:2: the dialog has no slider spin");
    write("nopal.txt", "");
    const Outcome pal = run({"--frames", "1", "--palette", "nopal.txt"});
    EXPECT_EQ(pal.status, 1);
    EXPECT_EQ(lines_of(pal.err).size(), 1u) << pal.err;
    EXPECT_TRUE(pal.err.starts_with("quelm-viewer: ")) << pal.err;
    EXPECT_FALSE(fs::exists(dir / "shot.png"));
}

TEST_F(Viewer, FramesAndAScreenshot) {
    const Outcome o = run({"--frames", "3", "--size", "320x200", "--screenshot", "shot.png"});
    ASSERT_EQ(o.status, 0) << o.err;
    auto s = fields(o.out, "summary:");
    EXPECT_EQ(s["frames"], "3");
    EXPECT_EQ(s["complete"], "1");
    EXPECT_EQ(s["no-work"], "2");
    EXPECT_EQ(s["mode"], "dolly");
    int w = 0, h = 0;
    EXPECT_EQ(read_rgb_png((dir / "shot.png").string(), w, h).size(), 320u * 200u * 3u);
    EXPECT_EQ(w, 320);
}

// Pixels that differ between two screenshots of one size.
double changed_share(const fs::path &a, const fs::path &b) {
    int wa = 0, ha = 0, wb = 0, hb = 0;
    const auto pa = read_rgb_png(a.string(), wa, ha), pb = read_rgb_png(b.string(), wb, hb);
    if (pa.empty() || pa.size() != pb.size()) return -1;
    size_t changed = 0;
    for (size_t i = 0; i < pa.size(); i += 3)
        changed += pa[i] != pb[i] || pa[i + 1] != pb[i + 1] || pa[i + 2] != pb[i + 2];
    return double(changed) / double(pa.size() / 3);
}

// Pixels of the dialogs' face colour, which the default palette lacks.
size_t dialog_face_pixels(const fs::path &png) {
    int w = 0, h = 0;
    const auto p = read_rgb_png(png.string(), w, h);
    size_t n = 0;
    for (size_t i = 0; i + 2 < p.size(); i += 3)
        n += p[i] == 192 && p[i + 1] == 192 && p[i + 2] == 192;
    return n;
}

TEST_F(Viewer, ScriptedSessionPansTunesTheCameraAndShowsIt) {
    const Outcome o = run({"--script", QUELM_VIEWER_DATA "/session.txt", "--size", "640x400",
                           "--simulate-ms", "40", "--target-ms", "10", "--verbose"});
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

    EXPECT_GT(changed_share(dir / "before.png", dir / "after.png"), 0.2);
    EXPECT_EQ(dialog_face_pixels(dir / "before.png"), 0u);
    EXPECT_GT(dialog_face_pixels(dir / "dialog.png"), 20000u);
    EXPECT_EQ(dialog_face_pixels(dir / "after.png"), 0u);
}

TEST_F(Viewer, WithoutAdaptationTheSameTurnsAreNeverPanned) {
    const Outcome o = run({"--script", QUELM_VIEWER_DATA "/session.txt", "--size", "640x400",
                           "--simulate-ms", "40", "--no-adapt"});
    ASSERT_EQ(o.status, 0) << o.err;
    auto summary = fields(o.out, "summary:");
    EXPECT_EQ(summary["rapid-pans"], "0");
    EXPECT_EQ(summary["pan-limit"], "0");
    EXPECT_EQ(summary["surface"], "fine");
}

TEST_F(Viewer, RefusedCamerasAreNeverDrawnAndTheLastGoodViewStays) {
    const Outcome o = run({"--script", QUELM_VIEWER_DATA "/refuse.txt", "--size", "640x400",
                           "--verbose"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("dialog closed: OK\n"), std::string::npos);
    auto camera = fields(o.out, "camera:");
    EXPECT_EQ(camera["target"], "-15000,-15000,-15000");
    EXPECT_EQ(camera["eye"], "-15000,-15000,-15000");
    EXPECT_EQ(camera["magnification"], "0.001");
    // Every frame was drawn, from the last camera the library accepted.
    auto summary = fields(o.out, "summary:");
    const Script script = load_script(QUELM_VIEWER_DATA "/refuse.txt");
    EXPECT_EQ(summary["frames"], std::to_string(script.length));
    EXPECT_NE(o.out.find("note: no view at magnification 0: using 0.001\n"), std::string::npos);
    // Said once, when the camera reached the target.
    const std::string refused = "note: the library refuses this camera: the last good view stays\n";
    const size_t at = o.out.find(refused);
    ASSERT_NE(at, std::string::npos) << o.out;
    EXPECT_EQ(o.out.find(refused, at + 1), std::string::npos);
    EXPECT_GT(at, o.out.find("report: 107 -15000"));
}

TEST_F(Viewer, SpinDialogTunesTheSpinAndCancelKeepsWhatWasReported) {
    const Outcome o = run({"--script", QUELM_VIEWER_DATA "/spin.txt", "--size", "640x400",
                           "--verbose"});
    ASSERT_EQ(o.status, 0) << o.err;
    // The viewer starts a new spin at 5 tenths of a degree; a page is 10.
    EXPECT_EQ(reports_of(o.out)[206], std::vector<int>{15});
    EXPECT_NE(o.out.find("dialog: Spin Demo View\n"), std::string::npos);
    EXPECT_NE(o.out.find("dialog closed: Cancel\n"), std::string::npos);
    EXPECT_EQ(fields(o.out, "summary:")["mode"], "spin");
}

}  // namespace
