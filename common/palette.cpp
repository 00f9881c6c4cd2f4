// The default palette, computed at compile time from a few rules so that the
// 256 entries cannot drift from the layout palette.h describes.
#include "common/palette.h"

namespace {

constexpr int kGreyFirst = 0, kGreyCount = 32;
constexpr int kMaterialFirst = 32, kMaterialCount = 32;
constexpr int kCubeFirst = 64;
constexpr int kCubeRed = 6, kCubeGreen = 8, kCubeBlue = 4;
static_assert(kCubeFirst + kCubeRed * kCubeGreen * kCubeBlue == QUELM_PALETTE_SIZE);

constexpr RGBQUAD Rgb(int r, int g, int b) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

// Level l of n, spread evenly over 0 ... 255.
constexpr int Level(int l, int n) { return l * 255 / (n - 1); }

struct MaterialColour {
    int index, red, green, blue;
};
constexpr MaterialColour kMaterialColours[] = {
#define QUELM_MATERIAL_COLOUR(name, index, red, green, blue) {index, red, green, blue},
    QUELM_MATERIALS(QUELM_MATERIAL_COLOUR)
#undef QUELM_MATERIAL_COLOUR
};

constexpr RGBQUAD Material(int index) {
    for (const MaterialColour &m : kMaterialColours)
        if (m.index == index) return Rgb(m.red, m.green, m.blue);
    // A dull green ramp for the slots the stadium does not use.
    const int g = 48 + Level(index - kMaterialFirst, kMaterialCount) * 3 / 4;
    return Rgb(g / 3, g, g / 3);
}

constexpr RGBQUAD Entry(int index) {
    if (index < kGreyFirst + kGreyCount) {
        const int grey = Level(index - kGreyFirst, kGreyCount);
        return Rgb(grey, grey, grey);
    }
    if (index < kMaterialFirst + kMaterialCount) return Material(index);
    const int cube = index - kCubeFirst;
    return Rgb(Level(cube / (kCubeGreen * kCubeBlue), kCubeRed),
               Level(cube / kCubeBlue % kCubeGreen, kCubeGreen),
               Level(cube % kCubeBlue, kCubeBlue));
}

}  // namespace

#define QUELM_ROW(n)                                                                              \
    Entry(n), Entry(n + 1), Entry(n + 2), Entry(n + 3), Entry(n + 4), Entry(n + 5), Entry(n + 6), \
        Entry(n + 7), Entry(n + 8), Entry(n + 9), Entry(n + 10), Entry(n + 11), Entry(n + 12),    \
        Entry(n + 13), Entry(n + 14), Entry(n + 15)

extern "C" const RGBQUAD QuelmDefaultPalette[QUELM_PALETTE_SIZE] = {
    QUELM_ROW(0),   QUELM_ROW(16),  QUELM_ROW(32),  QUELM_ROW(48),  QUELM_ROW(64),  QUELM_ROW(80),
    QUELM_ROW(96),  QUELM_ROW(112), QUELM_ROW(128), QUELM_ROW(144), QUELM_ROW(160), QUELM_ROW(176),
    QUELM_ROW(192), QUELM_ROW(208), QUELM_ROW(224), QUELM_ROW(240),
};
