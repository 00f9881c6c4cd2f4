// Building the stadium model: the one slow step of the library's life, paid
// when the first scene is created.
#include <benchmark/benchmark.h>

#include "model/model.h"
#include "quelm_globalmem.h"
#include "stadium/stadium.h"

namespace {

// The builder alone, on a model record of its own; each round discards the
// pools the build took.
void BM_MakeQuelm(benchmark::State &state) {
    Model = static_cast<MODEL *>(GlobalAllocLocked(sizeof(MODEL)));
    for (auto _ : state) {
        MakeQuelm(Model);
        benchmark::DoNotOptimize(Model->iNumEdges);
        state.PauseTiming();
        PolygonModelDiscard();
        state.ResumeTiming();
    }
    ReleaseQuelmSourceArt();
    GlobalFreeLocked(Model);
    Model = nullptr;
}
BENCHMARK(BM_MakeQuelm)->Unit(benchmark::kMicrosecond);

// What a host waits for: the first scene, model build included, and its
// release.
void BM_FirstSceneAndBack(benchmark::State &state) {
    for (auto _ : state) {
        SCENE *scene = InitScene();
        benchmark::DoNotOptimize(scene);
        DestroyScene(scene);
    }
}
BENCHMARK(BM_FirstSceneAndBack)->Unit(benchmark::kMicrosecond);

}  // namespace
