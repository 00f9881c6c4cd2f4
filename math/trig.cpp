// Sine and cosine from +, -, * and / alone, so that every target rounds them
// alike: the argument is reduced by multiples of pi/2 carried in three parts,
// then a minimax polynomial on [-pi/4, pi/4] (the classic fdlibm kernels).
#include <bit>
#include <cmath>
#include <cstdint>

#include "math/fp.h"

namespace {

// The exponent field of x, for spotting cancellation in the reduction.
int Exponent(double x) { return static_cast<int>((std::bit_cast<uint64_t>(x) >> 52) & 0x7ff); }

// x = n pi/2 + (y0 + y1), |y0 + y1| <= pi/4; returns n.
int Reduce(double x, double &y0, double &y1) {
    constexpr double kInvPio2 = 6.36619772367581382433e-01;
    constexpr double kPio2[3] = {1.57079632673412561417e+00, 6.07710050630396597660e-11,
                                 2.02226624871116645580e-21};
    constexpr double kPio2Tail[3] = {6.07710050650619224932e-11, 2.02226624879595063154e-21,
                                     8.47842766036889956997e-32};
    const bool negative = x < 0;
    double t = negative ? -x : x;
    // Three parts of pi/2 keep the result within an ulp up to about 2^19 pi/2;
    // past that only the same bits on every target are sought (the spin
    // camera wraps its angles below 2 pi).  Past 2^30 the multiple of pi/2
    // would not fit an int: such an angle is first brought below 2 pi by the
    // exact remainder.
    if (t >= 0x1p30) t = std::fmod(t, 2 * kPio2[0]);
    const int n = static_cast<int>(t * kInvPio2 + 0.5);
    const double fn = n;
    double r = t - fn * kPio2[0];  // exact: kPio2[0] has 33 bits
    double w = fn * kPio2Tail[0];
    y0 = r - w;
    // Where r - w cancels many bits, a further part of pi/2 is taken off.
    for (int part = 1, lost = 16; part < 3 && Exponent(t) - Exponent(y0) > lost;
         ++part, lost = 49) {
        const double u = r;
        w = fn * kPio2[part];
        r = u - w;
        w = fn * kPio2Tail[part] - ((u - r) - w);
        y0 = r - w;
    }
    y1 = (r - y0) - w;
    if (negative) {
        y0 = -y0;
        y1 = -y1;
        return -n;
    }
    return n;
}

// sin(x + y) for |x| <= pi/4, y the tail of x.
double KernelSin(double x, double y) {
    constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                     S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                     S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
    if ((x < 0 ? -x : x) < 0x1p-27) return x;
    const double z = x * x;
    const double v = z * x;
    const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi/4, y the tail of x.
double KernelCos(double x, double y) {
    constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
                     C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
                     C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;
    const double ax = x < 0 ? -x : x;
    if (ax < 0x1p-27) return 1.0;
    const double z = x * x;
    const double r = z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
    if (ax < 0.3) return 1.0 - (0.5 * z - (z * r - x * y));
    // 1 - qx is exact and keeps the cancellation out of the sum.
    const double qx = ax > 0.78125
        ? 0.28125
        : std::bit_cast<double>((std::bit_cast<uint64_t>(ax) - (uint64_t{1} << 53)) &
                                ~uint64_t{0xffffffff});
    return (1.0 - qx) - ((0.5 * z - qx) - (z * r - x * y));
}

// An infinite or NaN angle has no sine or cosine: NaN, as the C library gives.
bool NoAngle(double x) { return x - x != 0; }

}  // namespace

namespace fp {

double Sin(double x) {
    if (NoAngle(x)) return x - x;
    double y0, y1;
    switch (Reduce(x, y0, y1) & 3) {
        case 0: return KernelSin(y0, y1);
        case 1: return KernelCos(y0, y1);
        case 2: return -KernelSin(y0, y1);
        default: return -KernelCos(y0, y1);
    }
}

double Cos(double x) {
    if (NoAngle(x)) return x - x;
    double y0, y1;
    switch (Reduce(x, y0, y1) & 3) {
        case 0: return KernelCos(y0, y1);
        case 1: return -KernelSin(y0, y1);
        case 2: return -KernelCos(y0, y1);
        default: return KernelSin(y0, y1);
    }
}

}  // namespace fp
