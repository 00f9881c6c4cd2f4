#include "bench/support/bench_frame.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "gresk/spans.h"
#include "model/model.h"

// The link-time interception of the rasteriser (see bench_frame.h).
extern "C" {
int32_t QUELMAPI __real_ClipToRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                   sSPOINT *pts, int32_t *count);
int32_t QUELMAPI __real_FillConvexPoly(BITMAPINFO *pBMI, uint8_t *pBits, sSPOINT *pts,
                                       int32_t count, int32_t kind, void *req);
}

namespace quelm_bench {

namespace {

// Where calls are recorded while RecordFrame runs; null otherwise.
RecordedFrame *recording = nullptr;
// A ClipToRect call waiting for the FillConvexPoly that follows it.
SurfaceCall pending{};
bool clipPending = false;

int32_t Clamped(int32_t count) { return std::clamp<int32_t>(count, 0, GRESK_MAX_POINTS); }

}  // namespace

}  // namespace quelm_bench

extern "C" int32_t QUELMAPI __wrap_ClipToRect(int32_t left, int32_t top, int32_t right,
                                              int32_t bottom, sSPOINT *pts, int32_t *count) {
    using namespace quelm_bench;
    if (recording != nullptr) {
        pending.clipped = true;
        pending.rect = {left, top, right, bottom};
        pending.count = *count;
        std::copy_n(pts, Clamped(*count), pending.points);
        clipPending = true;
    }
    return __real_ClipToRect(left, top, right, bottom, pts, count);
}

extern "C" int32_t QUELMAPI __wrap_FillConvexPoly(BITMAPINFO *pBMI, uint8_t *pBits, sSPOINT *pts,
                                                  int32_t count, int32_t kind, void *req) {
    using namespace quelm_bench;
    if (recording != nullptr) {
        SurfaceCall call = clipPending ? pending : SurfaceCall{};
        if (!clipPending) {
            call.count = count;
            std::copy_n(pts, Clamped(count), call.points);
        }
        clipPending = false;
        call.filled = count;
        std::copy_n(pts, Clamped(count), call.fill);
        if (kind == GRESK_FILLPOLY && req != nullptr)
            call.request = *static_cast<const sFILLPOLY *>(req);
        recording->calls.push_back(call);
    }
    return __real_FillConvexPoly(pBMI, pBits, pts, count, kind, req);
}

namespace quelm_bench {

Bitmap::Bitmap(int width, int height)
    : width(width), height(height), stride((width + 3) & ~3),
      bits(size_t(stride) * size_t(height)) {
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 8;
    info.bmiHeader.biCompression = BI_RGB;
}

RecordedFrame RecordFrame(Bitmap &bitmap, CAMERA &camera, SCENE *scene) {
    RecordedFrame frame;
    frame.width = bitmap.width;
    frame.height = bitmap.height;
    recording = &frame;
    clipPending = false;
    RenderScene(&bitmap.info, bitmap.bits.data(), &camera, scene);
    recording = nullptr;
    return frame;
}

void Replay(const RecordedFrame &frame, Bitmap &bitmap) {
    sSPOINT points[GRESK_MAX_POINTS];
    for (const SurfaceCall &call : frame.calls) {
        int32_t count = call.count;
        std::copy_n(call.points, Clamped(count), points);
        sFILLPOLY request = call.request;
        if (call.clipped)
            __real_ClipToRect(call.rect.left, call.rect.top, call.rect.right, call.rect.bottom,
                              points, &count);
        __real_FillConvexPoly(&bitmap.info, bitmap.bits.data(), points, count, GRESK_FILLPOLY,
                              &request);
    }
}

namespace {

struct RunSink {
    std::vector<PixelRun> *runs;
    uint32_t stride;
    uint8_t colour;
};

void CollectRun(void *context, int32_t row, int32_t left, int32_t length) {
    auto &sink = *static_cast<RunSink *>(context);
    sink.runs->push_back({uint32_t(row) * sink.stride + uint32_t(left), uint32_t(length),
                          sink.colour});
}

}  // namespace

std::vector<PixelRun> PixelRuns(const RecordedFrame &frame, const Bitmap &bitmap) {
    std::vector<PixelRun> runs;
    RunSink sink{&runs, uint32_t(bitmap.stride), 0};
    for (const SurfaceCall &call : frame.calls) {
        sink.colour = static_cast<uint8_t>(call.request.pic & 0xFF);
        gresk::FillSpans(&bitmap.info, call.fill, call.filled, CollectRun, &sink);
    }
    return runs;
}

void WriteRuns(const std::vector<PixelRun> &runs, uint8_t *bits) {
    for (const PixelRun &run : runs) std::memset(bits + run.offset, run.colour, run.length);
}

ScenePtr MakeScene(Loader loader) {
    ScenePtr scene(InitScene());
    if (!scene) throw std::runtime_error("no scene: quelm.bmp not found (set QUELM_DATA)");
    if (loader == Loader::kVertex) {
        ResetSceneSetting(scene.get(), PLAN_FINE);
        SetSceneSetting(scene.get(), PLAN_COARSE);
    }
    return scene;
}

const char *LoaderName(Loader loader) {
    return loader == Loader::kEdgeDriven ? "edge-driven" : "vertex";
}

ViewFrame::ViewFrame(const BenchView &view, BenchSize size, Loader loader)
    : view(&view), scene(MakeScene(loader)), camera(MakeBenchCamera(view, size.width, size.height)),
      bitmap(size.width, size.height), moves(camera) {
    AllowPans(scene.get());
    recorded = RecordFrame(bitmap, camera, scene.get());
    runs = PixelRuns(recorded, bitmap);
    pixels = 0;
    for (const PixelRun &run : runs) pixels += run.length;
}

void ViewFrame::ProjectComplete() {
    moves.Complete(camera);
    AddModelToScene(scene.get(), Model, SetView(&camera, &scene->Perspective));
}

bool ViewFrame::ProjectPan() {
    moves.Pan(camera);
    const int32_t tally = scene->iRapidPansTally;
    const int32_t delta = SetView(&camera, &scene->Perspective);
    AddModelToScene(scene.get(), Model, delta);
    return delta == VIEW_TARGET_MOVED && scene->iRapidPansTally == tally + 1;
}

void ViewFrame::RenderComplete() {
    moves.Complete(camera);
    RenderScene(&bitmap.info, bitmap.bits.data(), &camera, scene.get());
}

void ViewFrame::RenderPan() {
    moves.Pan(camera);
    RenderScene(&bitmap.info, bitmap.bits.data(), &camera, scene.get());
}

}  // namespace quelm_bench
