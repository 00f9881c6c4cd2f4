// The spin demonstration: the step's angles and rounding, what a step writes
// into the camera, and the exchange with the spin dialog's table.  Where the
// steps take camera and target from the defaults is pinned by the
// conformance scenarios (and the quelm tool's camera command).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "camera/camera.h"

namespace {

bool WithinATurn(double angle) { return angle >= 0.0 && angle < 6.283185308; }

class SpinTest : public ::testing::Test {
protected:
    void SetUp() override {
        camera = InitCamera(VIEW_SPIN);
        ASSERT_NE(camera, nullptr);
        spin = static_cast<SPINDEMO_VIEW *>(camera->Control);
        ASSERT_NE(spin, nullptr);
    }
    void TearDown() override { DestroyCamera(camera); }

    CAMERA *camera = nullptr;
    SPINDEMO_VIEW *spin = nullptr;
};

TEST_F(SpinTest, AnglesWrapIntoOneTurn) {
    spin->TargetStep = 300;
    spin->CameraStep = -150;
    MakeSpinDemoView(camera);
    // pi and a turn to ten digits, as the dialogs take them.
    EXPECT_DOUBLE_EQ(spin->CameraAngle, 6.283185308 - 150 * 3.141592654 / 1800);
    for (int i = 0; i < 500; ++i) {
        MakeSpinDemoView(camera);
        ASSERT_TRUE(WithinATurn(spin->CameraAngle) && WithinATurn(spin->TargetAngle)) << i;
    }
    // Angles a host wrote far outside a turn, or not numbers at all, neither
    // hang the step nor make its conversions undefined.
    spin->CameraAngle = 1e300;
    spin->TargetAngle = std::nan("");
    MakeSpinDemoView(camera);
    EXPECT_TRUE(WithinATurn(spin->CameraAngle));
    EXPECT_EQ(camera->Xtarget, 0.0);
    EXPECT_EQ(camera->Ytarget, 0.0);
}

// A rounded position just below zero is +0, as a conversion through an
// integer gives, never -0.
TEST_F(SpinTest, PositionsAreWholeNumbersWithoutNegativeZero) {
    spin->TargetRadius = 1;
    spin->TargetAngle = 2.5;  // cos = -0.80: -0.80 + 0.5 truncates to 0
    MakeSpinDemoView(camera);
    EXPECT_EQ(camera->Xtarget, 0.0);
    EXPECT_FALSE(std::signbit(camera->Xtarget));
}

TEST_F(SpinTest, StepSetsHeightsBankAndMagnificationAndNothingElse) {
    camera->ViewDistance = 77, camera->Xn = 0.25, camera->RenderRect = RECT{1, 2, 3, 4};
    camera->BankAngle = 1.0;
    spin->CameraHeight = -5, spin->TargetHeight = 9, spin->Magnification = 2.5;
    CAMERA expected;
    std::memcpy(&expected, camera, sizeof expected);
    expected.Zcamera = -5, expected.Ztarget = 9, expected.BankAngle = 0, expected.Magnification = 2.5;
    MakeSpinDemoView(camera);
    EXPECT_EQ(std::memcmp(camera, &expected, sizeof expected), 0);
}

TEST_F(SpinTest, InitSpinDemoViewKeepsAnExistingRecordAndSteps) {
    spin->CameraStep = 150;
    spin->TW = -3;
    MakeSpinDemoView(camera);
    InitSpinDemoView(camera);
    EXPECT_EQ(camera->Control, spin);
    EXPECT_EQ(spin->TW, -3);
    EXPECT_EQ(camera->Xcamera, 2338.0);
}

TEST_F(SpinTest, TableExchangeKeepsTheAnglesAndRoundsTheMagnification) {
    *spin = SPINDEMO_VIEW{11, 12, 13, 14, 15, -16, 17, 0.0015, 0.5, 0.25};
    ChangeSpinDemo(camera);
    const int32_t expected[] = {11, 12, 13, 14, 15, -16, 17, 2};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(SpinDemoFeature[i].value, expected[i]) << i;
    spin->Magnification = 0.9999;  // rounded here, where the coordinate table truncates
    ChangeSpinDemo(camera);
    EXPECT_EQ(SpinDemoFeature[7].value, 1000);

    const int32_t values[] = {100, 200, 300, 400, 500, -60, 70, 2500};
    for (int i = 0; i < 8; ++i) SpinDemoFeature[i].value = values[i];
    SpinDemoChanged(camera);
    EXPECT_EQ(spin->CameraAngle, 0.5);
    EXPECT_EQ(spin->TargetAngle, 0.25);
    EXPECT_EQ(camera->Xcamera, 2700.0);  // moves at the next update only
    ChangeSpinDemo(camera);  // pinned above: the record holds the table in order
    for (int i = 0; i < 8; ++i) EXPECT_EQ(SpinDemoFeature[i].value, values[i]) << i;
    UpdateCamera(camera);
    EXPECT_EQ(camera->Zcamera, 400.0);
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
