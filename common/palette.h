// palette.h - the colours quelm's host tools show the stadium in.
//
// The library itself works only in palette indices; a host brings its own
// palette.  This one gives each material of the stadium a colour that reads
// right at a glance, and fills the rest so that no index shows garbage:
//   0 ... 31   a grey ramp from black to white
//   32 ... 63  the stadium's materials (below); unused slots a green ramp
//   64 ... 255 a 6 x 8 x 4 colour cube (red, green, blue levels)
#ifndef QUELM_COMMON_PALETTE_H
#define QUELM_COMMON_PALETTE_H

#include <quelm/quelm_types.h>

// Palette indices the stadium builder uses as materials.
enum QuelmMaterial {
    QUELM_MAT_TURF = 32,           // coarse surface and half the checkerboard
    QUELM_MAT_END_ZONE_MINUS = 34, // -y end zone
    QUELM_MAT_TURF_ALT = 35,       // the other half of the checkerboard
    QUELM_MAT_GROUND = 36,         // ground around the playing surface
    QUELM_MAT_LINE = 37,           // goal lines, yard lines, border strip
    QUELM_MAT_GOAL_FRAME = 38,
    QUELM_MAT_END_ZONE_PLUS = 43,  // +y end zone, near hash marks, 2-yard marks
    QUELM_MAT_FAR_MARK = 44,       // medium and far hash marks
    QUELM_MAT_SKY = 51,
    QUELM_MAT_NUMBER = 54,         // yard numbers
    QUELM_MAT_PAD = 59,            // goal frame pads
    QUELM_MAT_PYLON = 61,
    QUELM_MAT_STANDS = 63,
};

#define QUELM_PALETTE_SIZE 256

#ifdef __cplusplus
extern "C" {
#endif

// RGBQUAD order: blue, green, red, reserved (0).
extern const RGBQUAD QuelmDefaultPalette[QUELM_PALETTE_SIZE];

#ifdef __cplusplus
}
#endif

#endif
