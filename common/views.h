// views.h - the fixed cameras that every timing of quelm is taken
// from: the benchmarks, the comparison with other rasterisers and the
// quelm tool's bench verb.  Header only, public headers only.
//
// A view keeps its framing at every picture size: it names how much of the
// target's plane the picture shows, and the magnification follows the size.
#ifndef QUELM_COMMON_VIEWS_H
#define QUELM_COMMON_VIEWS_H

#include <array>
#include <string_view>

#include <quelm/quelm.h>

namespace quelm_bench {

struct BenchView {
    const char *name;
    const char *about;
    double eye[3];     // camera position, inches
    double target[3];  // the point looked at
    double across;     // inches of the target's plane the picture shows across
    double down;       // and down
};

inline constexpr std::array<BenchView, 5> kViews = {{
    {"spin", "the spin demonstration's start, across the field from its side",
     {2700, 0, 360}, {540, 0, 72}, 320, 200},
    {"sideline", "the whole field from high in the stands beside it",
     {-2400, -600, 700}, {0, -300, 0}, 4000, 2500},
    {"endzone", "low behind an end zone: the ground is cut at the near plane",
     {200, -2500, 60}, {0, 0, 36}, 1280, 800},
    {"overhead", "the field from high above", {0, -400, 6000}, {0, 0, 0}, 5600, 3500},
    {"far", "the whole stadium from a corner, inside the sky", {3000, -4200, 3600},
     {0, 0, 0}, 12800, 8000},
}};

inline const BenchView *FindView(std::string_view name) {
    for (const BenchView &v : kViews)
        if (name == v.name) return &v;
    return nullptr;
}

// A camera on `view` drawing a width x height picture at the origin.
inline CAMERA MakeBenchCamera(const BenchView &view, int width, int height) {
    CAMERA camera{};
    camera.Xcamera = view.eye[0];
    camera.Ycamera = view.eye[1];
    camera.Zcamera = view.eye[2];
    camera.Xtarget = view.target[0];
    camera.Ytarget = view.target[1];
    camera.Ztarget = view.target[2];
    camera.RenderRect = {0, 0, width - 1, height - 1};
    const double across = width / view.across, down = height / view.down;
    camera.Magnification = across < down ? across : down;
    return camera;
}

// Lets every target-only move of a scene pan, as two slow frames reported to
// RenderRate do: they raise its pan limit to 2 (a third would exchange the
// playing surfaces).
inline void AllowPans(SCENE *scene) {
    while (scene->iRapidPansLimit < 2) RenderRate(scene, 1, 2);
}

// The two moves every timing makes.  Complete() puts the target back and
// steps the camera half an inch, back and forth on alternate calls: the next
// frame is a complete reprojection.  Pan() moves only the target, by about
// eight pixels: in a scene that allows pans, a frame right after a complete
// reprojection is then a rapid pan, the same one every time.  (Pans in a row
// would let the picture drift, which the library allows for up to two
// frames only.)
class BenchMoves {
public:
    explicit BenchMoves(const CAMERA &camera)
        : target_(camera.Xtarget), panStep_(8.0 / camera.Magnification) {}

    void Complete(CAMERA &camera) {
        camera.Xcamera += cameraStep_;
        cameraStep_ = -cameraStep_;
        camera.Xtarget = target_;
    }
    void Pan(CAMERA &camera) const { camera.Xtarget = target_ + panStep_; }

private:
    double cameraStep_ = 0.5;
    double target_;
    double panStep_;
};

struct BenchSize {
    int width, height;
};

// The picture sizes the tables are made for.
inline constexpr std::array<BenchSize, 4> kSizes = {{
    {320, 200},
    {640, 480},
    {1920, 1080},
    {3840, 2160},
}};

}  // namespace quelm_bench

#endif
