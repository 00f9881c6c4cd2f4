// The coordinate transforms: world, camera and screen points against the
// matrices of a set-up view, the near plane, saturation and the wrapping
// squared distance.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "math/math.h"
#include "math/trunc.h"
#include "quelm.h"

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(TruncToInt32, TruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(TruncToInt32(-71.508), -71);
    EXPECT_EQ(TruncToInt32(537.9), 537);
    EXPECT_EQ(TruncToInt32(-0.99), 0);
    EXPECT_EQ(TruncToInt32(2147483647.9), kMax);
    EXPECT_EQ(TruncToInt32(-2147483648.9), kMin);
    EXPECT_EQ(TruncToInt32(2147483648.0), kMax);
    EXPECT_EQ(TruncToInt32(-2147483649.0), kMin);
    EXPECT_EQ(TruncToInt32(1e300), kMax);
    EXPECT_EQ(TruncToInt32(-std::numeric_limits<double>::infinity()), kMin);
    EXPECT_EQ(TruncToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}

// The worked view: camera (2700, 0, 360), target (540, 0, 72), 320 x 200,
// magnification 1.
class WorkedViewTest : public ::testing::Test {
protected:
    VANTAGE view{};
    void SetUp() override {
        CAMERA c{};
        c.Xcamera = 2700;
        c.Zcamera = 360;
        c.Xtarget = 540;
        c.Ztarget = 72;
        c.RenderRect = {0, 0, 319, 199};
        c.Magnification = 1.0;
        ASSERT_EQ(SetView(&c, &view), 7);
    }
};

TEST_F(WorkedViewTest, WorldToScreenPlacesPointsAndTruncatesTowardZero) {
    int32_t x = 0, y = 0;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 1000, -300, 0), 1);
    EXPECT_EQ(x, 537);
    EXPECT_EQ(y, 266);
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 1500, 200, 100), 1);
    EXPECT_EQ(x, -196);
    EXPECT_EQ(y, 276);
    // Quotients -71.508 and -22.388: outside the picture, still projected.
    EXPECT_EQ(WorldToScreen(&view, &x, &y, -2000, 500, 0), 1);
    EXPECT_EQ(x, -71);
    EXPECT_EQ(y, -22);
    // World +y lies toward smaller screen x from this side.
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 540, 100, 72), 1);
    EXPECT_GE(x, 59);
    EXPECT_LE(x, 60);
}

TEST_F(WorkedViewTest, WorldToScreenRefusesPointsAtOrBehindTheNearPlane) {
    int32_t x = 12345, y = -777;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 2700, 0, 360), 0);  // the camera: w = 0
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 2600, 0, 350), 0);  // w about 0.046
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 5000, 0, 500), 0);  // behind the camera
    EXPECT_EQ(x, 12345);
    EXPECT_EQ(y, -777);
}

TEST_F(WorkedViewTest, WorldToCameraMeasuresFromTheTarget) {
    double xc, yc, zc;
    WorldToCamera(&view, &xc, &yc, &zc, 540, 0, 72);
    EXPECT_NEAR(xc, 0.0, 1e-9);
    EXPECT_NEAR(yc, 0.0, 1e-9);
    EXPECT_NEAR(zc, 0.0, 1e-9);
    // The camera sits at zc = -CAMARA_DIST on the line of sight.
    WorldToCamera(&view, &xc, &yc, &zc, 2700, 0, 360);
    EXPECT_NEAR(xc, 0.0, 1e-9);
    EXPECT_NEAR(yc, 0.0, 1e-9);
    EXPECT_NEAR(zc, -view.CAMARA_DIST, 1e-9);
    // Higher points have smaller yc (the up axis leans to decreasing z).
    WorldToCamera(&view, &xc, &yc, &zc, 540, 0, 172);
    EXPECT_NEAR(yc, 100.0 * view.DZUP, 1e-9);
    EXPECT_LT(yc, -99.0);
}

TEST_F(WorkedViewTest, CameraToScreenOfTheOriginIsTheCentre) {
    int32_t x = 0, y = 0;
    CameraToScreen(&view, &x, &y, 0.0, 0.0, 0.0);
    EXPECT_EQ(x, 160);
    EXPECT_EQ(y, 100);
}

TEST_F(WorkedViewTest, CameraToScreenMirrorsPointsBehindTheCamera) {
    int32_t x = 0, y = 0;
    // In front (w = 2) the offset from the centre is halved; one camera
    // distance behind the camera (w = -1) it comes out on the other side.
    CameraToScreen(&view, &x, &y, 40.0, 30.0, view.CAMARA_DIST);
    EXPECT_NEAR(x, 160 + 20, 1);
    EXPECT_NEAR(y, 100 + 15, 1);
    CameraToScreen(&view, &x, &y, 40.0, 30.0, -2.0 * view.CAMARA_DIST);
    EXPECT_NEAR(x, 160 - 40, 1);
    EXPECT_NEAR(y, 100 - 30, 1);
}

TEST_F(WorkedViewTest, DistancesFromTheCamera) {
    EXPECT_EQ(WorldToScreenZSquare(&view, 2703, 4, 360), 25);
    EXPECT_EQ(WorldToScreenZ(&view, 2703, 4, 360), 5);
    EXPECT_EQ(WorldToScreenZSquare(&view, 2700, 0, 360), 0);
    // Rounded to the nearest unit: sqrt(2) down, sqrt(3) up.
    EXPECT_EQ(WorldToScreenZ(&view, 2701, 1, 360), 1);
    EXPECT_EQ(WorldToScreenZ(&view, 2701, 1, 361), 2);
}

// Hand-made view states pin the arithmetic without a set-up.
class HandViewTest : public ::testing::Test {
protected:
    VANTAGE view{};
};

TEST_F(HandViewTest, ZeroedStateRefusesAndMapsToZero) {
    int32_t x = 5, y = 6;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 10, 20, 30), 0);
    EXPECT_EQ(x, 5);
    double xc = 1, yc = 1, zc = 1;
    WorldToCamera(&view, &xc, &yc, &zc, 10, 20, 30);
    EXPECT_EQ(xc, 0.0);
    EXPECT_EQ(yc, 0.0);
    EXPECT_EQ(zc, 0.0);
    CameraToScreen(&view, &x, &y, 10.0, 20.0, 30.0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST_F(HandViewTest, NearPlaneItselfIsAccepted) {
    view.W_CLIP_INSET = 0.05;
    view.TM[3][0] = 1.0;
    view.TM[3][2] = 0.05;
    int32_t x = 0, y = 0;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 0, 0, 0), 1);
    EXPECT_EQ(x, 20);
    view.TM[3][2] = std::nextafter(0.05, 0.0);
    x = -3;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 0, 0, 0), 0);
    EXPECT_EQ(x, -3);
}

TEST_F(HandViewTest, SumsRunInRowOrder) {
    // (1 + 1e16) rounds to 1e16 before the translation takes it away again;
    // any other order keeps the 1.
    view.TM[0][0] = 1.0;
    view.TM[1][0] = 1e16;
    view.TM[3][0] = -1e16;
    view.TM[3][2] = 1.0;
    view.CM[0][0] = 1.0;
    view.CM[1][0] = 1e16;
    view.CM[3][0] = -1e16;
    double u, v, w;
    WorldToScene(&view, &u, &v, &w, 1, 1, 0);
    EXPECT_EQ(u, 0.0);
    double xc, yc, zc;
    WorldToCamera(&view, &xc, &yc, &zc, 1, 1, 0);
    EXPECT_EQ(xc, 0.0);
    view.QM[0][0] = 1.0;
    view.QM[1][0] = 1e16;
    view.QM[3][0] = -1e16;
    view.QM[3][2] = 1.0;
    int32_t x = 7, y = 7;
    CameraToScreen(&view, &x, &y, 1.0, 1.0, 0.0);
    EXPECT_EQ(x, 0);
}

TEST_F(HandViewTest, GroundPointsLeaveOutTheHeightTerms) {
    // A height row that would poison any sum it entered.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int j = 0; j < 3; ++j) view.TM[2][j] = view.CM[2][j] = nan;
    view.TM[0][0] = 2.0;
    view.TM[3][2] = 1.0;
    view.CM[1][1] = 3.0;
    view.W_CLIP_INSET = 0.05;
    double u, v, w;
    WorldToScene(&view, &u, &v, &w, 5, 0, 0);
    EXPECT_EQ(u, 10.0);
    EXPECT_EQ(w, 1.0);
    int32_t x = 0, y = 0;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 5, 0, 0), 1);
    EXPECT_EQ(x, 10);
    double xc, yc, zc;
    WorldToCamera(&view, &xc, &yc, &zc, 0, 4, 0);
    EXPECT_EQ(yc, 12.0);
    // Off the ground the terms are there.
    WorldToScene(&view, &u, &v, &w, 5, 0, 1);
    EXPECT_TRUE(std::isnan(u));
}

TEST_F(HandViewTest, CameraToScreenInTheCamerasPlaneUsesAMillion) {
    view.QM[3][0] = 0.5;
    view.QM[3][1] = -0.25;
    view.QM[2][2] = 1.0;
    view.QM[3][2] = 1.0;
    int32_t x = 0, y = 0;
    CameraToScreen(&view, &x, &y, 0.0, 0.0, -1.0);  // w exactly 0: plus
    EXPECT_EQ(x, 500000);
    EXPECT_EQ(y, -250000);
    CameraToScreen(&view, &x, &y, 0.0, 0.0, -1.0000005);  // w just below 0
    EXPECT_EQ(x, -500000);
    EXPECT_EQ(y, 250000);
    CameraToScreen(&view, &x, &y, 0.0, 0.0, -0.999999);  // w = 1e-6 (a hair more)
    EXPECT_LT(x, 500001);
    EXPECT_GT(x, 499000);
    CameraToScreen(&view, &x, &y, 0.0, 0.0, 1.0);  // w = 2: an ordinary divide
    EXPECT_EQ(x, 0);
}

TEST_F(HandViewTest, ScreenCoordinatesSaturate) {
    view.QM[0][0] = 1.0;
    view.QM[1][1] = 1.0;
    view.QM[2][2] = 1.0;
    view.QM[3][2] = 1.0;
    int32_t x = 0, y = 0;
    CameraToScreen(&view, &x, &y, 1e5, -1e5, -1.0);  // 1e11 times the million
    EXPECT_EQ(x, kMax);
    EXPECT_EQ(y, kMin);
    view.W_CLIP_INSET = 0.05;
    view.TM[0][0] = 1e6;
    view.TM[1][1] = -1e6;
    view.TM[3][2] = 0.05;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 2000000, 2000000, 0), 1);
    EXPECT_EQ(x, kMax);
    EXPECT_EQ(y, kMin);
}

TEST_F(HandViewTest, IntegralCameraRoundsHalvesTowardPlusInfinity) {
    view.XPC = 10.5;
    EXPECT_EQ(WorldToScreenZSquare(&view, 0, 0, 0), 121);
    view.XPC = -10.5;
    EXPECT_EQ(WorldToScreenZSquare(&view, 0, 0, 0), 100);
    view.XPC = -10.7;
    EXPECT_EQ(WorldToScreenZSquare(&view, 0, 0, 0), 100);
    view.XPC = 10.4;
    EXPECT_EQ(WorldToScreenZ(&view, 0, 0, 0), 10);
}

TEST_F(HandViewTest, SquaredDistanceWrapsBeyond32Bits) {
    EXPECT_EQ(WorldToScreenZSquare(&view, 46340, 0, 0), 2147395600);
    // 2.5e9 wraps to 2500000000 - 2^32.
    EXPECT_EQ(WorldToScreenZSquare(&view, 50000, 0, 0), -1794967296);
    EXPECT_EQ(WorldToScreenZ(&view, 50000, 0, 0), 50000);
    // Differences beyond 32 bits wrap as well: 4294967294 is -2 there.
    view.XPC = view.YPC = view.ZPC = -2147483648.0;
    EXPECT_EQ(WorldToScreenZSquare(&view, kMax, kMax, kMax), 12);
}

TEST_F(HandViewTest, DistanceSaturatesFarAway) {
    view.XPC = view.YPC = view.ZPC = -2147483648.0;
    EXPECT_EQ(WorldToScreenZ(&view, kMax, kMax, kMax), kMax);
    // A camera position beyond 32 bits saturates instead of overflowing.
    view.XPC = 1e12;
    view.YPC = view.ZPC = -1e12;
    EXPECT_EQ(WorldToScreenZ(&view, kMin, kMax, kMax), kMax);
    EXPECT_EQ(WorldToScreenZ(&view, kMax, kMin, kMin), 0);
    EXPECT_EQ(WorldToScreenZSquare(&view, kMax, kMin, kMin), 0);
}

}  // namespace
