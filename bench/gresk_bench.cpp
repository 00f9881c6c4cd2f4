// Benchmarks of the rasteriser: filling a frame through FillConvexPoly against
// memset of exactly the spans it writes, and clipping.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "gresk.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

sSPOINT P(int x, int y) { return sSPOINT{int16_t(x), int16_t(y)}; }

struct Polygon {
    sSPOINT pts[GRESK_MAX_POINTS];
    int32_t count;
};

struct Span {
    int32_t y, x, length;
};

// A top-down 8-bit frame.
struct Frame {
    BITMAPINFO bmi{};
    std::vector<uint8_t> bits;

    Frame() : bits(size_t(kWidth) * kHeight) {
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = kWidth;
        bmi.bmiHeader.biHeight = -kHeight;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 8;
    }

    void Fill(Polygon &p, int pic) {
        sFILLPOLY req{pic, 0};
        FillConvexPoly(&bmi, bits.data(), p.pts, p.count, GRESK_FILLPOLY, &req);
    }
};

// The spans that filling the polygons writes, read back from a frame.
std::vector<Span> SpansOf(std::vector<Polygon> polys) {
    std::vector<Span> spans;
    Frame frame;
    for (Polygon &p : polys) {
        frame.Fill(p, 1);
        int x0 = kWidth, x1 = -1, y0 = kHeight, y1 = -1;
        for (int i = 0; i < p.count; ++i) {
            x0 = std::min<int>(x0, p.pts[i].x), x1 = std::max<int>(x1, p.pts[i].x);
            y0 = std::min<int>(y0, p.pts[i].y), y1 = std::max<int>(y1, p.pts[i].y);
        }
        for (int y = std::max(y0, 0); y <= std::min(y1, kHeight - 1); ++y) {
            uint8_t *row = frame.bits.data() + size_t(y) * kWidth;
            for (int x = std::max(x0, 0); x <= std::min(x1, kWidth - 1); ++x) {
                if (row[x] == 0) continue;
                int end = x;
                while (end + 1 < kWidth && row[end + 1]) ++end;
                spans.push_back({y, x, end - x + 1});
                std::memset(row + x, 0, size_t(end - x + 1));
                x = end;
            }
        }
    }
    return spans;
}

// The frame tiled exactly by a jittered grid of cells of about cell x cell
// pixels, each split into two triangles.
std::vector<Polygon> Mosaic(int cell) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> jitter(-cell / 3, cell / 3);
    const int nx = kWidth / cell, ny = kHeight / cell;
    std::vector<sSPOINT> grid;
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            const bool inner = i > 0 && i < nx && j > 0 && j < ny;
            const int x = i == nx ? kWidth - 1 : i * cell, y = j == ny ? kHeight - 1 : j * cell;
            grid.push_back(inner ? P(x + jitter(rng), y + jitter(rng)) : P(x, y));
        }
    auto at = [&](int i, int j) { return grid[size_t(j) * (nx + 1) + i]; };
    std::vector<Polygon> polys;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            polys.push_back({{at(i, j), at(i + 1, j), at(i + 1, j + 1)}, 3});
            polys.push_back({{at(i + 1, j + 1), at(i, j + 1), at(i, j)}, 3});
        }
    return polys;
}

// Small quadrilaterals scattered over the frame.
std::vector<Polygon> Scatter(int count, int size) {
    std::mt19937 rng(2);
    std::uniform_int_distribution<int> x(0, kWidth - size - 1), y(0, kHeight - size - 1),
        d(0, size / 3);
    std::vector<Polygon> polys;
    for (int i = 0; i < count; ++i) {
        const int x0 = x(rng), y0 = y(rng);
        polys.push_back({{P(x0 + d(rng), y0), P(x0 + size, y0 + d(rng)), P(x0 + size - d(rng), y0 + size),
                          P(x0, y0 + size - d(rng))},
                         4});
    }
    return polys;
}

int64_t Bytes(const std::vector<Span> &spans) {
    int64_t n = 0;
    for (const Span &s : spans) n += s.length;
    return n;
}

void FillAll(benchmark::State &state, std::vector<Polygon> polys) {
    Frame frame;
    const int64_t bytes = Bytes(SpansOf(polys));
    int pic = 0;
    for (auto _ : state) {
        for (Polygon &p : polys) frame.Fill(p, ++pic & 0xFF);
        benchmark::DoNotOptimize(frame.bits.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["polygons"] = double(polys.size());
}

void MemsetAll(benchmark::State &state, const std::vector<Polygon> &polys) {
    Frame frame;
    const std::vector<Span> spans = SpansOf(polys);
    int pic = 0;
    for (auto _ : state) {
        ++pic;
        for (const Span &s : spans)
            std::memset(frame.bits.data() + size_t(s.y) * kWidth + s.x, pic & 0xFF, size_t(s.length));
        benchmark::DoNotOptimize(frame.bits.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * Bytes(spans));
}

void BM_FillMosaic(benchmark::State &state) { FillAll(state, Mosaic(int(state.range(0)))); }
void BM_MemsetMosaicSpans(benchmark::State &state) { MemsetAll(state, Mosaic(int(state.range(0)))); }
void BM_FillScatter(benchmark::State &state) { FillAll(state, Scatter(20000, int(state.range(0)))); }
void BM_MemsetScatterSpans(benchmark::State &state) { MemsetAll(state, Scatter(20000, int(state.range(0)))); }

// One memset of the whole frame: the floor for any full-frame fill.
void BM_MemsetFrame(benchmark::State &state) {
    Frame frame;
    int pic = 0;
    for (auto _ : state) {
        std::memset(frame.bits.data(), ++pic & 0xFF, frame.bits.size());
        benchmark::DoNotOptimize(frame.bits.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(frame.bits.size()));
}

// Polygons reaching past the frame, clipped to it as RenderScene does.
void BM_ClipToFrame(benchmark::State &state) {
    std::vector<Polygon> polys = Scatter(4000, 400);
    for (Polygon &p : polys)
        for (int i = 0; i < p.count; ++i) p.pts[i] = P(p.pts[i].x * 2 - kWidth / 2, p.pts[i].y * 2 - kHeight / 2);
    std::vector<Polygon> work = polys;
    for (auto _ : state) {
        for (size_t i = 0; i < polys.size(); ++i) {
            work[i] = polys[i];
            ClipToRect(0, 0, kWidth - 1, kHeight - 1, work[i].pts, &work[i].count);
        }
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(polys.size()));
}

}  // namespace

BENCHMARK(BM_MemsetFrame);
BENCHMARK(BM_FillMosaic)->Arg(160)->Arg(48)->Arg(16);
BENCHMARK(BM_MemsetMosaicSpans)->Arg(160)->Arg(48)->Arg(16);
BENCHMARK(BM_FillScatter)->Arg(8)->Arg(32);
BENCHMARK(BM_MemsetScatterSpans)->Arg(8)->Arg(32);
BENCHMARK(BM_ClipToFrame);
