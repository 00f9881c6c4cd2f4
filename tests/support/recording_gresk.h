// recording_gresk.h - a stand-in for the rasteriser that records every call
// instead of drawing.  Tests link it with the library's objects in place of
// gresk.  It never moves a point; the clipper leaves the count as it got it
// unless a test asks for another.
#ifndef QUELM_TESTS_SUPPORT_RECORDING_GRESK_H
#define QUELM_TESTS_SUPPORT_RECORDING_GRESK_H

#include <cstdint>
#include <vector>

#include "gresk.h"

namespace recording {

enum class Call { Clip, Fill };

struct Event {
    Call call;
    sSPOINT *buffer;              // the point buffer passed
    int32_t count;                // the count passed (ClipToRect: on entry)
    std::vector<sSPOINT> points;  // the buffer's first count points on entry
    // ClipToRect
    RECT rect;
    int32_t *countAddress;
    // FillConvexPoly
    BITMAPINFO *pBMI;
    uint8_t *pBits;
    int32_t kind;
    void *request;
    sFILLPOLY fill;  // copy of *request for kind GRESK_FILLPOLY
};

// Every call since the last Reset, in order.
const std::vector<Event> &Log();
// Forgets the calls and the clip count override.
void Reset();
// From now on ClipToRect stores this count (kept below 0: leaves it alone).
void SetClipCount(int32_t count);

}  // namespace recording

#endif
