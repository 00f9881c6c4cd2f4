// Coordinate transforms: single points between world, camera and screen, with
// the matrices of the scene's last set-up, so that a host's sprites land where
// the stadium was drawn.  Nothing here changes the VANTAGE.
#include <cmath>
#include <cstdint>

#include "math/math.h"
#include "math/fp.h"
#include "math/trunc.h"

namespace {

constexpr double kFlatW = 1e-6;          // |w| at or below this: the camera's own plane
constexpr double kFlatReciprocal = 1e6;  // stands in for 1 / w there

struct Triple {
    double a, b, c;
};

// (x, y, z, 1) times M, summed in row order; a point on the ground (z = 0)
// leaves out the z terms.
Triple Apply(const double (&M)[4][3], int32_t Xw, int32_t Yw, int32_t Zw) {
    const double x = Xw;
    const double y = Yw;
    if (Zw == 0)
        return {x * M[0][0] + y * M[1][0] + M[3][0], x * M[0][1] + y * M[1][1] + M[3][1],
                x * M[0][2] + y * M[1][2] + M[3][2]};
    const double z = Zw;
    return {x * M[0][0] + y * M[1][0] + z * M[2][0] + M[3][0],
            x * M[0][1] + y * M[1][1] + z * M[2][1] + M[3][1],
            x * M[0][2] + y * M[1][2] + z * M[2][2] + M[3][2]};
}

// The camera position of the last set-up made integral: + 0.5 and truncated,
// so negative halves round toward zero.
void IntegralCamera(const VANTAGE &p, int32_t &cx, int32_t &cy, int32_t &cz) {
    cx = TruncToInt32(p.XPC + 0.5);
    cy = TruncToInt32(p.YPC + 0.5);
    cz = TruncToInt32(p.ZPC + 0.5);
}

}  // namespace

void WorldToScene(VANTAGE *Perspective, double *u, double *v, double *w, int32_t Xw, int32_t Yw,
                  int32_t Zw) {
    const Triple s = Apply(Perspective->TM, Xw, Yw, Zw);
    *u = s.a;
    *v = s.b;
    *w = s.c;
}

bool WorldToScreenPoint(const VANTAGE *Perspective, int32_t *Xs, int32_t *Ys, int32_t Xw,
                        int32_t Yw, int32_t Zw) {
    const Triple s = Apply(Perspective->TM, Xw, Yw, Zw);
    // Against the constant, not W_CLIP_INSET: a record that was never set up
    // (all zero) refuses every point.
    if (s.c < kNearPlaneW) return false;
    const double wr = 1.0 / s.c;
    *Xs = TruncToInt32(wr * s.a);
    *Ys = TruncToInt32(wr * s.b);
    return true;
}

extern "C" int32_t QUELMAPI WorldToScreen(VANTAGE *Perspective, int32_t *Xs, int32_t *Ys,
                                          int32_t Xw, int32_t Yw, int32_t Zw) {
    return WorldToScreenPoint(Perspective, Xs, Ys, Xw, Yw, Zw);
}

extern "C" void QUELMAPI WorldToCamera(VANTAGE *Perspective, double *Xc, double *Yc, double *Zc,
                                       int32_t Xw, int32_t Yw, int32_t Zw) {
    const Triple c = Apply(Perspective->CM, Xw, Yw, Zw);
    *Xc = c.a;
    *Yc = c.b;
    *Zc = c.c;
}

// Refuses nothing: behind the camera the point comes out mirrored, in the
// camera's own plane far outside the picture.
extern "C" void QUELMAPI CameraToScreen(VANTAGE *Perspective, int32_t *Xs, int32_t *Ys, double Xc,
                                        double Yc, double Zc) {
    const auto &QM = Perspective->QM;
    const double u = Xc * QM[0][0] + Yc * QM[1][0] + Zc * QM[2][0] + QM[3][0];
    const double v = Xc * QM[0][1] + Yc * QM[1][1] + Zc * QM[2][1] + QM[3][1];
    const double w = Xc * QM[0][2] + Yc * QM[1][2] + Zc * QM[2][2] + QM[3][2];
    double wr;
    if (std::fabs(w) <= kFlatW)
        wr = w >= 0.0 ? kFlatReciprocal : -kFlatReciprocal;
    else
        wr = 1.0 / w;
    *Xs = TruncToInt32(wr * u);
    *Ys = TruncToInt32(wr * v);
}

// Integer arithmetic throughout, wrapping (through unsigned) beyond
// 2147483647 as 32-bit hardware does.
extern "C" int32_t QUELMAPI WorldToScreenZSquare(VANTAGE *Perspective, int32_t Xw, int32_t Yw,
                                                 int32_t Zw) {
    int32_t cx, cy, cz;
    IntegralCamera(*Perspective, cx, cy, cz);
    const uint32_t dx = static_cast<uint32_t>(Xw) - static_cast<uint32_t>(cx);
    const uint32_t dy = static_cast<uint32_t>(Yw) - static_cast<uint32_t>(cy);
    const uint32_t dz = static_cast<uint32_t>(Zw) - static_cast<uint32_t>(cz);
    return static_cast<int32_t>(dx * dx + dy * dy + dz * dz);
}

// The differences are exact (64-bit), so only a distance beyond 2147483647
// is out of reach, and that saturates.
extern "C" int32_t QUELMAPI WorldToScreenZ(VANTAGE *Perspective, int32_t Xw, int32_t Yw,
                                           int32_t Zw) {
    int32_t cx, cy, cz;
    IntegralCamera(*Perspective, cx, cy, cz);
    const double dx = static_cast<double>(int64_t{Xw} - cx);
    const double dy = static_cast<double>(int64_t{Yw} - cy);
    const double dz = static_cast<double>(int64_t{Zw} - cz);
    return TruncToInt32(fp::Sqrt(dx * dx + dy * dy + dz * dz) + 0.5);
}
