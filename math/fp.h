// fp.h - the library's square root, sine and cosine: the same bits on every
// target, build type and C library.
//
// A libm call may differ by an ulp between C libraries, and between an inline
// instruction at -O2 and a library call at -O0 (32-bit mingw's sqrt runs on
// the x87 unit).  Square roots go through the SSE2 instruction on x86, which
// IEEE requires to be correctly rounded (std::sqrt has the same duty
// elsewhere); sine and cosine are computed here from correctly rounded
// arithmetic alone.
#ifndef QUELM_MATH_FP_H
#define QUELM_MATH_FP_H

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#else
#include <cmath>
#endif

namespace fp {

inline double Sqrt(double x) {
#if defined(__SSE2__) || defined(_M_X64)
    return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x)));
#else
    return std::sqrt(x);
#endif
}

// Within an ulp of the true value for |x| up to 2^19 pi/2 (about 8e5); the
// spin demonstration's angles lie in [0, 2 pi).
double Sin(double x);
double Cos(double x);

}  // namespace fp

#endif
