// The default palette and the quelm.bmp generated from it: every material
// gets a colour that reads as what it is, and the bitmap the build leaves in
// the data folder carries exactly this palette.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "globalmem.h"
#include "resources/palette.h"
#include "tolvan.h"

namespace {

struct Rgb {
    int r, g, b;
};

Rgb At(int index) {
    const RGBQUAD &q = QuelmDefaultPalette[index];
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

int Luma(Rgb c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

// Largest difference in any channel.
int Distance(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

constexpr int kNearlyEqual = 24;  // channels this close read as one colour
constexpr int kDistinct = 80;     // this far apart, at a glance

TEST(QuelmDefaultPalette, StartsBlackAndLeavesReservedBytesZero) {
    EXPECT_EQ(Luma(At(0)), 0);
    for (int i = 0; i < QUELM_PALETTE_SIZE; ++i)
        EXPECT_EQ(QuelmDefaultPalette[i].rgbReserved, 0) << i;
}

TEST(QuelmDefaultPalette, TurfIsTwoCloseGreensOverDarkerGround) {
    const Rgb turf = At(QUELM_MAT_TURF), alt = At(QUELM_MAT_TURF_ALT),
              ground = At(QUELM_MAT_GROUND);
    for (Rgb c : {turf, alt}) {
        EXPECT_GT(c.g, c.r);
        EXPECT_GT(c.g, c.b);
    }
    EXPECT_GT(Distance(turf, alt), 0);  // the checkerboard must show
    EXPECT_LE(Distance(turf, alt), kNearlyEqual);
    EXPECT_LT(Luma(ground), Luma(turf));
    EXPECT_LT(Luma(ground), Luma(alt));
}

TEST(QuelmDefaultPalette, LinesAndNumbersAreWhiteFarMarksNearlySo) {
    for (int m : {QUELM_MAT_LINE, QUELM_MAT_NUMBER}) EXPECT_EQ(Luma(At(m)), 255) << m;
    const Rgb far = At(QUELM_MAT_FAR_MARK);
    EXPECT_GT(Luma(far), 200);
    EXPECT_LE(Distance(far, At(QUELM_MAT_LINE)), 48);
}

// The near hash marks share the +y end zone's colour, so it must stand out
// on the turf and from the white lines, and the two end zones must differ.
TEST(QuelmDefaultPalette, EndZonesStandOutFromTurfLinesAndEachOther) {
    const Rgb plus = At(QUELM_MAT_END_ZONE_PLUS), minus = At(QUELM_MAT_END_ZONE_MINUS);
    for (Rgb zone : {plus, minus}) {
        EXPECT_GE(Distance(zone, At(QUELM_MAT_TURF)), kDistinct);
        EXPECT_GE(Distance(zone, At(QUELM_MAT_TURF_ALT)), kDistinct);
        EXPECT_GE(Distance(zone, At(QUELM_MAT_LINE)), kDistinct);
    }
    EXPECT_GE(Distance(plus, minus), kDistinct);
}

TEST(QuelmDefaultPalette, SkyFramesPylonsAndStandsHaveTheirColours) {
    const Rgb sky = At(QUELM_MAT_SKY), frame = At(QUELM_MAT_GOAL_FRAME),
              pylon = At(QUELM_MAT_PYLON), stands = At(QUELM_MAT_STANDS), pad = At(QUELM_MAT_PAD);
    EXPECT_TRUE(sky.b > sky.g && sky.g > sky.r) << "sky blue";
    EXPECT_TRUE(frame.r > 200 && frame.g > 180 && frame.b < 80) << "yellow";
    EXPECT_TRUE(pylon.r > 200 && pylon.g > 60 && pylon.g < 180 && pylon.b < 60) << "orange";
    EXPECT_GE(Distance(stands, sky), kDistinct / 2);
    EXPECT_GE(Distance(pad, frame), kDistinct);
}

// Unused entries are a grey ramp and a colour cube: black to white in order,
// the primaries present.
TEST(QuelmDefaultPalette, FillsTheRestWithRampAndCube) {
    for (int i = 1; i < 32; ++i) {
        const Rgb c = At(i), before = At(i - 1);
        EXPECT_TRUE(c.r == c.g && c.g == c.b) << i;
        EXPECT_GT(c.r, before.r) << i;
    }
    EXPECT_EQ(Luma(At(31)), 255);
    bool red = false, green = false, blue = false;
    for (int i = 64; i < QUELM_PALETTE_SIZE; ++i) {
        const Rgb c = At(i);
        red |= c.r == 255 && c.g == 0 && c.b == 0;
        green |= c.r == 0 && c.g == 255 && c.b == 0;
        blue |= c.r == 0 && c.g == 0 && c.b == 255;
    }
    EXPECT_TRUE(red && green && blue);
}

// The build's data folder (QUELM_DATA) holds the generated art.
TEST(QuelmBmp, CarriesTheDefaultPalette) {
    ASSERT_NE(std::getenv("QUELM_DATA"), nullptr);
    const long live = QuelmGlobalBlocksLive();
    BITMAPINFO *dib = OpenDIB("quelm.bmp");
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->bmiHeader.biBitCount, 8);
    EXPECT_LE(dib->bmiHeader.biWidth * dib->bmiHeader.biHeight, 64 * 64);  // kept small
    ASSERT_EQ(dib->bmiHeader.biClrUsed, static_cast<DWORD>(QUELM_PALETTE_SIZE));
    for (int i = 0; i < QUELM_PALETTE_SIZE; ++i) {
        const RGBQUAD &got = dib->bmiColors[i], &want = QuelmDefaultPalette[i];
        EXPECT_TRUE(got.rgbRed == want.rgbRed && got.rgbGreen == want.rgbGreen &&
                    got.rgbBlue == want.rgbBlue)
            << "colour " << i;
    }
    GlobalFreeLocked(dib);
    EXPECT_EQ(QuelmGlobalBlocksLive(), live);
}

}  // namespace
