// screen.h - integer screen arithmetic shared by the perspective divide and
// the rapid pan's reveal: the +-15000 limit that keeps far points within the
// rasteriser's 16 bits.  Their sums wrap (math/wrap.h).
#ifndef QUELM_VIEW_SCREEN_H
#define QUELM_VIEW_SCREEN_H

#include <cstdint>

#include "math/trunc.h"
#include "math/wrap.h"

namespace quelm_view {

inline constexpr int32_t kScreenLimit = 15000;

// Pulls (x, y) back to within +-15000 along the line from the screen
// origin, scaling the smaller coordinate by the larger one's excess.
inline void LimitToScreenRange(int32_t &x, int32_t &y) {
    // 64-bit magnitudes: INT32_MIN has none in 32 bits.
    const int64_t ax = x < 0 ? -static_cast<int64_t>(x) : x;
    const int64_t ay = y < 0 ? -static_cast<int64_t>(y) : y;
    if (ay < ax) {
        if (ax > kScreenLimit) {
            y = TruncToInt32((15000.0 / static_cast<double>(ax)) * y);
            x = x >= 0 ? kScreenLimit : -kScreenLimit;
        }
    } else if (ay > kScreenLimit) {
        x = TruncToInt32((15000.0 / static_cast<double>(ay)) * x);
        y = y >= 0 ? kScreenLimit : -kScreenLimit;
    }
}

}  // namespace quelm_view

#endif
