// trunc.h - double to 32-bit integer conversion as the library does it.
#ifndef QUELM_MATH_TRUNC_H
#define QUELM_MATH_TRUNC_H

#include <cstdint>
#include <limits>

// Truncates toward zero, exactly as a C (int) conversion does for every value
// that fits; values beyond the 32-bit range saturate and NaN gives 0, so that
// far-off or degenerate points never make the conversion undefined.
constexpr int32_t TruncToInt32(double value) {
    if (value != value) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483649.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

#endif
