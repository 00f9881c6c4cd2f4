// wrap.h - 32-bit two's-complement arithmetic, as the model's integer
// geometry and the screen's integer sums do it: results wrap instead of
// overflowing (signed overflow would be undefined).
#ifndef QUELM_MATH_WRAP_H
#define QUELM_MATH_WRAP_H

#include <cstdint>

inline int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

#endif
