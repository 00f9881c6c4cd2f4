// Camera records: creation in each mode, the mode switches with their spin
// record, updates, mode names, and memory that cannot be had.
#include <gtest/gtest.h>

#include <cstring>

#include "quelm_globalmem.h"
#include "quelm.h"

// Linked with --wrap=GlobalAllocLocked, so that allocations can be made to fail.
namespace {
int allocationsBeforeFailure = -1;  // -1: never fail
}
extern "C" void *__real_GlobalAllocLocked(size_t bytes);
extern "C" void *__wrap_GlobalAllocLocked(size_t bytes) {
    if (allocationsBeforeFailure == 0) return nullptr;
    if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
    return __real_GlobalAllocLocked(bytes);
}

namespace {

class CameraTest : public ::testing::Test {
protected:
    void TearDown() override {
        allocationsBeforeFailure = -1;
        EXPECT_EQ(BlocksMade(), 0) << "a block was not released";
    }
    long BlocksMade() const { return QuelmGlobalBlocksLive() - blocksAtStart; }
    const long blocksAtStart = QuelmGlobalBlocksLive();
};

// Besides its mode and record, a camera holds the spin's start placement or
// nothing: what the host fills in (distance, line of sight, area) stays zero.
void ExpectFresh(const CAMERA *c, bool atSpinStart) {
    CAMERA expected;
    std::memset(&expected, 0, sizeof expected);
    if (atSpinStart)
        expected.Xcamera = 2700, expected.Zcamera = 360, expected.Xtarget = 540,
        expected.Ztarget = 72, expected.Magnification = 1.0;
    expected.View = c->View;
    expected.Control = c->Control;
    EXPECT_EQ(std::memcmp(c, &expected, sizeof expected), 0);
}

TEST_F(CameraTest, InitCameraTakesZeroAsSpinAndUnknownModesAsIdle) {
    const struct {
        int32_t mode, view;
    } cases[] = {{0, VIEW_SPIN}, {2, VIEW_SPIN}, {1, VIEW_DOLLY}, {3, VIEW_IDLE}, {-1, VIEW_IDLE}};
    for (const auto &k : cases) {
        SCOPED_TRACE(k.mode);
        CAMERA *c = InitCamera(k.mode);
        ASSERT_NE(c, nullptr);
        const bool spin = k.view == VIEW_SPIN;
        EXPECT_EQ(c->View, k.view);
        EXPECT_EQ(c->Control != nullptr, spin);
        EXPECT_EQ(BlocksMade(), spin ? 2 : 1);
        ExpectFresh(c, spin);
        // Updates step a spin camera (here by nothing) and leave the others alone.
        c->Xcamera = 10, c->BankAngle = 1.25;
        UpdateCamera(c, 1, 2.0, "ignored");
        UpdateCameraTime(c);
        EXPECT_EQ(c->Xcamera, spin ? 2700.0 : 10.0);
        EXPECT_EQ(c->BankAngle, spin ? 0.0 : 1.25);
        DestroyCamera(c);
    }
}

TEST_F(CameraTest, CameraTermNamesEachMode) {
    CAMERA c{};
    const char *terms[] = {"-undefined-", "idle", "dolly", "spin", "-undefined-"};
    for (int32_t view = -1; view <= 3; ++view) {
        c.View = view;
        EXPECT_STREQ(CameraTerm(&c), terms[view + 1]) << view;
    }
}

// Every cell of the mode switch: from idle, dolly, spin and an unknown mode
// to each of them and to an unknown one.
TEST_F(CameraTest, ChangeCameraFollowsTheModeTable) {
    constexpr int32_t kUnknown = 7;
    const struct {
        int32_t from, to, expected;
    } table[] = {
        {0, 0, 0}, {0, 1, 1}, {0, 2, 2}, {0, 9, 0}, {1, 0, 0}, {1, 1, 1}, {1, 2, 2}, {1, 9, 1},
        {2, 0, 0}, {2, 1, 1}, {2, 2, 2}, {2, 9, 2},
        {kUnknown, 0, kUnknown}, {kUnknown, 1, kUnknown}, {kUnknown, 2, kUnknown},
    };
    for (const auto &t : table) {
        SCOPED_TRACE(testing::Message() << t.from << " -> " << t.to);
        CAMERA *c = InitCamera(t.from == VIEW_IDLE ? 5 : t.from == kUnknown ? 1 : t.from);
        ASSERT_NE(c, nullptr);
        if (t.from == kUnknown) c->View = kUnknown;
        ChangeCamera(c, t.to);
        EXPECT_EQ(c->View, t.expected);
        EXPECT_EQ(c->Control != nullptr, t.expected == VIEW_SPIN);
        EXPECT_EQ(BlocksMade(), t.expected == VIEW_SPIN ? 2 : 1);
        DestroyCamera(c);
    }
}

TEST_F(CameraTest, SpinToSpinKeepsTheRecordLeavingKeepsThePlaceReturningStartsAfresh) {
    CAMERA *c = InitCamera(VIEW_SPIN);
    ASSERT_NE(c, nullptr);
    auto *record = static_cast<SPINDEMO_VIEW *>(c->Control);
    record->CameraStep = 150;
    ChangeCamera(c, VIEW_SPIN);
    EXPECT_EQ(c->Control, record);
    EXPECT_EQ(c->Xcamera, 2700.0);  // no step was made
    UpdateCamera(c, 42, 3.5);
    UpdateCameraTime(c);
    EXPECT_EQ(c->Xcamera, 2338.0);  // two steps
    ChangeCamera(c, VIEW_DOLLY);
    EXPECT_EQ(c->Control, nullptr);
    EXPECT_EQ(BlocksMade(), 1);
    EXPECT_EQ(c->Ycamera, 1350.0);
    ChangeCamera(c, VIEW_SPIN);
    ASSERT_NE(c->Control, nullptr);
    EXPECT_EQ(static_cast<SPINDEMO_VIEW *>(c->Control)->CameraStep, 0);  // defaults again
    ExpectFresh(c, true);
    DestroyCamera(c);
}

TEST_F(CameraTest, MemoryThatCannotBeHad) {
    allocationsBeforeFailure = 0;
    EXPECT_EQ(InitCamera(VIEW_DOLLY), nullptr);
    EXPECT_EQ(InitCamera(VIEW_SPIN), nullptr);
    EXPECT_EQ(BlocksMade(), 0);

    allocationsBeforeFailure = 1;  // the camera, not its spin record: an idle camera
    CAMERA *c = InitCamera(0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->View, VIEW_IDLE);
    ExpectFresh(c, false);
    ChangeCamera(c, VIEW_DOLLY);
    c->Xcamera = 123;
    allocationsBeforeFailure = 0;
    ChangeCamera(c, VIEW_SPIN);  // the camera stays as it was
    EXPECT_EQ(c->View, VIEW_DOLLY);
    EXPECT_EQ(c->Control, nullptr);
    EXPECT_EQ(c->Xcamera, 123.0);
    allocationsBeforeFailure = -1;
    ChangeCamera(c, VIEW_SPIN);  // and works once memory is there
    EXPECT_EQ(c->View, VIEW_SPIN);
    DestroyCamera(c);
}

}  // namespace
