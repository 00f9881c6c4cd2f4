// camera.h - the camera subsystem's module-wide slider tables and shared
// constants.  The exported calls are in quelm.h.
#ifndef QUELM_CAMERA_CAMERA_H
#define QUELM_CAMERA_CAMERA_H

#include "quelm.h"

// One slider of a tuning dialog: its range, page and line steps, and value.
typedef struct COORDS {
    int32_t min;
    int32_t max;
    int32_t page;
    int32_t line;
    int32_t value;
} COORDS;
// The spin dialog's sliders have the same five members.
typedef COORDS SPINDEMO_FEATURES;

#define COORDINATE_SLIDERS 9
#define SPINDEMO_SLIDERS 8
#define SPINDEMO_FEATURE_ENTRIES 10  // the last two are never used

// The coordinate dialog's table: ViewDistance, target, camera, bank, magnification.
extern "C" COORDS CoordinateSystem[COORDINATE_SLIDERS];
// The spin dialog's table: radii, TW, heights, steps, magnification.
extern "C" SPINDEMO_FEATURES SpinDemoFeature[SPINDEMO_FEATURE_ENTRIES];

// The spin and the bank slider take pi to ten digits, no more.
inline constexpr double kCameraPi = 3.141592654;

#endif
