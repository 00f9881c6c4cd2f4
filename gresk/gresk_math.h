// gresk_math.h - exact integer division helpers shared by the clipper and the
// filler.
#ifndef GRESK_MATH_H
#define GRESK_MATH_H

#include <cstdint>

namespace gresk {

// a / b rounded toward minus infinity; b > 0.
inline int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b < 0) ? q - 1 : q;
}

// a / b rounded to the nearest whole number, halves up; b > 0.
inline int64_t RoundDiv(int64_t a, int64_t b) { return FloorDiv(2 * a + b, 2 * b); }

}  // namespace gresk

#endif  // GRESK_MATH_H
