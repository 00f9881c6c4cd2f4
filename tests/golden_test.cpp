// Golden pictures: fixed views of the stadium drawn through the library
// into 8-bit bitmaps, compared index for index with the PNGs stored in
// tests/data/golden.  Any change in the model, the view set-up, the
// projection, near-plane clipping or the rasteriser shows up here.
//
// After a deliberate change, look at the pictures a failing run leaves in
// the build's tests/golden-actual folder, then rewrite the stored ones with
//     QUELM_UPDATE_GOLDEN=1 ctest --test-dir build -R Golden
// and look at them again before committing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "quelm.h"
#include "tools/quelm/frame.h"
#include "tools/quelm/image.h"
#include "tools/quelm/output_file.h"
#include "tools/quelm/views.h"

namespace fs = std::filesystem;
using namespace quelm_tool;

namespace {

struct GoldenView {
    const char *name;
    int width, height;
    std::array<double, 3> eye, target;
    double magnification;  // 0: the tool's default framing
    uint32_t set, reset;   // scene-settings changes
};

const GoldenView VIEWS[] = {
    // The tool's default view, small.
    {"default", 320, 200, DEFAULT_EYE, DEFAULT_TARGET, 0, 0, 0},
    // The same with the coarse playing surface that RenderRate falls back to.
    {"coarse", 320, 200, DEFAULT_EYE, DEFAULT_TARGET, 0, PLAN_COARSE, PLAN_FINE},
    // The spin demonstration's starting view, at magnification 1.
    {"spin_start", 320, 200, {2700, 0, 360}, {540, 0, 72}, 1.0, 0, 0},
    // Low in the +y end zone looking up the field: the turf, the end zone,
    // lines and marks under the camera cross the near plane.
    {"end_zone_low", 320, 200, {150, 2100, 40}, {0, 0, 20}, 0.15, 0, 0},
    // From beside the field with every level of detail on: medium and far
    // marks, digit outlines as strokes, over the near ones.
    {"all_detail", 320, 200, {-1400, -300, 500}, {0, -300, 0}, 0.2, PLAN_MEDIUM | PLAN_FAR, 0},
};

void PrintTo(const GoldenView &view, std::ostream *os) { *os << view.name; }

class Golden : public ::testing::TestWithParam<GoldenView> {};

IndexedImage draw(const GoldenView &view, const Palette &palette) {
    SCENE *scene = InitScene();
    EXPECT_NE(scene, nullptr);
    SetSceneSetting(scene, int32_t(view.set));
    ResetSceneSetting(scene, int32_t(view.reset));
    const double magnification =
        view.magnification > 0 ? view.magnification
                               : magnification_for(DEFAULT_RENDER_SPAN, view.width, view.height);
    CAMERA camera = make_camera(view.eye.data(), view.target.data(), view.width, view.height,
                                magnification);
    HostBitmap bitmap = make_host_bitmap(view.width, view.height, palette);
    IndexedImage picture;
    render_frame(bitmap, camera, scene, 0, picture);
    DestroyScene(scene);
    return picture;
}

void save(const fs::path &path, const IndexedImage &picture, const Palette &palette) {
    fs::create_directories(path.parent_path());
    OutputFile file(path.string());
    write_png(file.stream(), path.string(), picture, palette);
    file.commit();
}

TEST_P(Golden, MatchesStoredPicture) {
    const GoldenView &view = GetParam();
    const Palette palette = default_palette();
    const IndexedImage actual = draw(view, palette);
    const fs::path stored = fs::path(QUELM_GOLDEN_DIR) / (std::string(view.name) + ".png");
    if (std::getenv("QUELM_UPDATE_GOLDEN")) {
        save(stored, actual, palette);
        GTEST_SKIP() << "rewrote " << stored;
    }
    IndexedImage expected;
    Palette stored_palette{};
    std::string error;
    ASSERT_TRUE(read_png(stored.string(), expected, stored_palette, error))
        << stored << ": " << error << " (QUELM_UPDATE_GOLDEN=1 writes it)";
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    size_t differing = 0, first = 0;
    for (size_t i = actual.pixels.size(); i-- > 0;)
        if (actual.pixels[i] != expected.pixels[i]) {
            ++differing;
            first = i;
        }
    if (differing) {
        const fs::path kept =
            fs::path(QUELM_GOLDEN_ACTUAL_DIR) / (std::string(view.name) + ".png");
        save(kept, actual, palette);
        ADD_FAILURE() << differing << " pixels differ from " << stored << ", the first at ("
                      << first % size_t(actual.width) << ", " << first / size_t(actual.width)
                      << "): index " << int(actual.pixels[first]) << " instead of "
                      << int(expected.pixels[first]) << "; this run's picture is " << kept;
    }
}

// A second scene alive alongside shares the model and draws the same.
TEST(GoldenScenes, TwoScenesDrawTheSamePicture) {
    const Palette palette = default_palette();
    SCENE *other = InitScene();
    ASSERT_NE(other, nullptr);
    const IndexedImage first = draw(VIEWS[0], palette);
    const IndexedImage second = draw(VIEWS[0], palette);
    DestroyScene(other);
    EXPECT_EQ(first.pixels, second.pixels);
    // The picture is not blank: sky, stands and turf all show.
    for (int index : {51, 63, 32, 35})
        EXPECT_NE(std::find(first.pixels.begin(), first.pixels.end(), uint8_t(index)),
                  first.pixels.end())
            << index;
}

INSTANTIATE_TEST_SUITE_P(Views, Golden, ::testing::ValuesIn(VIEWS),
                         [](const ::testing::TestParamInfo<GoldenView> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
