// The spin demonstration: its record, the step's angles and rounding, and
// the exchange with the spin dialog's table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "camera/camera.h"

namespace {

class SpinTest : public ::testing::Test {
protected:
    void SetUp() override {
        camera = InitCamera(VIEW_SPIN);
        ASSERT_NE(camera, nullptr);
        spin = static_cast<SPINDEMO_VIEW *>(camera->Control);
        ASSERT_NE(spin, nullptr);
    }
    void TearDown() override { DestroyCamera(camera); }

    void Steps(int n) {
        for (int i = 0; i < n; ++i) MakeSpinDemoView(camera);
    }
    void ExpectCamera(double x, double y, double z) const {
        EXPECT_EQ(camera->Xcamera, x);
        EXPECT_EQ(camera->Ycamera, y);
        EXPECT_EQ(camera->Zcamera, z);
    }
    void ExpectTarget(double x, double y, double z) const {
        EXPECT_EQ(camera->Xtarget, x);
        EXPECT_EQ(camera->Ytarget, y);
        EXPECT_EQ(camera->Ztarget, z);
    }

    CAMERA *camera = nullptr;
    SPINDEMO_VIEW *spin = nullptr;
};

TEST_F(SpinTest, NewRecordHoldsTheDefaults) {
    EXPECT_EQ(spin->CameraRadius, 2700);
    EXPECT_EQ(spin->TargetRadius, 540);
    EXPECT_EQ(spin->TW, 128);
    EXPECT_EQ(spin->CameraHeight, 360);
    EXPECT_EQ(spin->TargetHeight, 72);
    EXPECT_EQ(spin->CameraStep, 0);
    EXPECT_EQ(spin->TargetStep, 0);
    EXPECT_EQ(spin->Magnification, 1.0);
    EXPECT_EQ(spin->CameraAngle, 0.0);
    EXPECT_EQ(spin->TargetAngle, 0.0);
}

TEST_F(SpinTest, DefaultSpinStandsStill) {
    Steps(100);
    ExpectCamera(2700, 0, 360);
    ExpectTarget(540, 0, 72);
}

TEST_F(SpinTest, CameraStepOf15DegreesWalksTheCircle) {
    spin->CameraStep = 150;
    Steps(1);
    ExpectCamera(2608, 699, 360);
    ExpectTarget(540, 0, 72);
    Steps(1);
    ExpectCamera(2338, 1350, 360);
    Steps(22);
    ExpectCamera(2700, 0, 360);
    EXPECT_GE(spin->CameraAngle, 0.0);
    EXPECT_LT(spin->CameraAngle, 6.283185308);
}

// Truncating y + 0.5 takes -698.31 toward zero, to -698, not to -699.
TEST_F(SpinTest, NegativeStepWrapsTheAngleAndRoundsTowardZero) {
    spin->CameraStep = -150;
    Steps(1);
    EXPECT_DOUBLE_EQ(spin->CameraAngle, 6.283185308 - 150 * 3.141592654 / 1800);
    ExpectCamera(2608, -698, 360);
}

TEST_F(SpinTest, TargetStepMovesTheTargetOnly) {
    spin->TargetStep = 300;
    Steps(1);
    ExpectTarget(468, 270, 72);
    ExpectCamera(2700, 0, 360);
}

TEST_F(SpinTest, AnglesStayWithinOneTurn) {
    spin->TargetStep = 300;
    spin->CameraStep = -150;
    for (int i = 0; i < 500; ++i) {
        MakeSpinDemoView(camera);
        ASSERT_GE(spin->TargetAngle, 0.0);
        ASSERT_LT(spin->TargetAngle, 6.283185308);
        ASSERT_GE(spin->CameraAngle, 0.0);
        ASSERT_LT(spin->CameraAngle, 6.283185308);
    }
}

// A rounded position just below zero is +0, as a conversion through an
// integer gives, never -0.
TEST_F(SpinTest, PositionsAreWholeNumbersWithoutNegativeZero) {
    spin->TargetRadius = 1;
    spin->TargetAngle = 2.5;  // cos = -0.80: -0.80 + 0.5 truncates to 0
    Steps(1);
    EXPECT_EQ(camera->Xtarget, 0.0);
    EXPECT_FALSE(std::signbit(camera->Xtarget));
}

TEST_F(SpinTest, StepSetsHeightsBankAndMagnificationAndNothingElse) {
    camera->ViewDistance = 77;
    camera->Xn = 0.25;
    camera->RenderRect = RECT{1, 2, 3, 4};
    camera->BankAngle = 1.0;
    spin->CameraHeight = -5;
    spin->TargetHeight = 9;
    spin->Magnification = 2.5;
    Steps(1);
    EXPECT_EQ(camera->Zcamera, -5.0);
    EXPECT_EQ(camera->Ztarget, 9.0);
    EXPECT_EQ(camera->BankAngle, 0.0);
    EXPECT_EQ(camera->Magnification, 2.5);
    EXPECT_EQ(camera->ViewDistance, 77.0);
    EXPECT_EQ(camera->Xn, 0.25);
    EXPECT_EQ(camera->RenderRect.bottom, 4);
    EXPECT_EQ(camera->View, VIEW_SPIN);
}

// Angles a host wrote far outside a turn, or not numbers at all, neither
// hang the step nor make its conversions undefined.
TEST_F(SpinTest, WildAnglesDoNotHangTheStep) {
    spin->CameraAngle = 1e300;
    spin->TargetAngle = std::nan("");
    Steps(1);
    EXPECT_GE(spin->CameraAngle, 0.0);
    EXPECT_LT(spin->CameraAngle, 6.283185308);
    EXPECT_EQ(camera->Xtarget, 0.0);
    EXPECT_EQ(camera->Ytarget, 0.0);
}

TEST_F(SpinTest, InitSpinDemoViewKeepsAnExistingRecordAndSteps) {
    spin->CameraStep = 150;
    spin->TW = -3;
    Steps(1);
    InitSpinDemoView(camera);
    EXPECT_EQ(camera->Control, spin);
    EXPECT_EQ(spin->TW, -3);
    ExpectCamera(2338, 1350, 360);
}

TEST_F(SpinTest, InitSpinDemoViewPutsADollyCameraIntoSpin) {
    CAMERA *dolly = InitCamera(VIEW_DOLLY);
    ASSERT_NE(dolly, nullptr);
    InitSpinDemoView(dolly);
    EXPECT_EQ(dolly->View, VIEW_SPIN);
    ASSERT_NE(dolly->Control, nullptr);
    EXPECT_EQ(dolly->Xcamera, 2700.0);
    EXPECT_EQ(dolly->Ztarget, 72.0);
    DestroyCamera(dolly);
}

TEST_F(SpinTest, ChangeSpinDemoFillsTheTableInOrder) {
    *spin = SPINDEMO_VIEW{11, 12, 13, 14, 15, -16, 17, 0.0015, 0, 0};
    ChangeSpinDemo(camera);
    const int32_t expected[] = {11, 12, 13, 14, 15, -16, 17, 2};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(SpinDemoFeature[i].value, expected[i]) << i;
    spin->Magnification = 0.9999;  // rounded here, where the coordinate table truncates
    ChangeSpinDemo(camera);
    EXPECT_EQ(SpinDemoFeature[7].value, 1000);
}

TEST_F(SpinTest, SpinDemoChangedTakesTheTableAndKeepsTheAngles) {
    spin->CameraStep = 150;
    Steps(1);
    const double angle = spin->CameraAngle;
    const int32_t values[] = {100, 200, 300, 400, 500, -60, 70, 2500};
    for (int i = 0; i < 8; ++i) SpinDemoFeature[i].value = values[i];
    SpinDemoChanged(camera);
    EXPECT_EQ(spin->CameraRadius, 100);
    EXPECT_EQ(spin->TargetRadius, 200);
    EXPECT_EQ(spin->TW, 300);
    EXPECT_EQ(spin->CameraHeight, 400);
    EXPECT_EQ(spin->TargetHeight, 500);
    EXPECT_EQ(spin->CameraStep, -60);
    EXPECT_EQ(spin->TargetStep, 70);
    EXPECT_EQ(spin->Magnification, 2.5);
    EXPECT_EQ(spin->CameraAngle, angle);
    ExpectCamera(2608, 699, 360);  // moves at the next update only
    UpdateCamera(camera);
    EXPECT_EQ(camera->Zcamera, 400.0);
    EXPECT_EQ(camera->Magnification, 2.5);
}

TEST_F(SpinTest, CallsOnACameraWithoutASpinRecordDoNothing) {
    CAMERA c, before;
    std::memset(&c, 0, sizeof c);
    c.View = VIEW_SPIN;  // a host's own record: spin mode but no spin record
    c.Xcamera = 5;
    std::memcpy(&before, &c, sizeof c);
    for (int i = 0; i < 8; ++i) SpinDemoFeature[i].value = 40 + i;
    MakeSpinDemoView(&c);
    ChangeSpinDemo(&c);
    SpinDemoChanged(&c);
    UpdateCamera(&c);
    EXPECT_EQ(std::memcmp(&c, &before, sizeof c), 0);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(SpinDemoFeature[i].value, 40 + i);
}

}  // namespace
