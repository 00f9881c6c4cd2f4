// The library under pressure: every allocation of InitScene, OpenDIB and
// InitCamera failed in turn, a FIFO where quelm.bmp is looked for, and a huge
// quelm.bmp.  Linked with the library's allocators wrapped (tests/CMakeLists).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "model/model.h"
#include "platform/globalmem.h"
#include "scene/scene.h"
#include "tolvan.h"

namespace fs = std::filesystem;

namespace {

// While armed, allocations are counted and the failAt-th one fails.
bool armed = false;
long seen = 0, failAt = 0, mallocsLive = 0;
struct Block {
    void *at;
    size_t bytes;
};
// The library's live global-heap blocks; a fixed table, so that keeping it
// allocates nothing.
Block blocks[64];
size_t blockCount = 0;

bool FailNow() { return armed && ++seen == failAt; }

}  // namespace

extern "C" {
void *__real_GlobalAllocLocked(size_t bytes);
void __real_GlobalFreeLocked(void *block);
void *__real_malloc(size_t bytes);
void __real_free(void *block);
void *__real__Znwm(size_t bytes);

void *__wrap_GlobalAllocLocked(size_t bytes) {
    if (FailNow()) return nullptr;
    void *block = __real_GlobalAllocLocked(bytes);
    if (block && armed && blockCount < std::size(blocks)) blocks[blockCount++] = {block, bytes};
    return block;
}
void __wrap_GlobalFreeLocked(void *block) {
    for (size_t i = 0; i < blockCount; ++i)
        if (blocks[i].at == block) blocks[i] = blocks[--blockCount];
    __real_GlobalFreeLocked(block);
}
void *__wrap_malloc(size_t bytes) {
    if (FailNow()) return nullptr;
    void *block = __real_malloc(bytes);
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

// An 8-bit BMP of width x height pixels, all index 7.
void WriteBmp(const fs::path &path, int32_t width, int32_t height) {
    const uint32_t table = 256 * 4, offset = 14 + 40 + table;
    const uint32_t row = (width + 3) / 4 * 4, size = offset + row * height;
    std::vector<uint8_t> file(size, 0);
    std::fill(file.begin() + offset, file.end(), 7);
    auto put = [&](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    put(0, 0x4D42, 2);
    put(2, size, 4);
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 8, 2);
    put(30, 0, 4);
    std::FILE *out = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(out);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
}

// A working folder and a QUELM_DATA folder of the test's own.
class Pressure : public testing::Test {
protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() / ("quelm_pressure_" + std::to_string(getpid()));
        fs::create_directories(base_ / "work");
        fs::create_directories(base_ / "data");
        old_ = fs::current_path();
        fs::current_path(base_ / "work");
        setenv("QUELM_DATA", (base_ / "data").c_str(), 1);
        WriteBmp(base_ / "data" / "quelm.bmp", 64, 40);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(base_);
    }

    // Runs call once to count its allocations, then once more with each of
    // them failed in turn, after which check judges what is left.
    // check(true) judges the clean run.
    static void FailEach(const std::function<void()> &call,
                         const std::function<void(bool)> &check) {
        armed = true;
        seen = 0;
        failAt = 0;
        call();
        armed = false;
        check(true);
        const long total = seen;
        ASSERT_GT(total, 0);
        for (failAt = 1; failAt <= total; ++failAt) {
            SCOPED_TRACE("allocation " + std::to_string(failAt) + " of " + std::to_string(total));
            seen = 0;
            armed = true;
            EXPECT_NO_THROW(call());
            armed = false;
            check(false);
        }
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
                 EXPECT_EQ(dib ? dib->bmiHeader.biWidth : 64, 64);
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
    CAMERA *camera = nullptr;
    FailEach([&] { camera = InitCamera(VIEW_SPIN); },
             [&](bool clean) {
                 EXPECT_TRUE(camera || !clean);
                 if (camera) {
                     EXPECT_EQ(camera->Control != nullptr, camera->View == VIEW_SPIN);
                     DestroyCamera(camera);
                 }
                 EXPECT_EQ(QuelmGlobalBlocksLive(), live);
             });
}

// A FIFO without a writer would block an open for reading forever; it is
// passed over like any name that is not a regular file.
TEST_F(Pressure, AFifoNamedLikeTheArtIsPassedOver) {
    ASSERT_EQ(mkfifo("quelm.bmp", 0600), 0);
    alarm(30);  // a blocked open ends the test instead of hanging it
    BITMAPINFO *dib = OpenDIB("quelm.bmp");
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bmiHeader.biWidth, 64);
    GlobalFreeLocked(dib);
    SCENE *scene = InitScene();
    EXPECT_TRUE(scene);
    DestroyScene(scene);
    EXPECT_EQ(OpenDIB((base_ / "work" / "quelm.bmp").c_str()), nullptr);
    alarm(0);
}

// The art is drawn by nothing: a huge file costs its reading, not the
// scene's lifetime.
TEST_F(Pressure, AHugeArtFileIsNotKept) {
    WriteBmp(base_ / "data" / "quelm.bmp", 4096, 1024);
    armed = true;
    failAt = 0;
    SCENE *scene = InitScene();
    armed = false;
    ASSERT_TRUE(scene);
    ASSERT_GT(blockCount, 0u);
    for (size_t i = 0; i < blockCount; ++i) EXPECT_LT(blocks[i].bytes, size_t{1} << 20);
    DestroyScene(scene);
    EXPECT_EQ(blockCount, 0u);
}

}  // namespace
