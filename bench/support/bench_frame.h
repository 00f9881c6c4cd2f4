// bench_frame.h - frames for timing: a scene on one of the fixed views, the
// rasteriser calls that RenderScene makes for it, recorded once and
// replayed alone, and the pixel runs those calls write.
//
// Recording intercepts ClipToRect and FillConvexPoly at link time (the
// support library carries the linker's --wrap options): the calls still
// reach gresk, so the recorded frame is also drawn.
#ifndef QUELM_BENCH_SUPPORT_BENCH_FRAME_H
#define QUELM_BENCH_SUPPORT_BENCH_FRAME_H

#include <cstdint>
#include <memory>
#include <vector>

#include "common/views.h"
#include "gresk.h"
#include "quelm.h"

namespace quelm_bench {

// An 8-bit top-down DIB, rows padded to four bytes.
struct Bitmap {
    int width = 0, height = 0, stride = 0;
    BITMAPINFO info{};
    std::vector<uint8_t> bits;

    Bitmap(int width, int height);
};

// One drawn surface as RenderScene handed it to the rasteriser.
struct SurfaceCall {
    bool clipped;    // went through ClipToRect first
    RECT rect;       // ClipToRect's rectangle
    int32_t count;   // corners RenderScene handed over
    int32_t filled;  // corners FillConvexPoly got (after the clip)
    sFILLPOLY request;
    sSPOINT points[GRESK_MAX_POINTS];  // as handed over
    sSPOINT fill[GRESK_MAX_POINTS];    // as filled
};

struct RecordedFrame {
    int width = 0, height = 0;
    std::vector<SurfaceCall> calls;
};

// Draws one frame of the scene from the camera into the bitmap through
// RenderScene and gresk, recording every rasteriser call.
RecordedFrame RecordFrame(Bitmap &bitmap, CAMERA &camera, SCENE *scene);

// The recorded calls again, straight into gresk: the rasteriser's share of
// the frame.
void Replay(const RecordedFrame &frame, Bitmap &bitmap);

// A run of pixels the fill writes, as an offset into the bitmap's bits.
struct PixelRun {
    uint32_t offset;
    uint32_t length;
    uint8_t colour;
};

// Every run FillConvexPoly writes for the frame, in the order it writes
// them: one memset each is the least the frame can cost.
std::vector<PixelRun> PixelRuns(const RecordedFrame &frame, const Bitmap &bitmap);

// Writes the runs with one memset each.
void WriteRuns(const std::vector<PixelRun> &runs, uint8_t *bits);

struct SceneDeleter {
    void operator()(SCENE *scene) const { DestroyScene(scene); }
};
using ScenePtr = std::unique_ptr<SCENE, SceneDeleter>;

// A scene whose complete reprojection uses the edge-driven loader (the
// initial settings, fine playing surface) or the vertex loader (coarse).
enum class Loader { kEdgeDriven, kVertex };
ScenePtr MakeScene(Loader loader);
const char *LoaderName(Loader loader);

// Everything about one view at one size: scene, camera, bitmap, the
// recorded frame and its pixel runs.  The scene has drawn the frame once.
struct ViewFrame {
    const BenchView *view;
    ScenePtr scene;
    CAMERA camera;
    Bitmap bitmap;
    RecordedFrame recorded;
    std::vector<PixelRun> runs;
    uint64_t pixels;  // bytes the runs write, overdraw included

    ViewFrame(const BenchView &view, BenchSize size, Loader loader = Loader::kEdgeDriven);

    // The projection as RenderScene runs it (SetView, AddModelToScene) after
    // BenchMoves::Complete: a complete reprojection.
    void ProjectComplete();
    // The same after BenchMoves::Pan, right after a complete reprojection:
    // a rapid pan.  False when the frame did not pan.
    bool ProjectPan();
    // Whole frames, drawn, after the same moves.
    void RenderComplete();
    void RenderPan();

private:
    BenchMoves moves;
};

}  // namespace quelm_bench

#endif
