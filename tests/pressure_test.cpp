// The library under pressure, its allocators wrapped at link time: every
// allocation of OpenDIB and InitScene failed in turn (InitCamera's in
// camera_test), a FIFO where quelm.bmp is looked for, and a huge quelm.bmp.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <malloc.h>
#include <vector>

#include "common/bmp.h"
#include "model/model.h"
#include "quelm_globalmem.h"
#include "scene/scene.h"
#include "tolvan.h"

namespace fs = std::filesystem;

// While armed, allocations are counted and the failAt-th one fails.
static bool armed = false;
static long seen = 0, failAt = 0, mallocsLive = 0;

static bool FailNow() { return armed && ++seen == failAt; }

extern "C" {
void *__real_GlobalAllocLocked(size_t bytes);
void *__real_malloc(size_t bytes);
void __real_free(void *block);
void *__real__Znwm(size_t bytes);

void *__wrap_GlobalAllocLocked(size_t bytes) {
    return FailNow() ? nullptr : __real_GlobalAllocLocked(bytes);
}
void *__wrap_malloc(size_t bytes) {
    void *block = FailNow() ? nullptr : __real_malloc(bytes);
    mallocsLive += armed && block;
    return block;
}
void __wrap_free(void *block) {
    mallocsLive -= armed && block;
    __real_free(block);
}
void *__wrap__Znwm(size_t bytes) {
    if (FailNow()) throw std::bad_alloc();
    return __real__Znwm(bytes);
}
}

namespace {

// An 8-bit BMP of width x height pixels, all index 7, with a black table.
void WriteBmp(const fs::path &path, int32_t width, int32_t height) {
    const std::vector<uint8_t> pixels(size_t(width) * size_t(height), 7);
    const std::vector<uint8_t> file =
        bmp::Encode8(width, height, pixels.data(), std::vector<bmp::Colour>(256));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(file.data()), std::streamsize(file.size()));
}

// A working folder and a QUELM_DATA folder of the test's own.
class Pressure : public testing::Test {
protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() / ("quelm_pressure_" + std::to_string(getpid()));
        fs::create_directories(base_ / "data");
        old_ = fs::current_path();
        fs::current_path(base_);
        setenv("QUELM_DATA", (base_ / "data").c_str(), 1);
        WriteBmp(base_ / "data" / "quelm.bmp", 64, 40);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(base_);
    }

    // Runs call once to count its allocations (check(true) judges that run),
    // then once more with each of them failed in turn, check(false) after each.
    static void FailEach(const std::function<void()> &call,
                         const std::function<void(bool)> &check) {
        long total = 0;
        for (failAt = 0; failAt <= total; ++failAt) {
            SCOPED_TRACE("allocation " + std::to_string(failAt) + " of " + std::to_string(total));
            seen = 0;
            armed = true;
            EXPECT_NO_THROW(call());
            armed = false;
            if (failAt == 0) total = seen;
            check(failAt == 0);
        }
        EXPECT_GT(total, 0);
    }

    fs::path base_, old_;
};

TEST_F(Pressure, EveryFailedAllocationGivesNullOrAWorkingRecordAndLeaksNothing) {
    const long live = QuelmGlobalBlocksLive();
    BITMAPINFO *dib = nullptr;
    FailEach([&] { dib = OpenDIB("quelm.bmp"); },
             [&](bool clean) {
                 EXPECT_TRUE(dib || !clean);
                 EXPECT_EQ(QuelmGlobalBlocksLive(), live + (dib ? 1 : 0));
                 EXPECT_EQ(mallocsLive, 0);
                 GlobalFreeLocked(dib);
             });
    SCENE *scene = nullptr;
    auto sceneCheck = [&](int32_t scenesBefore, bool clean) {
        EXPECT_TRUE(scene || !clean);
        EXPECT_EQ(SceneryCount, scenesBefore + (scene ? 1 : 0));
        EXPECT_EQ(Model != nullptr, SceneryCount > 0);
        EXPECT_EQ(scene ? Model->iNumPolygons : 1414, 1414);
        DestroyScene(scene);
    };
    FailEach([&] { scene = InitScene(); }, [&](bool clean) { sceneCheck(0, clean); });
    EXPECT_EQ(QuelmGlobalBlocksLive(), live);
    SCENE *first = InitScene();
    ASSERT_TRUE(first);
    FailEach([&] { scene = InitScene(); }, [&](bool clean) { sceneCheck(1, clean); });
    DestroyScene(first);
    EXPECT_EQ(QuelmGlobalBlocksLive(), live);
}

// A FIFO without a writer would block an open for reading forever: it is
// passed over like anything that is not a regular file.
TEST_F(Pressure, AFifoNamedLikeTheArtIsPassedOver) {
    ASSERT_EQ(mkfifo("quelm.bmp", 0600), 0);
    alarm(30);  // a blocked open ends the test instead of hanging it
    BITMAPINFO *dib = OpenDIB("quelm.bmp");
    EXPECT_TRUE(dib);
    GlobalFreeLocked(dib);
    EXPECT_EQ(OpenDIB((base_ / "quelm.bmp").c_str()), nullptr);
    alarm(0);
}

// The art is drawn by nothing: a huge file costs its reading, not the
// scene's lifetime.
TEST_F(Pressure, AHugeArtFileIsNotKept) {
    WriteBmp(base_ / "data" / "quelm.bmp", 4096, 1024);
    const auto inUse = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };
    const size_t before = inUse();
    SCENE *scene = InitScene();
    ASSERT_TRUE(scene);
    // The model's and the scene's pools take about 1.1 MB, the art's pixels 4.
    EXPECT_LT(inUse() - before, size_t{2} << 20);
    DestroyScene(scene);
}

}  // namespace
