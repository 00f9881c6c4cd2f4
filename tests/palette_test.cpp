// The default palette and the quelm.bmp generated from it: every material
// gets a colour that reads as what it is, and the bitmap the build leaves in
// the data folder carries exactly this palette.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "quelm_globalmem.h"
#include "common/palette.h"
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

// The near hash marks share the +y end zone's colour, so it must stand out
// on the turf and from the white lines, and the two end zones must differ.
TEST(QuelmDefaultPalette, EachMaterialReadsAsWhatItIs) {
    const Rgb turf = At(QUELM_MAT_TURF), alt = At(QUELM_MAT_TURF_ALT), line = At(QUELM_MAT_LINE),
              ground = At(QUELM_MAT_GROUND), far = At(QUELM_MAT_FAR_MARK), sky = At(QUELM_MAT_SKY),
              frame = At(QUELM_MAT_GOAL_FRAME), plus = At(QUELM_MAT_END_ZONE_PLUS),
              minus = At(QUELM_MAT_END_ZONE_MINUS);
    auto green = [](Rgb c) { return c.g > c.r && c.g > c.b; };
    auto standsOut = [&](Rgb zone) {
        return std::min({Distance(zone, turf), Distance(zone, alt), Distance(zone, line)}) >=
               kDistinct;
    };
    const std::pair<const char *, bool> checks[] = {
        {"turf green", green(turf) && green(alt)},
        {"checkerboard shows", Distance(turf, alt) > 0},
        {"turf greens nearly equal", Distance(turf, alt) <= kNearlyEqual},
        {"ground darker than turf", Luma(ground) < Luma(turf) && Luma(ground) < Luma(alt)},
        {"lines white", Luma(line) == 255},
        {"far marks nearly white", Luma(far) > 200 && Distance(far, line) <= 48},
        {"end zones stand out", standsOut(plus) && standsOut(minus)},
        {"end zones differ", Distance(plus, minus) >= kDistinct},
        {"stands apart from the sky", Distance(At(QUELM_MAT_STANDS), sky) >= kDistinct / 2},
        {"pads apart from the frames", Distance(At(QUELM_MAT_PAD), frame) >= kDistinct},
    };
    for (const auto &[what, holds] : checks) EXPECT_TRUE(holds) << what;
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
