// Whole frames and the rasteriser's share of them, on the fixed views at
// each picture size, against the least the pixel writes can cost: one
// memset per run the fill writes, and one memset of all their bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "bench/bench_register.h"
#include "bench/support/bench_frame.h"

namespace {

using namespace quelm_bench;

// Recording a frame takes a while; each view and size is recorded once per
// run and kept for every benchmark that needs it.
ViewFrame &FrameOf(const BenchView *view, BenchSize size) {
    static std::map<std::tuple<const BenchView *, int, int>, std::unique_ptr<ViewFrame>> frames;
    auto &frame = frames[{view, size.width, size.height}];
    if (!frame) frame = std::make_unique<ViewFrame>(*view, size);
    return *frame;
}

void Count(benchmark::State &state, const ViewFrame &f) {
    state.counters["surfaces"] = double(f.recorded.calls.size());
    state.counters["pixels"] = double(f.pixels);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.pixels));
}

// RenderScene after the camera moved half an inch: a complete reprojection
// and every surface drawn.
void RenderComplete(benchmark::State &state, const BenchView *view, BenchSize size) {
    ViewFrame &f = FrameOf(view, size);
    for (auto _ : state) f.RenderComplete();
    benchmark::DoNotOptimize(f.bitmap.bits.data());
    Count(state, f);
}

// RenderScene when only the target moved since a complete reprojection
// (untimed): a rapid pan and every surface drawn.
void RenderPan(benchmark::State &state, const BenchView *view, BenchSize size) {
    ViewFrame &f = FrameOf(view, size);
    TimeEach(state, [&] { f.ProjectComplete(); }, [&] { f.RenderPan(); });
    benchmark::DoNotOptimize(f.bitmap.bits.data());
    Count(state, f);
}

// The frame's ClipToRect and FillConvexPoly calls alone.
void Rasteriser(benchmark::State &state, const BenchView *view, BenchSize size) {
    ViewFrame &f = FrameOf(view, size);
    for (auto _ : state) Replay(f.recorded, f.bitmap);
    benchmark::DoNotOptimize(f.bitmap.bits.data());
    Count(state, f);
}

void MemsetRuns(benchmark::State &state, const BenchView *view, BenchSize size) {
    ViewFrame &f = FrameOf(view, size);
    for (auto _ : state) {
        WriteRuns(f.runs, f.bitmap.bits.data());
        benchmark::ClobberMemory();
    }
    Count(state, f);
}

// Overdraw can make the total larger than the frame: the one memset gets a
// block of its own.
void MemsetTotal(benchmark::State &state, const BenchView *view, BenchSize size) {
    ViewFrame &f = FrameOf(view, size);
    std::vector<uint8_t> block(f.pixels);
    for (auto _ : state) {
        std::memset(block.data(), 1, block.size());
        benchmark::ClobberMemory();
    }
    Count(state, f);
}

void RegisterAll() {
    for (const BenchSize size : kSizes) {
        const std::string wxh = std::to_string(size.width) + "x" + std::to_string(size.height);
        for (const BenchView &view : kViews) {
            const std::string tail = "/" + wxh + "/" + view.name;
            Register("RenderScene/complete" + tail, RenderComplete, &view, size);
            Register("RenderScene/pan" + tail, RenderPan, &view, size)->UseManualTime();
            Register("Rasteriser" + tail, Rasteriser, &view, size);
            Register("MemsetRuns" + tail, MemsetRuns, &view, size);
            Register("MemsetTotal" + tail, MemsetTotal, &view, size);
        }
    }
}

const bool registered = (RegisterAll(), true);

}  // namespace
