// SetView: its change bits and thresholds, and the views it cannot build.
// The conformance scenarios pin the whole derived state of many views bit
// for bit (the worked example, first set-ups, accumulated target moves).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>

#include "math/math.h"
#include "quelm.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t kAll = VIEW_TARGET_MOVED | VIEW_SCREEN_CHANGED | VIEW_CAMERA_MOVED;

bool SameBits(const VANTAGE &a, const VANTAGE &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every test starts from the worked view: camera (2700, 0, 360), target
// (540, 0, 72), 320 x 200, magnification 1.
class SetViewTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SetView(&camera, &view), kAll); }

    // Refused before anything is stored: of the state only the near plane
    // changes (every call sets it), and the camera not at all.
    void ExpectRefused(const CAMERA &bad) {
        CAMERA c = bad;
        VANTAGE before = view;
        before.W_CLIP_INSET = 0.05;
        EXPECT_EQ(SetView(&c, &view), -1);
        EXPECT_TRUE(SameBits(before, view));
        EXPECT_EQ(0, std::memcmp(&c, &bad, sizeof c));
    }

    // ViewDistance, target, camera, line of sight, bank, area, magnification.
    CAMERA camera = {0, 540, 0, 72, 2700, 0, 360, 0, 0, 0, 0, {0, 0, 319, 199}, 1.0, 0, nullptr};
    VANTAGE view{};
};

// Nothing that takes part changed: 0, and the state and the camera are left
// as they are (but for the near plane, set again).
TEST_F(SetViewTest, ChangesThatTakeNoPartReportNothing) {
    const std::function<void(CAMERA &)> edits[] = {
        [](CAMERA &) {},
        [](CAMERA &c) { c.BankAngle = 1.0, c.ViewDistance = 1234.0, c.Xn = c.Yn = c.Zn = 7.0; },
        [](CAMERA &c) { c.RenderRect = {0, 199, 319, 0}; },      // upside down: the same height
        [](CAMERA &c) { c.RenderRect = {100, 50, 419, 249}; },   // only the size counts
    };
    for (size_t i = 0; i < std::size(edits); ++i) {
        CAMERA c = camera;
        edits[i](c);
        const CAMERA edited = c;
        const VANTAGE before = view;
        view.W_CLIP_INSET = 0.0;
        EXPECT_EQ(SetView(&c, &view), 0) << i;
        EXPECT_TRUE(SameBits(before, view)) << i;
        EXPECT_EQ(0, std::memcmp(&c, &edited, sizeof c)) << i;
    }
}

// Moves shorter than a hundredth of a unit are stored but not reported; the
// matrices follow them all the same.
TEST_F(SetViewTest, MoveThresholdLiesAtOneHundredthOfAUnit) {
    camera.Xcamera = 2700.0078125;  // squared move 6.1e-5
    EXPECT_EQ(SetView(&camera, &view), 0);
    EXPECT_EQ(view.XPC, 2700.0078125);
    EXPECT_EQ(view.DXPC, 0.0078125);
    camera.Xcamera += 0.015625;  // squared move 2.4e-4
    EXPECT_EQ(SetView(&camera, &view), VIEW_CAMERA_MOVED);
    const double oldTM31 = view.TM[3][1];
    camera.Ztarget += 0.0078125;
    EXPECT_EQ(SetView(&camera, &view), 0);
    EXPECT_EQ(view.ZT, 72.0078125);
    EXPECT_EQ(view.DZT, 0.0078125);
    EXPECT_EQ(view.ADZT, 72.0078125);
    EXPECT_EQ(view.DXPC, 0.0);  // camera unchanged this time
    EXPECT_NE(view.TM[3][1], oldTM31);
    EXPECT_EQ(camera.Xn, view.DXN);
    camera.Ztarget += 0.015625;
    EXPECT_EQ(SetView(&camera, &view), VIEW_TARGET_MOVED);
}

TEST_F(SetViewTest, RefusesMagnificationsAndPlacementsItCannotUse) {
    for (double m : {0.0, -0.0, -1.0, kInf, kNaN, 250.0 /* 200 / 250 spans 0 */}) {
        SCOPED_TRACE(m);
        CAMERA c = camera;
        c.Magnification = m;
        c.Xtarget = 600;  // a change that must not be stored either
        ExpectRefused(c);
    }
    double CAMERA::*const members[] = {&CAMERA::Xcamera, &CAMERA::Ycamera, &CAMERA::Zcamera,
                                       &CAMERA::Xtarget, &CAMERA::Ytarget, &CAMERA::Ztarget};
    for (double CAMERA::*m : members) {
        for (double bad : {kNaN, kInf, -kInf, 2e15, -1e300}) {
            SCOPED_TRACE(bad);
            CAMERA c = camera;
            c.*m = bad;
            ExpectRefused(c);
        }
    }
    CAMERA c = camera;
    c.Xcamera = 1e15;  // far, but within reach
    EXPECT_EQ(SetView(&c, &view), VIEW_CAMERA_MOVED);
    c.Magnification = 250.0;  // spans of exactly one unit
    c.RenderRect = {0, 0, 319, 299};
    EXPECT_EQ(SetView(&c, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.QUELMY, 1.0);
    c.Magnification = 1e-300;  // the span saturates
    EXPECT_EQ(SetView(&c, &view), VIEW_SCREEN_CHANGED);
    EXPECT_EQ(view.QUELMX, 2147483647.0);
    EXPECT_TRUE(std::isfinite(view.TM[0][0]));
}

TEST_F(SetViewTest, RenderRectMustHaveAUsableSize) {
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

}  // namespace
