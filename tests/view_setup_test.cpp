// SetView: the derived view state, its change bits and thresholds, and the
// views it cannot build.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "math/math.h"
#include "quelm.h"

namespace {

// The worked view: camera (2700, 0, 360), target (540, 0, 72), 320 x 200,
// magnification 1.
CAMERA WorkedCamera() {
    CAMERA c{};
    c.Xcamera = 2700;
    c.Zcamera = 360;
    c.Xtarget = 540;
    c.Ztarget = 72;
    c.RenderRect = {0, 0, 319, 199};
    c.Magnification = 1.0;
    return c;
}

bool SameBits(const VANTAGE &a, const VANTAGE &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class SetViewTest : public ::testing::Test {
protected:
    CAMERA camera = WorkedCamera();
    VANTAGE view{};

    // The worked view set up once; the snapshot is what a further call with
    // nothing changed must leave.
    void SetUpWorked() {
        ASSERT_EQ(SetView(&camera, &view), VIEW_TARGET_MOVED | VIEW_SCREEN_CHANGED |
                                               VIEW_CAMERA_MOVED);
    }
};

TEST_F(SetViewTest, WorkedExampleBuildsTheDescribedView) {
    SetUpWorked();
    EXPECT_EQ(view.RESX, 320.0);
    EXPECT_EQ(view.RESY, 200.0);
    EXPECT_EQ(view.QUELMX, 320.0);
    EXPECT_EQ(view.QUELMY, 200.0);
    EXPECT_EQ(view.W_CLIP_INSET, 0.05);
    EXPECT_EQ(view.VIEW_DEPTH, 0.0);
    EXPECT_NEAR(view.CAMARA_DIST, 2179.1154, 1e-4);
    EXPECT_NEAR(view.DXN, -0.99123, 1e-5);
    EXPECT_EQ(view.DYN, 0.0);
    EXPECT_NEAR(view.DZN, -0.13216, 1e-5);
    EXPECT_NEAR(view.DXUP, 0.13216, 1e-5);
    EXPECT_NEAR(view.DZUP, -0.99123, 1e-5);
    EXPECT_EQ(view.CM[0][0], 0.0);
    EXPECT_EQ(view.CM[1][0], -1.0);
    EXPECT_EQ(view.CM[2][0], 0.0);
    EXPECT_NEAR(view.TM[3][0], 200.0, 1e-9);
    EXPECT_NEAR(view.TM[3][1], 125.0, 1e-9);
    EXPECT_NEAR(view.TM[3][2], 1.25, 1e-12);
    // The line of sight is written back into the camera.
    EXPECT_EQ(camera.Xn, view.DXN);
    EXPECT_EQ(camera.Yn, view.DYN);
    EXPECT_EQ(camera.Zn, view.DZN);
    // First set-up: the displacements are measured from the zeroed record.
    EXPECT_EQ(view.DXPC, 2700.0);
    EXPECT_EQ(view.DZT, 72.0);
    EXPECT_EQ(view.ADXT, 540.0);
}

// These bits follow only from evaluating each expression in the order it is
// written (they are those of an independent implementation).
TEST_F(SetViewTest, WorkedExampleIsBitExact) {
    SetUpWorked();
    EXPECT_EQ(view.CAMARA_DIST, 2179.115416860704);
    EXPECT_EQ(view.DXN, -0.9912279006826347);
    EXPECT_EQ(view.DZN, -0.13216372009101796);
    EXPECT_EQ(view.DXUP, 0.13216372009101798);
    EXPECT_EQ(view.DZUP, -0.9912279006826348);
    EXPECT_TRUE(std::signbit(view.CM[2][0]));
    EXPECT_TRUE(std::signbit(view.CM[3][0]));
    EXPECT_EQ(view.CM[3][1], -1.4210854715202004e-14);
    EXPECT_EQ(view.CM[3][2], 544.778854215176);
    EXPECT_EQ(view.QM[2][0], 0.07342428893945442);
    EXPECT_EQ(view.QM[2][1], 0.04589018058715901);
    EXPECT_EQ(view.QM[2][2], 0.0004589018058715901);
    EXPECT_EQ(view.TM[0][0], -0.0727802037845706);
    EXPECT_EQ(view.TM[0][1], 0.08667609272566136);
    EXPECT_EQ(view.TM[2][1], -0.9972929176646823);
    EXPECT_EQ(view.TM[2][2], -6.0650169820475496e-05);
    EXPECT_EQ(view.TM[3][0], 200.0);
    EXPECT_EQ(view.TM[3][1], 124.99999999999999);
    EXPECT_EQ(view.TM[3][2], 1.25);
}

TEST_F(SetViewTest, TargetLandsOnTheCentreOfTheArea) {
    SetUpWorked();
    double u, v, w;
    WorldToScene(&view, &u, &v, &w, 540, 0, 72);
    EXPECT_NEAR(u / w, 160.0, 1e-9);
    EXPECT_NEAR(v / w, 100.0, 1e-9);
    EXPECT_NEAR(w, 1.0, 1e-12);
    // The origin lies on the line of sight behind the target.
    WorldToScene(&view, &u, &v, &w, 0, 0, 0);
    EXPECT_EQ(w, 1.25);
    EXPECT_NEAR(u / w, 160.0, 1e-9);
}

TEST_F(SetViewTest, UnchangedCameraReturnsZeroAndTouchesNothingButTheInset) {
    SetUpWorked();
    view.W_CLIP_INSET = 0.0;
    VANTAGE before = view;
    EXPECT_EQ(SetView(&camera, &view), 0);
    EXPECT_EQ(view.W_CLIP_INSET, 0.05);
    before.W_CLIP_INSET = 0.05;
    EXPECT_TRUE(SameBits(before, view));
}

TEST_F(SetViewTest, BankAngleViewDistanceAndLineOfSightTakeNoPart) {
    SetUpWorked();
    const VANTAGE before = view;
    camera.BankAngle = 1.0;
    camera.ViewDistance = 1234.0;
    camera.Xn = camera.Yn = camera.Zn = 7.0;
    EXPECT_EQ(SetView(&camera, &view), 0);
    EXPECT_TRUE(SameBits(before, view));
    EXPECT_EQ(camera.Xn, 7.0);  // not rewritten when nothing changed
}

TEST_F(SetViewTest, MagnificationChangesTheVisibleSpan) {
    SetUpWorked();
    camera.Magnification = 2.0;
    EXPECT_EQ(SetView(&camera, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.QUELMX, 160.0);
    EXPECT_EQ(view.QUELMY, 100.0);
    EXPECT_EQ(view.QM[0][0], 2.0);
    EXPECT_EQ(view.DXT, 0.0);
    EXPECT_EQ(view.DXPC, 0.0);
}

TEST_F(SetViewTest, SpansAreTruncated) {
    SetUpWorked();
    camera.Magnification = 3.0;
    EXPECT_EQ(SetView(&camera, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.QUELMX, 106.0);
    EXPECT_EQ(view.QUELMY, 66.0);
    EXPECT_EQ(view.QM[0][0], 320.0 / 106.0);
    EXPECT_EQ(view.QM[1][1], 200.0 / 66.0);
}

TEST_F(SetViewTest, ResizingTheAreaChangesTheScreen) {
    SetUpWorked();
    camera.RenderRect = {0, 0, 639, 479};
    EXPECT_EQ(SetView(&camera, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.RESX, 640.0);
    EXPECT_EQ(view.RESY, 480.0);
    // Only the size counts, not where the rectangle lies.
    camera.RenderRect = {100, 50, 739, 529};
    EXPECT_EQ(SetView(&camera, &view), 0);
}

TEST_F(SetViewTest, RectangleUpsideDownGivesTheSameHeight) {
    SetUpWorked();
    const VANTAGE before = view;
    camera.RenderRect = {0, 199, 319, 0};
    EXPECT_EQ(SetView(&camera, &view), 0);
    EXPECT_TRUE(SameBits(before, view));
}

TEST_F(SetViewTest, SmallTargetMoveIsStoredButReportsNothing) {
    SetUpWorked();
    const double oldCM31 = view.CM[3][1];
    const double oldTM30 = view.TM[3][0];
    camera.Xtarget = 540.005;
    camera.Ytarget = 0.003;
    EXPECT_EQ(SetView(&camera, &view), 0);
    EXPECT_EQ(view.XT, 540.005);
    EXPECT_EQ(view.DXT, 540.005 - 540.0);
    EXPECT_EQ(view.ADXT, 540.0 + (540.005 - 540.0));
    EXPECT_EQ(view.ADYT, 0.003);
    // The matrices are rebuilt for the new target all the same.
    EXPECT_NE(view.CM[3][1], oldCM31);
    EXPECT_NE(view.TM[3][0], oldTM30);
    EXPECT_EQ(camera.Xn, view.DXN);
}

TEST_F(SetViewTest, MoveThresholdLiesAtOneHundredthOfAUnit) {
    SetUpWorked();
    camera.Xcamera = 2700.0078125;  // squared move 6.1e-5: jitter
    EXPECT_EQ(SetView(&camera, &view), 0);
    EXPECT_EQ(view.XPC, 2700.0078125);
    EXPECT_EQ(view.DXPC, 0.0078125);
    camera.Xcamera += 0.015625;  // squared move 2.4e-4
    EXPECT_EQ(SetView(&camera, &view), VIEW_CAMERA_MOVED);
    camera.Ztarget += 0.0078125;
    EXPECT_EQ(SetView(&camera, &view), 0);
    EXPECT_EQ(view.DXPC, 0.0);  // camera unchanged this time
    camera.Ztarget += 0.015625;
    EXPECT_EQ(SetView(&camera, &view), VIEW_TARGET_MOVED);
}

TEST_F(SetViewTest, TargetDisplacementAccumulates) {
    SetUpWorked();
    view.ADXT = view.ADYT = view.ADZT = 0.0;  // as a complete reprojection leaves them
    camera.Ytarget = 10.0;
    EXPECT_EQ(SetView(&camera, &view), VIEW_TARGET_MOVED);
    camera.Ytarget = 25.0;
    camera.Ztarget = 70.0;
    EXPECT_EQ(SetView(&camera, &view), VIEW_TARGET_MOVED);
    EXPECT_EQ(view.ADYT, 25.0);
    EXPECT_EQ(view.ADZT, -2.0);
    EXPECT_EQ(view.DYT, 15.0);
    EXPECT_EQ(view.DZT, -2.0);
}

TEST_F(SetViewTest, CombinedChangesReportEveryBit) {
    SetUpWorked();
    camera.Xcamera += 10;
    camera.Xtarget += 10;
    EXPECT_EQ(SetView(&camera, &view), VIEW_TARGET_MOVED | VIEW_CAMERA_MOVED);
    camera.Xcamera += 10;
    camera.Xtarget += 10;
    camera.RenderRect = {0, 0, 639, 479};
    EXPECT_EQ(SetView(&camera, &view), VIEW_TARGET_MOVED | VIEW_SCREEN_CHANGED |
                                           VIEW_CAMERA_MOVED);
    // The same camera again: nothing more to report.
    EXPECT_EQ(SetView(&camera, &view), 0);
}

TEST_F(SetViewTest, CameraOnTargetKeepsTheMatricesButStoresThePositions) {
    SetUpWorked();
    const VANTAGE before = view;
    camera.Xcamera = camera.Xtarget = 500;
    camera.Ycamera = camera.Ytarget = 500;
    camera.Zcamera = camera.Ztarget = 500;
    const double xn = camera.Xn;
    EXPECT_EQ(SetView(&camera, &view), -1);
    EXPECT_EQ(camera.Xn, xn);
    EXPECT_EQ(view.XT, 500.0);
    EXPECT_EQ(view.XPC, 500.0);
    EXPECT_EQ(view.DXT, -40.0);
    EXPECT_EQ(view.DXPC, -2200.0);
    EXPECT_EQ(view.CAMARA_DIST, before.CAMARA_DIST);
    EXPECT_EQ(view.DXN, before.DXN);
    EXPECT_EQ(0, std::memcmp(view.CM, before.CM, sizeof view.CM));
    EXPECT_EQ(0, std::memcmp(view.QM, before.QM, sizeof view.QM));
    EXPECT_EQ(0, std::memcmp(view.TM, before.TM, sizeof view.TM));
    // Nothing differs from the stored state now, so the same camera again
    // reports no change at all.
    EXPECT_EQ(SetView(&camera, &view), 0);
}

TEST_F(SetViewTest, VerticalLineOfSightRebuildsFromAPartlyUpdatedCameraMatrix) {
    SetUpWorked();
    const VANTAGE before = view;
    camera.Xcamera = 540;
    camera.Zcamera = 3000;
    EXPECT_EQ(SetView(&camera, &view), VIEW_CAMERA_MOVED);
    EXPECT_EQ(view.DZN, -1.0);
    EXPECT_EQ(camera.Zn, -1.0);
    EXPECT_EQ(view.CAMARA_DIST, 2928.0);
    // The up reference loses everything along the line of sight and is kept
    // as it is left.
    EXPECT_EQ(view.DXUP, 0.0);
    EXPECT_EQ(view.DYUP, 0.0);
    EXPECT_EQ(view.DZUP, 0.0);
    // Column 2 is the new line of sight; columns 0 and 1 and row 3 stay.
    EXPECT_EQ(view.CM[0][2], 0.0);
    EXPECT_EQ(view.CM[2][2], -1.0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view.CM[i][0], before.CM[i][0]);
        EXPECT_EQ(view.CM[i][1], before.CM[i][1]);
    }
    for (int j = 0; j < 3; ++j) EXPECT_EQ(view.CM[3][j], before.CM[3][j]);
    // QM and TM follow the new distance and that CM.
    EXPECT_EQ(view.QM[2][2], 1.0 / 2928.0);
    EXPECT_EQ(view.TM[2][2], -1.0 * (1.0 / 2928.0));
    EXPECT_EQ(view.TM[3][2], before.CM[3][2] * (1.0 / 2928.0) + 1.0);
}

TEST_F(SetViewTest, FirstSetUpAlwaysFindsTheScreenChanged) {
    CAMERA c{};
    c.Xcamera = 100;
    c.RenderRect = {0, 0, 9, 9};
    c.Magnification = 1.0;
    EXPECT_EQ(SetView(&c, &view), VIEW_SCREEN_CHANGED | VIEW_CAMERA_MOVED);
    EXPECT_EQ(view.DXN, -1.0);
}

// Views that cannot be built are refused before anything is stored.
class SetViewRefusalTest : public SetViewTest {
protected:
    // Nothing changes but the near plane, which every call sets.
    void ExpectRefused(const CAMERA &bad) {
        CAMERA c = bad;
        VANTAGE before = view;
        before.W_CLIP_INSET = 0.05;
        EXPECT_EQ(SetView(&c, &view), -1);
        EXPECT_TRUE(SameBits(before, view));
        EXPECT_EQ(0, std::memcmp(&c, &bad, sizeof c));
    }
};

TEST_F(SetViewRefusalTest, MagnificationMustBePositiveAndFinite) {
    SetUpWorked();
    for (double m : {0.0, -0.0, -1.0, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        CAMERA c = camera;
        c.Magnification = m;
        c.Xtarget = 600;  // a change that must not be stored either
        SCOPED_TRACE(m);
        ExpectRefused(c);
    }
}

TEST_F(SetViewRefusalTest, SpanBelowOneUnitIsRefused) {
    SetUpWorked();
    CAMERA c = camera;
    c.Magnification = 250.0;  // 320 / 250 spans 1, 200 / 250 spans 0
    ExpectRefused(c);
    c.RenderRect = {0, 0, 319, 299};
    EXPECT_EQ(SetView(&c, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.QUELMX, 1.0);
    EXPECT_EQ(view.QUELMY, 1.0);
}

TEST_F(SetViewRefusalTest, TinyMagnificationSaturatesTheSpan) {
    SetUpWorked();
    camera.Magnification = 1e-300;
    EXPECT_EQ(SetView(&camera, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.QUELMX, 2147483647.0);
    EXPECT_TRUE(std::isfinite(view.TM[0][0]));
}

TEST_F(SetViewRefusalTest, PositionsAndTargetsMustBeFiniteAndWithinReach) {
    SetUpWorked();
    double CAMERA::*const members[] = {&CAMERA::Xcamera, &CAMERA::Ycamera, &CAMERA::Zcamera,
                                       &CAMERA::Xtarget, &CAMERA::Ytarget, &CAMERA::Ztarget};
    for (double CAMERA::*m : members) {
        for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), 2e15, -1e300}) {
            CAMERA c = camera;
            c.*m = bad;
            SCOPED_TRACE(bad);
            ExpectRefused(c);
        }
    }
    CAMERA far = camera;
    far.Xcamera = 1e15;
    EXPECT_EQ(SetView(&far, &view), VIEW_CAMERA_MOVED);
}

TEST_F(SetViewRefusalTest, RenderRectMustHaveAUsableSize) {
    SetUpWorked();
    const RECT bad[] = {{10, 0, 8, 199},  // right left of left
                        {0, 0, 32767, 199}, {0, -20000, 319, 20000},
                        {INT32_MIN, 0, INT32_MAX, 199}, {0, INT32_MAX, 319, INT32_MIN}};
    for (const RECT &r : bad) {
        CAMERA c = camera;
        c.RenderRect = r;
        SCOPED_TRACE(r.right);
        ExpectRefused(c);
    }
    // One pixel wide (right == left) and the widest drawable area are fine.
    CAMERA c = camera;
    c.RenderRect = {5, 0, 5, 0};
    c.Magnification = 0.5;
    EXPECT_EQ(SetView(&c, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.RESX, 1.0);
    c.RenderRect = {0, 0, 32766, 32766};
    EXPECT_EQ(SetView(&c, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.RESY, 32767.0);
}

// A scene whose first view is refused keeps zero matrices, and with the near
// plane in place every point of it lies behind.
TEST_F(SetViewRefusalTest, FirstSetUpRefusedLeavesZeroMatricesBehindTheNearPlane) {
    CAMERA c = camera;
    c.Magnification = 0.0;
    ExpectRefused(c);
    EXPECT_EQ(view.W_CLIP_INSET, 0.05);
    EXPECT_EQ(view.RESX, 0.0);
    EXPECT_EQ(view.TM[3][2], 0.0);
}

}  // namespace
