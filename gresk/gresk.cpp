// Placeholder until the rasteriser lands: clips nothing, draws nothing.
#include "gresk.h"

extern "C" int32_t QUELMAPI ClipToRect(int32_t, int32_t, int32_t, int32_t, sSPOINT *,
                                       int32_t *count) {
    return *count;
}

extern "C" int32_t QUELMAPI FillConvexPoly(BITMAPINFO *, uint8_t *, sSPOINT *, int32_t, int32_t,
                                           void *) {
    return 0;
}
