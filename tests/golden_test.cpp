// Golden pictures: fixed views of the stadium drawn through the library,
// compared index for index with tests/data/golden.  After a deliberate change,
// look at what a failing run leaves in the build's tests/golden-actual, then
// rewrite them with QUELM_UPDATE_GOLDEN=1 ctest -R Golden and look again.
#include <gtest/gtest.h>

#include <array>
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
    std::array<double, 3> eye, target;
    double magnification;  // 0: the tool's default framing
    uint32_t set, reset;   // scene-settings changes
};

const GoldenView VIEWS[] = {
    {"default", DEFAULT_EYE, DEFAULT_TARGET, 0, 0, 0},
    {"coarse", DEFAULT_EYE, DEFAULT_TARGET, 0, PLAN_COARSE, PLAN_FINE},  // RenderRate's fallback
    {"spin_start", {2700, 0, 360}, {540, 0, 72}, 1.0, 0, 0},
    // Turf, end zone, lines and marks under the camera cross the near plane.
    {"end_zone_low", {150, 2100, 40}, {0, 0, 20}, 0.15, 0, 0},
    // Medium and far marks and the digits' stroke outlines over the near ones.
    {"all_detail", {-1400, -300, 500}, {0, -300, 0}, 0.2, PLAN_MEDIUM | PLAN_FAR, 0},
};
constexpr int kWidth = 320, kHeight = 200;

void PrintTo(const GoldenView &view, std::ostream *os) { *os << view.name; }

void save(const fs::path &path, const IndexedImage &picture, const Palette &palette) {
    fs::create_directories(path.parent_path());
    OutputFile file(path.string());
    write_png(file.stream(), path.string(), picture, palette);
    file.commit();
}

class Golden : public ::testing::TestWithParam<GoldenView> {};

TEST_P(Golden, MatchesStoredPicture) {
    const GoldenView &view = GetParam();
    const Palette palette = default_palette();
    SCENE *scene = InitScene();
    ASSERT_NE(scene, nullptr);
    SetSceneSetting(scene, int32_t(view.set));
    ResetSceneSetting(scene, int32_t(view.reset));
    const double magnification =
        view.magnification ? view.magnification
                           : magnification_for(DEFAULT_RENDER_SPAN, kWidth, kHeight);
    CAMERA camera =
        make_camera(view.eye.data(), view.target.data(), kWidth, kHeight, magnification);
    HostBitmap bitmap = make_host_bitmap(kWidth, kHeight, palette);
    IndexedImage actual;
    render_frame(bitmap, camera, scene, 0, actual);
    DestroyScene(scene);

    const std::string name = std::string(view.name) + ".png";
    const fs::path stored = fs::path(QUELM_GOLDEN_DIR) / name;
    if (std::getenv("QUELM_UPDATE_GOLDEN")) {
        save(stored, actual, palette);
        GTEST_SKIP() << "rewrote " << stored;
    }
    IndexedImage expected;
    Palette stored_palette{};
    std::string error;
    ASSERT_TRUE(read_png(stored.string(), expected, stored_palette, error))
        << stored << ": " << error << " (QUELM_UPDATE_GOLDEN=1 writes it)";
    ASSERT_EQ(std::pair(actual.width, actual.height), std::pair(expected.width, expected.height));
    size_t differing = 0, first = 0;
    for (size_t i = actual.pixels.size(); i-- > 0;)
        if (actual.pixels[i] != expected.pixels[i]) ++differing, first = i;
    if (differing) {
        const fs::path kept = fs::path(QUELM_GOLDEN_ACTUAL_DIR) / name;
        save(kept, actual, palette);
        ADD_FAILURE() << differing << " pixels differ from " << stored << ", the first at ("
                      << first % kWidth << ", " << first / kWidth << "); this run's is " << kept;
    }
}

INSTANTIATE_TEST_SUITE_P(Views, Golden, ::testing::ValuesIn(VIEWS),
                         [](const ::testing::TestParamInfo<GoldenView> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
