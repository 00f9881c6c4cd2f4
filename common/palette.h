// palette.h - the colours quelm's host tools show the stadium in.
//
// The library itself works only in palette indices; a host brings its own
// palette.  This one gives each material of the stadium a colour that reads
// right at a glance, and fills the rest so that no index shows garbage:
//   0 ... 31   a grey ramp from black to white
//   32 ... 63  the stadium's materials (stadium/materials.h); unused slots a
//              green ramp
//   64 ... 255 a 6 x 8 x 4 colour cube (red, green, blue levels)
#ifndef QUELM_COMMON_PALETTE_H
#define QUELM_COMMON_PALETTE_H

#include <quelm/quelm_types.h>

// The stadium's materials (QUELM_MAT_*) and their colours.
#include "stadium/materials.h"

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
