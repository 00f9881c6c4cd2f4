// The projection of a frame on the fixed views: registration, a complete
// reprojection with each loader against a rapid pan of the same frame, and
// the stages on their own.  The picture size changes little here; all run
// at 640 x 480.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_register.h"
#include "bench/support/bench_frame.h"
#include "model/model.h"
#include "view/view.h"

namespace {

using namespace quelm_bench;

constexpr BenchSize kSize = {640, 480};

// What RenderScene pays for the projection when the camera moved: SetView
// and a complete reprojection.
void Complete(benchmark::State &state, const BenchView *view, Loader loader) {
    ViewFrame f(*view, kSize, loader);
    for (auto _ : state) f.ProjectComplete();
    benchmark::DoNotOptimize(f.scene->ScreenPointList[0]);
}

// The same frame when only the target moved: SetView and a rapid pan, each
// from a fresh complete reprojection (untimed).
void Pan(benchmark::State &state, const BenchView *view, Loader loader) {
    ViewFrame f(*view, kSize, loader);
    bool panned = true;
    TimeEach(state, [&] { f.ProjectComplete(); }, [&] { panned &= f.ProjectPan(); });
    if (!panned) state.SkipWithError("a frame did not pan");
    benchmark::DoNotOptimize(f.scene->ScreenPointList[0]);
}

using Stage = void (*)(SCENE *, MODEL *);

// One stage of a complete reprojection again and again on a projected
// frame; each run of a stage leaves what the next run of it needs.
void StageAlone(benchmark::State &state, const BenchView *view, Loader loader, Stage stage) {
    ViewFrame f(*view, kSize, loader);
    for (auto _ : state) stage(f.scene.get(), Model);
    benchmark::DoNotOptimize(f.scene->PointList[0]);
}

void Divide(benchmark::State &state, const BenchView *view) {
    ViewFrame f(*view, kSize);
    for (auto _ : state) PerspectiveDivide(f.scene.get());
    benchmark::DoNotOptimize(f.scene->ScreenPointList[0]);
}

void Registration(benchmark::State &state) {
    ViewFrame f(kViews[0], kSize);
    for (auto _ : state) RegisterModelWithScene(f.scene.get(), Model);
    benchmark::DoNotOptimize(f.scene->EdgeList[0]);
}

void RegisterAll() {
    Register("Projection/register", Registration);
    for (const BenchView &view : kViews) {
        for (const Loader loader : {Loader::kEdgeDriven, Loader::kVertex}) {
            const std::string tail = std::string(LoaderName(loader)) + "/" + view.name;
            Register("Projection/complete/" + tail, Complete, &view, loader);
            Register("Projection/pan/" + tail, Pan, &view, loader)->UseManualTime();
        }
        const std::string name = view.name;
        Register("Stage/LoadModelVectorsIntoScene/" + name, StageAlone, &view,
                 Loader::kEdgeDriven, Stage(LoadModelVectorsIntoScene));
        Register("Stage/LoadModelPointsIntoScene/" + name, StageAlone, &view, Loader::kVertex,
                 Stage(LoadModelPointsIntoScene));
        Register("Stage/PrepareVisibleSurfaces/" + name, StageAlone, &view, Loader::kEdgeDriven,
                 Stage(PrepareVisibleSurfaces));
        Register("Stage/PerspectiveDivide/" + name, Divide, &view);
    }
}

const bool registered = (RegisterAll(), true);

}  // namespace
