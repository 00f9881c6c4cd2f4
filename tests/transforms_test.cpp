// The coordinate transforms: world, camera and screen points against the
// matrices of a set-up view, the near plane, saturation and the wrapping
// squared distance.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "math/fp.h"
#include "math/math.h"
#include "math/trunc.h"
#include "quelm.h"

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(TruncToInt32, TruncatesTowardZeroAndSaturates) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {{-71.508, -71}, {537.9, 537}, {-0.99, 0}, {2147483647.9, kMax},
                 {-2147483648.9, kMin}, {2147483648.0, kMax}, {-2147483649.0, kMin},
                 {1e300, kMax}, {-std::numeric_limits<double>::infinity(), kMin}, {kNaN, 0}};
    for (const auto &k : cases) EXPECT_EQ(TruncToInt32(k.in), k.out) << k.in;
}

// The spin camera's own sine and cosine stay within an ulp of the C
// library's, from tiny angles to 2^19; what is no angle gives NaN.
TEST(Trig, WithinAnUlpOfTheCLibrary) {
    const auto ulps = [](double a, double b) {
        return std::abs(std::bit_cast<int64_t>(a) - std::bit_cast<int64_t>(b));
    };
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const double x = std::ldexp(unit(rng), i % 50 - 30);
        ASSERT_LE(ulps(fp::Sin(x), std::sin(x)), 1) << x;
        ASSERT_LE(ulps(fp::Cos(x), std::cos(x)), 1) << x;
    }
    for (double x : {kNaN, std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(std::isnan(fp::Sin(x)) && std::isnan(fp::Cos(-x))) << x;
}

class WorkedViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Camera (2700, 0, 360), target (540, 0, 72), 320 x 200, magnification 1.
        CAMERA c = {0, 540, 0, 72, 2700, 0, 360, 0, 0, 0, 0, {0, 0, 319, 199}, 1.0, 0, nullptr};
        ASSERT_EQ(SetView(&c, &view), 7);
    }
    VANTAGE view{};
};

TEST_F(WorkedViewTest, WorldToScreenTruncatesAndRefusesWhatIsNotBeyondTheNearPlane) {
    const struct {
        int32_t x, y, z, seen, xs, ys;
    } cases[] = {
        {1000, -300, 0, 1, 537, 266}, {1500, 200, 100, 1, -196, 276},
        {-2000, 500, 0, 1, -71, -22},  // -71.508, -22.388: outside the picture, still projected
        {2700, 0, 360, 0, 5, 6},       // the camera itself: w = 0
        {2600, 0, 350, 0, 5, 6},       // w about 0.046
        {5000, 0, 500, 0, 5, 6},       // behind the camera
    };
    for (const auto &k : cases) {
        int32_t xs = 5, ys = 6;
        EXPECT_EQ(WorldToScreen(&view, &xs, &ys, k.x, k.y, k.z), k.seen) << k.x;
        EXPECT_EQ(xs, k.xs) << k.x;
        EXPECT_EQ(ys, k.ys) << k.x;
    }
}

// Hand-made view states pin the arithmetic without a set-up.
class HandViewTest : public ::testing::Test {
protected:
    VANTAGE view{};
};

TEST_F(HandViewTest, NearPlaneItselfIsAccepted) {
    view.W_CLIP_INSET = 0.05;
    view.TM[3][0] = 1.0;
    view.TM[3][2] = 0.05;
    int32_t x = 0, y = 0;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 0, 0, 0), 1);
    EXPECT_EQ(x, 20);
    view.TM[3][2] = std::nextafter(0.05, 0.0);
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 0, 0, 0), 0);
}

TEST_F(HandViewTest, SumsRunInRowOrder) {
    // (1 + 1e16) rounds to 1e16 before the translation takes it away again;
    // any other order keeps the 1.
    for (auto *M : {&view.TM, &view.CM, &view.QM}) {
        (*M)[0][0] = 1.0;
        (*M)[1][0] = 1e16;
        (*M)[3][0] = -1e16;
    }
    view.TM[3][2] = view.QM[3][2] = 1.0;
    double u = -1.0, v = -1.0, w = -1.0;  // a dropped call shows
    WorldToScene(&view, &u, &v, &w, 1, 1, 0);
    EXPECT_EQ(u, 0.0);
    WorldToCamera(&view, &u, &v, &w, 1, 1, 0);
    EXPECT_EQ(u, 0.0);
    int32_t x = 7, y = 7;
    CameraToScreen(&view, &x, &y, 1.0, 1.0, 0.0);
    EXPECT_EQ(x, 0);
}

TEST_F(HandViewTest, GroundPointsLeaveOutTheHeightTerms) {
    // A height row that would poison any sum it entered.
    for (int j = 0; j < 3; ++j) view.TM[2][j] = view.CM[2][j] = kNaN;
    view.TM[0][0] = 2.0;
    view.TM[3][2] = 1.0;
    view.CM[1][1] = 3.0;
    view.W_CLIP_INSET = 0.05;
    double u = -1.0, v = -1.0, w = -1.0;  // a dropped call shows
    WorldToScene(&view, &u, &v, &w, 5, 0, 0);
    EXPECT_EQ(u, 10.0);
    EXPECT_EQ(w, 1.0);
    int32_t x = 0, y = 0;
    EXPECT_EQ(WorldToScreen(&view, &x, &y, 5, 0, 0), 1);
    EXPECT_EQ(x, 10);
    WorldToCamera(&view, &u, &v, &w, 0, 4, 0);
    EXPECT_EQ(v, 12.0);
    WorldToScene(&view, &u, &v, &w, 5, 0, 1);  // off the ground the terms are there
    EXPECT_TRUE(std::isnan(u));
}

// |w| up to 1e-6 is the camera's own plane: a million stands in for 1 / w,
// with the sign of w (plus for 0).  Beyond it, an ordinary divide.
TEST_F(HandViewTest, CameraToScreenInTheCamerasPlaneUsesAMillion) {
    view.QM[3][0] = 0.5;
    view.QM[3][1] = -0.25;
    view.QM[2][2] = view.QM[3][2] = 1.0;
    const struct {
        double zc;
        int32_t x, y;
    } cases[] = {{-1.0, 500000, -250000}, {-1.0000005, -500000, 250000},
                 {-0.999999, 499999, -249999}, {1.0, 0, 0}};
    for (const auto &k : cases) {
        int32_t x = 0, y = 0;
        CameraToScreen(&view, &x, &y, 0.0, 0.0, k.zc);
        EXPECT_EQ(x, k.x) << k.zc;
        EXPECT_EQ(y, k.y) << k.zc;
    }
}

TEST_F(HandViewTest, ScreenCoordinatesSaturate) {
    view.QM[0][0] = view.QM[1][1] = view.QM[2][2] = view.QM[3][2] = 1.0;
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

// The camera is made integral by adding 0.5 and truncating (negative halves
// go toward zero); the squared distance wraps as 32-bit integers do, the
// distance is rounded and saturates.
TEST_F(HandViewTest, DistancesFromTheIntegralCamera) {
    const struct {
        double cx, cy, cz;
        int32_t x, y, z, square, distance;
    } cases[] = {
        {0, 0, 0, 3, 4, 0, 25, 5},     {0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 1, 1, 0, 2, 1},      {0, 0, 0, 1, 1, 1, 3, 2},  // sqrt 2 down, sqrt 3 up
        {10.5, 0, 0, 0, 0, 0, 121, 11}, {-10.5, 0, 0, 0, 0, 0, 100, 10},
        {-10.7, 0, 0, 0, 0, 0, 100, 10}, {10.4, 0, 0, 0, 0, 0, 100, 10},
        {0, 0, 0, 46340, 0, 0, 2147395600, 46340},
        {0, 0, 0, 50000, 0, 0, -1794967296, 50000},  // 2.5e9 - 2^32
        // Differences beyond 32 bits: 4294967294 is -2 there.
        {-2147483648.0, -2147483648.0, -2147483648.0, kMax, kMax, kMax, 12, kMax},
        // A camera beyond 32 bits saturates instead of overflowing.
        {1e12, -1e12, -1e12, kMin, kMax, kMax, 3, kMax},
        {1e12, -1e12, -1e12, kMax, kMin, kMin, 0, 0},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(testing::Message() << k.cx << " to " << k.x << "," << k.y << "," << k.z);
        view.XPC = k.cx, view.YPC = k.cy, view.ZPC = k.cz;
        EXPECT_EQ(WorldToScreenZSquare(&view, k.x, k.y, k.z), k.square);
        EXPECT_EQ(WorldToScreenZ(&view, k.x, k.y, k.z), k.distance);
    }
}

}  // namespace
