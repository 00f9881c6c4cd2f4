// gresk::FillSpans: the runs it reports cover exactly the pixels
// FillConvexPoly writes, each inside the bitmap.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gresk.h"
#include "gresk/spans.h"

namespace {

struct SpanRun {
    int32_t row, left, length;
};

void Collect(void *context, int32_t row, int32_t left, int32_t length) {
    static_cast<std::vector<SpanRun> *>(context)->push_back({row, left, length});
}

struct Bitmap {
    int width, height, stride;
    bool topDown;
    BITMAPINFO info{};
    std::vector<uint8_t> bits;

    Bitmap(int w, int h, bool topDown)
        : width(w), height(h), stride((w + 3) & ~3), topDown(topDown), bits(size_t(stride) * h) {
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = topDown ? -h : h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 8;
        info.bmiHeader.biCompression = BI_RGB;
    }
    uint8_t &At(int x, int y) { return bits[size_t(topDown ? y : height - 1 - y) * stride + x]; }
};

// Polygons of every kind the fill treats apart: large and small, thin,
// lines and dots, reaching past each side of a 61 x 37 bitmap, wholly
// outside, and listed in either direction.
std::vector<std::vector<sSPOINT>> Shapes() {
    std::vector<std::vector<sSPOINT>> shapes = {
        {{5, 3}, {50, 8}, {30, 30}},
        {{-20, -10}, {80, -5}, {70, 50}, {-10, 45}},
        {{10, 10}, {11, 30}},
        {{40, 20}},
        {{0, 0}, {60, 1}, {60, 2}, {0, 1}},
        {{3, 2}, {4, 35}, {5, 2}},
        {{100, 100}, {120, 100}, {110, 130}},
        {{30, -40}, {31, 80}, {32, -40}},
    };
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coordinate(-30, 90);
    for (int i = 0; i < 200; ++i) {
        // A triangle is convex whatever its corners.
        std::vector<sSPOINT> t(3);
        for (sSPOINT &p : t) p = {int16_t(coordinate(rng)), int16_t(coordinate(rng))};
        shapes.push_back(t);
    }
    const size_t listed = shapes.size();
    for (size_t i = 0; i < listed; ++i) shapes.emplace_back(shapes[i].rbegin(), shapes[i].rend());
    return shapes;
}

TEST(FillSpans, RunsPaintExactlyWhatTheFillWrites) {
    for (const bool topDown : {true, false}) {
        for (const std::vector<sSPOINT> &shape : Shapes()) {
            Bitmap filled(61, 37, topDown), painted(61, 37, topDown);
            std::vector<sSPOINT> points = shape;
            sFILLPOLY request{1, 0};
            const int32_t fillResult = FillConvexPoly(&filled.info, filled.bits.data(),
                                                      points.data(), int32_t(points.size()),
                                                      GRESK_FILLPOLY, &request);
            std::vector<SpanRun> runs;
            const int32_t spanResult =
                gresk::FillSpans(&painted.info, shape.data(), int32_t(shape.size()), Collect, &runs);
            EXPECT_EQ(spanResult, fillResult);
            for (const SpanRun &r : runs) {
                ASSERT_GE(r.length, 1);
                ASSERT_TRUE(r.row >= 0 && r.row < 37 && r.left >= 0 && r.left + r.length <= 61)
                    << "run " << r.row << ":" << r.left << "+" << r.length;
                for (int x = r.left; x < r.left + r.length; ++x) painted.At(x, r.row) = 1;
            }
            EXPECT_EQ(painted.bits, filled.bits)
                << "shape of " << shape.size() << " corners from (" << shape[0].x << ", "
                << shape[0].y << "), top-down " << topDown;
        }
    }
}

TEST(FillSpans, ReportsNothingForWhatTheFillRefuses) {
    Bitmap b(16, 16, true);
    const sSPOINT square[4] = {{1, 1}, {8, 1}, {8, 8}, {1, 8}};
    std::vector<SpanRun> runs;
    EXPECT_EQ(gresk::FillSpans(&b.info, square, 0, Collect, &runs), 0);
    EXPECT_EQ(gresk::FillSpans(&b.info, square, GRESK_MAX_POINTS + 1, Collect, &runs), 0);
    EXPECT_EQ(gresk::FillSpans(&b.info, square, 4, nullptr, &runs), 0);
    b.info.bmiHeader.biBitCount = 24;
    EXPECT_EQ(gresk::FillSpans(&b.info, square, 4, Collect, &runs), 0);
    EXPECT_TRUE(runs.empty());
    b.info.bmiHeader.biBitCount = 8;
    EXPECT_EQ(gresk::FillSpans(&b.info, square, 4, Collect, &runs), 1);
    EXPECT_EQ(runs.size(), 8u);
}

}  // namespace
