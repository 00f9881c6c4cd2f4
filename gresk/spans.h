// spans.h - the runs of pixels FillConvexPoly writes, reported instead of
// written, for measuring and checking the fill.  Not part of the
// rasteriser's interface to quelm (gresk.h).
#ifndef GRESK_SPANS_H
#define GRESK_SPANS_H

#include <cstdint>

#include "gresk.h"

namespace gresk {

// One run: `length` pixels from column `left` of row `row`, row 0 at the
// top of the bitmap.
using SpanSink = void (*)(void *context, int32_t row, int32_t left, int32_t length);

// Calls sink for every run FillConvexPoly would write for the polygon into a
// bitmap described by pBMI, in the order it would write them, one call per
// memset; nothing is written.  Result: FillConvexPoly's.
int32_t FillSpans(const BITMAPINFO *pBMI, const sSPOINT *pts, int32_t count, SpanSink sink,
                  void *context);

}  // namespace gresk

#endif  // GRESK_SPANS_H
