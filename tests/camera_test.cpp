// Camera records: creation in each mode, the mode switches with their spin
// record, updates and mode names.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/globalmem.h"
#include "quelm.h"

// The test links with --wrap=GlobalAllocLocked: allocations pass through
// here and can be made to fail.
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
    void SetUp() override { blocksAtStart = QuelmGlobalBlocksLive(); }
    void TearDown() override {
        allocationsBeforeFailure = -1;
        EXPECT_EQ(QuelmGlobalBlocksLive(), blocksAtStart) << "a block was not released";
    }
    long BlocksMade() const { return QuelmGlobalBlocksLive() - blocksAtStart; }
    long blocksAtStart = 0;
};

SPINDEMO_VIEW *Spin(CAMERA *c) { return static_cast<SPINDEMO_VIEW *>(c->Control); }

void ExpectAtSpinStart(const CAMERA *c) {
    EXPECT_EQ(c->Xcamera, 2700.0);
    EXPECT_EQ(c->Ycamera, 0.0);
    EXPECT_EQ(c->Zcamera, 360.0);
    EXPECT_EQ(c->Xtarget, 540.0);
    EXPECT_EQ(c->Ytarget, 0.0);
    EXPECT_EQ(c->Ztarget, 72.0);
    EXPECT_EQ(c->Magnification, 1.0);
    EXPECT_EQ(c->BankAngle, 0.0);
}

TEST_F(CameraTest, InitCameraZeroAndTwoGiveAPlacedSpinCamera) {
    for (int32_t mode : {0, 2}) {
        CAMERA *c = InitCamera(mode);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->View, VIEW_SPIN);
        ASSERT_NE(c->Control, nullptr);
        EXPECT_EQ(BlocksMade(), 2);
        ExpectAtSpinStart(c);
        // The host fills these in; the controller leaves them zero.
        EXPECT_EQ(c->ViewDistance, 0.0);
        EXPECT_EQ(c->RenderRect.right, 0);
        EXPECT_EQ(c->Xn, 0.0);
        DestroyCamera(c);
    }
}

TEST_F(CameraTest, InitCameraOneGivesAZeroDollyCamera) {
    CAMERA *c = InitCamera(VIEW_DOLLY);
    ASSERT_NE(c, nullptr);
    CAMERA zero;
    std::memset(&zero, 0, sizeof zero);
    zero.View = VIEW_DOLLY;
    EXPECT_EQ(std::memcmp(c, &zero, sizeof zero), 0);
    EXPECT_EQ(BlocksMade(), 1);
    DestroyCamera(c);
}

TEST_F(CameraTest, InitCameraOfAnyOtherModeIsIdle) {
    for (int32_t mode : {5, -1, 3}) {
        CAMERA *c = InitCamera(mode);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->View, VIEW_IDLE);
        EXPECT_EQ(c->Control, nullptr);
        EXPECT_STREQ(CameraTerm(c), "idle");
        DestroyCamera(c);
    }
}

TEST_F(CameraTest, CameraTermNamesEachMode) {
    CAMERA c{};
    const struct {
        int32_t view;
        const char *term;
    } cases[] = {{0, "idle"}, {1, "dolly"}, {2, "spin"}, {7, "-undefined-"}, {-1, "-undefined-"}};
    for (const auto &k : cases) {
        c.View = k.view;
        EXPECT_STREQ(CameraTerm(&c), k.term) << k.view;
    }
}

// Every cell of the mode switch: from idle, dolly, spin and an unknown mode
// to each of them and to an unknown one.
TEST_F(CameraTest, ChangeCameraFollowsTheModeTable) {
    constexpr int32_t kUnknown = 7;
    const struct {
        int32_t from, to, expected;
    } table[] = {
        {0, 0, 0}, {0, 1, 1}, {0, 2, 2}, {0, 9, 0},
        {1, 0, 0}, {1, 1, 1}, {1, 2, 2}, {1, 9, 1},
        {2, 0, 0}, {2, 1, 1}, {2, 2, 2}, {2, 9, 2},
        {kUnknown, 0, kUnknown}, {kUnknown, 1, kUnknown}, {kUnknown, 2, kUnknown},
    };
    for (const auto &t : table) {
        CAMERA *c = InitCamera(t.from == VIEW_IDLE ? 5 : t.from == kUnknown ? 1 : t.from);
        ASSERT_NE(c, nullptr);
        if (t.from == kUnknown) c->View = kUnknown;
        ChangeCamera(c, t.to);
        EXPECT_EQ(c->View, t.expected) << t.from << " -> " << t.to;
        EXPECT_EQ(c->Control != nullptr, t.expected == VIEW_SPIN) << t.from << " -> " << t.to;
        EXPECT_EQ(BlocksMade(), t.expected == VIEW_SPIN ? 2 : 1) << t.from << " -> " << t.to;
        if (c->View == kUnknown) c->View = VIEW_IDLE;
        DestroyCamera(c);
    }
}

TEST_F(CameraTest, LeavingSpinKeepsThePlaceAndReturningStartsAfresh) {
    CAMERA *c = InitCamera(VIEW_SPIN);
    ASSERT_NE(c, nullptr);
    Spin(c)->CameraStep = 150;
    UpdateCamera(c);
    ASSERT_EQ(c->Xcamera, 2608.0);
    ChangeCamera(c, VIEW_DOLLY);
    EXPECT_EQ(c->Control, nullptr);
    EXPECT_EQ(BlocksMade(), 1);
    EXPECT_EQ(c->Xcamera, 2608.0);
    EXPECT_EQ(c->Ycamera, 699.0);
    ChangeCamera(c, VIEW_SPIN);
    ASSERT_NE(c->Control, nullptr);
    EXPECT_EQ(Spin(c)->CameraStep, 0);  // defaults again
    ExpectAtSpinStart(c);
    DestroyCamera(c);
}

TEST_F(CameraTest, SpinToSpinChangesNothing) {
    CAMERA *c = InitCamera(VIEW_SPIN);
    ASSERT_NE(c, nullptr);
    SPINDEMO_VIEW *record = Spin(c);
    record->CameraStep = 150;
    ChangeCamera(c, VIEW_SPIN);
    EXPECT_EQ(c->Control, record);
    EXPECT_EQ(record->CameraAngle, 0.0);  // no step was made
    EXPECT_EQ(c->Xcamera, 2700.0);
    DestroyCamera(c);
}

TEST_F(CameraTest, UpdatesLeaveIdleDollyAndUnknownCamerasAlone) {
    for (int32_t mode : {VIEW_IDLE, VIEW_DOLLY, 7}) {
        CAMERA c, before;
        std::memset(&c, 0, sizeof c);
        c.View = mode;
        c.Xcamera = 10;
        c.Ztarget = -3;
        c.Magnification = 0.5;
        c.BankAngle = 1.25;
        std::memcpy(&before, &c, sizeof c);
        UpdateCamera(&c, 1, 2.0, "ignored");
        UpdateCameraTime(&c);
        EXPECT_EQ(std::memcmp(&c, &before, sizeof c), 0) << mode;
    }
}

TEST_F(CameraTest, EachUpdateOfASpinCameraIsOneStep) {
    CAMERA *c = InitCamera(VIEW_SPIN);
    ASSERT_NE(c, nullptr);
    Spin(c)->CameraStep = 150;
    UpdateCamera(c, 42, 3.5);
    EXPECT_EQ(c->Xcamera, 2608.0);
    UpdateCameraTime(c);
    EXPECT_EQ(c->Xcamera, 2338.0);
    EXPECT_EQ(c->Ycamera, 1350.0);
    DestroyCamera(c);
}

TEST_F(CameraTest, NoCameraWhenItsBlockCannotBeHad) {
    allocationsBeforeFailure = 0;
    EXPECT_EQ(InitCamera(VIEW_DOLLY), nullptr);
    EXPECT_EQ(InitCamera(VIEW_SPIN), nullptr);
    EXPECT_EQ(BlocksMade(), 0);
}

TEST_F(CameraTest, ASpinRecordThatCannotBeHadLeavesTheCameraAsItWas) {
    allocationsBeforeFailure = 1;  // the camera, not its spin record
    CAMERA *c = InitCamera(0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->View, VIEW_IDLE);
    EXPECT_EQ(c->Control, nullptr);
    EXPECT_EQ(c->Xcamera, 0.0);
    DestroyCamera(c);

    allocationsBeforeFailure = -1;
    c = InitCamera(VIEW_DOLLY);
    ASSERT_NE(c, nullptr);
    c->Xcamera = 123;
    allocationsBeforeFailure = 0;
    ChangeCamera(c, VIEW_SPIN);
    EXPECT_EQ(c->View, VIEW_DOLLY);
    EXPECT_EQ(c->Control, nullptr);
    EXPECT_EQ(c->Xcamera, 123.0);
    allocationsBeforeFailure = -1;
    ChangeCamera(c, VIEW_SPIN);  // works again once memory is there
    EXPECT_EQ(c->View, VIEW_SPIN);
    DestroyCamera(c);
}

}  // namespace
