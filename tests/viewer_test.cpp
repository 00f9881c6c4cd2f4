// quelm-viewer run headless: the scripts in data/viewer drive the camera, the
// dialogs and the keys as a person would, and the summary, the log and the
// screenshots show what came of it (tools_test has the program's refusals).
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/support/run_tool.h"

using namespace quelm_test;

namespace {

class Viewer : public ToolTest {
protected:
    Outcome run_script(const std::string &name, std::vector<std::string> options) {
        options.insert(options.begin(), {"--script", QUELM_VIEWER_DATA "/" + name, "--size",
                                         "640x400", "--verbose"});
        return run(QUELM_VIEWER_PATH, options);
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

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// A screenshot's pixels as 0xRRGGBB.
std::vector<uint32_t> pixels_of(const fs::path &path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    std::vector<uint32_t> out;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        out.push_back(uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2]);
    return out;
}

size_t count_colour(const std::vector<uint32_t> &pixels, uint32_t colour) {
    return size_t(std::count(pixels.begin(), pixels.end(), colour));
}

constexpr uint32_t kDialogFace = 0xC0C0C0;  // which the default palette lacks

TEST_F(Viewer, ScriptedSessionPansTunesTheCameraAndShowsIt) {
    const Outcome o = run_script("session.txt", {"--simulate-ms", "40", "--target-ms", "10"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    auto summary = fields(o.out, "summary:");
    // Slow frames raised the limit to 2, then gave up the fine surface; the
    // turns that followed were panned.
    EXPECT_EQ(summary["pan-limit"], "2");
    EXPECT_EQ(summary["surface"], "coarse");
    EXPECT_GE(std::stoi(summary["rapid-pans"]), 8);
    EXPECT_GE(std::stoi(summary["complete"]), 5);

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

    auto camera = fields(o.out, "camera:");
    EXPECT_EQ(camera["vd"], std::to_string(vd.back())) << "what the dialog reported last";
    // The drag down orbited the camera up from 1300 inches; the dialog moved its x.
    EXPECT_EQ(camera["eye"], std::to_string(eye_x.back()) + ",-2764,1463");
    // The wheel made 0.16 (640 pixels for 4000 inches) 1.1 cubed times larger;
    // the dialog, which keeps whole thousandths, cut it to 0.212.
    EXPECT_EQ(camera["magnification"], "0.212");
    EXPECT_TRUE(has(o.out, "dialog closed: OK\n"));

    // The turns changed the picture; the dialog, with the legend of its
    // captions, shows only while it is open.
    const auto before = pixels_of(dir / "before.png"), after = pixels_of(dir / "after.png");
    const auto dialog = pixels_of(dir / "dialog.png");
    ASSERT_EQ(before.size(), 640u * 400u);
    ASSERT_EQ(after.size(), before.size());
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
    EXPECT_GT(changed, before.size() / 5);
    EXPECT_EQ(count_colour(before, kDialogFace), 0u);
    EXPECT_GT(count_colour(dialog, kDialogFace), 20000u);
    EXPECT_GT(count_colour(dialog, 0xE0E0E0), count_colour(before, 0xE0E0E0) + 5000);
    EXPECT_EQ(count_colour(after, kDialogFace), 0u);

    // Without adaptation the same turns are never panned.
    summary = fields(run_script("session.txt", {"--simulate-ms", "40", "--no-adapt"}).out,
                     "summary:");
    EXPECT_EQ(summary["rapid-pans"], "0");
    EXPECT_EQ(summary["pan-limit"], "0");
    EXPECT_EQ(summary["surface"], "fine");
}

TEST_F(Viewer, RefusedCamerasAreNeverDrawnAndTheLastGoodViewStays) {
    const Outcome o = run_script("refuse.txt", {});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(has(o.out, "dialog closed: OK\n"));
    auto camera = fields(o.out, "camera:");
    EXPECT_EQ(camera["target"], "-15000,-15000,-15000");
    EXPECT_EQ(camera["eye"], "-15000,-15000,-15000");
    EXPECT_EQ(camera["magnification"], "0.001");
    EXPECT_TRUE(has(o.out, "note: no view at magnification 0: using 0.001\n"));
    // Said once, when the camera reached the target.
    const std::string refused = "note: the library refuses this camera: the last good view stays\n";
    const size_t at = o.out.find(refused);
    ASSERT_NE(at, std::string::npos) << o.out;
    EXPECT_EQ(o.out.find(refused, at + 1), std::string::npos);
    EXPECT_GT(at, o.out.find("report: 107 -15000"));
}

TEST_F(Viewer, ADialogAskedForAsAnotherClosesOpensAfterIt) {
    const Outcome o = run_script("spin.txt", {});
    ASSERT_EQ(o.status, 0) << o.err;
    const size_t ok = o.out.find("dialog closed: OK\n");
    ASSERT_NE(ok, std::string::npos) << o.out;
    EXPECT_GT(o.out.find("dialog: Spin Demo View\n"), ok) << o.out;
    // The viewer starts a new spin at 5 tenths of a degree; a page is 10.
    EXPECT_EQ(reports_of(o.out)[206], std::vector<int>{15});
    EXPECT_TRUE(has(o.out, "dialog closed: Cancel\n"));
    EXPECT_EQ(fields(o.out, "summary:")["mode"], "spin");
    EXPECT_GT(count_colour(pixels_of(dir / "spin-dialog.png"), 0xE0E0E0), 5000u) << "legend";
}

TEST_F(Viewer, OnePlayingSurfaceAlwaysShowsAndTheKeyListIsSolid) {
    const Outcome o = run_script("keys.txt", {"--no-adapt"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(has(o.out, "note: fine playing surface off, coarse playing surface on\n"));
    EXPECT_TRUE(has(o.out, "note: coarse playing surface off, fine playing surface on\n"));
    auto summary = fields(o.out, "summary:");
    EXPECT_EQ(summary["surface"], "fine");
    EXPECT_LT(std::stoi(summary["frames"]), 100);
    double x = 0, y = 0, z = 0;
    const std::string target = fields(o.out, "camera:")["target"];
    ASSERT_EQ(std::sscanf(target.c_str(), "%lf,%lf,%lf", &x, &y, &z), 3) << target;
    EXPECT_GT(x, 0);
    EXPECT_GT(y, -300);
    const auto keys = pixels_of(dir / "keys.png");
    EXPECT_GT(count_colour(keys, 0x080C18), keys.size() * 8 / 10) << "the list hides the stadium";
}

TEST_F(Viewer, AspectFullScreenAndVsync) {
    const Outcome o = run(QUELM_VIEWER_PATH,
                          {"--script", QUELM_VIEWER_DATA "/display.txt", "--size", "640x400",
                           "--scale", "2", "--aspect", "4:3", "--vsync", "--window"},
                          {.env = {{"SDL_VIDEODRIVER", "dummy"}}});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto bars = pixels_of(dir / "bars.png");
    ASSERT_EQ(bars.size(), 640u * 400u);
    const uint32_t *bottom = &bars[399 * 640];
    EXPECT_EQ(bottom[52], 0u);
    EXPECT_NE(bottom[53], 0u);
    EXPECT_NE(bottom[585], 0u);
    EXPECT_EQ(bottom[586], 0u);
    EXPECT_EQ(pixels_of(dir / "full.png").size(), 1024u * 768u) << "the dummy display's size";
}

}  // namespace
