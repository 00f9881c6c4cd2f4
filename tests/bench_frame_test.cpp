// The frames the benchmarks time are the frames RenderScene draws: the
// recorded rasteriser calls, replayed, and the pixel runs, written with
// memset, each give back RenderScene's picture byte for byte.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "bench/support/bench_frame.h"

namespace {

using namespace quelm_bench;

// A view at a size; an odd size makes rows of padded length.
struct ViewAndSize {
    const BenchView *view;
    BenchSize size;
};

// As CTest's test names show it: never a pointer, which changes every build.
void PrintTo(const ViewAndSize &c, std::ostream *os) {
    *os << c.view->name << " " << c.size.width << "x" << c.size.height;
}

class BenchFrameTest : public ::testing::TestWithParam<ViewAndSize> {};

TEST_P(BenchFrameTest, ReplayAndRunsRedrawTheRecordedPicture) {
    const BenchSize size = GetParam().size;
    for (const Loader loader : {Loader::kEdgeDriven, Loader::kVertex}) {
        ViewFrame f(*GetParam().view, size, loader);
        Bitmap replayed(size.width, size.height);
        Replay(f.recorded, replayed);
        EXPECT_EQ(replayed.bits, f.bitmap.bits) << LoaderName(loader);
        Bitmap written(size.width, size.height);
        WriteRuns(f.runs, written.bits.data());
        EXPECT_EQ(written.bits, f.bitmap.bits) << LoaderName(loader);
        EXPECT_GE(f.pixels, uint64_t(size.width) * uint64_t(size.height) / 2)
            << "every view fills most of its picture";
    }
}

std::vector<ViewAndSize> ViewsAndSizes() {
    std::vector<ViewAndSize> cases;
    for (const BenchView &view : kViews)
        for (const BenchSize size : {BenchSize{320, 200}, BenchSize{643, 401}})
            cases.push_back({&view, size});
    return cases;
}

// Named after the view and the size, e.g. far_643x401.
INSTANTIATE_TEST_SUITE_P(Views, BenchFrameTest, ::testing::ValuesIn(ViewsAndSizes()),
                         [](const auto &info) {
                             const ViewAndSize &c = info.param;
                             return std::string(c.view->name) + "_" +
                                    std::to_string(c.size.width) + "x" +
                                    std::to_string(c.size.height);
                         });

}  // namespace
