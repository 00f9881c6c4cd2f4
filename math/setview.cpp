// View set-up: turns the host's CAMERA into a scene's VANTAGE (line of sight,
// camera axes, the matrices CM, QM and TM, the visible area) and reports what
// changed since the previous set-up, so that the projection can choose between
// doing nothing, a screen-space pan and a complete reprojection.
#include "math/math.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "math/fp.h"
#include "math/trunc.h"

namespace {

constexpr double kMinMoveSquared = 0.0001; // moves shorter than 0.01 units are jitter
constexpr double kMinLength = 1e-6;
// Screen points are 16-bit, so a wider or taller drawn area cannot be drawn.
constexpr int64_t kMaxResolution = 32767;
// Far beyond any 32-bit world in inches; keeps every difference, square and
// matrix entry finite.
constexpr double kMaxCoordinate = 1e15;

bool UsableCoordinate(double c) {
    return std::isfinite(c) && std::fabs(c) <= kMaxCoordinate;
}

bool UsablePlacement(const CAMERA &view) {
    return UsableCoordinate(view.Xcamera) && UsableCoordinate(view.Ycamera) &&
           UsableCoordinate(view.Zcamera) && UsableCoordinate(view.Xtarget) &&
           UsableCoordinate(view.Ytarget) && UsableCoordinate(view.Ztarget);
}

bool UsableResolution(int64_t resolution) {
    return resolution >= 1 && resolution <= kMaxResolution;
}

}  // namespace

extern "C" int32_t QUELMAPI SetView(CAMERA *View, VANTAGE *Perspective) {
    VANTAGE &p = *Perspective;
    const RECT &rect = View->RenderRect;

    // The near plane is set on every call, refused or not, so that a scene
    // whose first view is refused still has every point behind it.
    p.W_CLIP_INSET = kNearPlaneW;

    // Views that cannot be built are refused before anything else is stored,
    // so that nothing downstream divides by zero or converts a NaN.
    if (!(View->Magnification > 0.0) || !std::isfinite(View->Magnification) ||
        !UsablePlacement(*View))
        return -1;
    const int64_t width = int64_t{rect.right} - rect.left + 1;
    const int64_t height = std::llabs(int64_t{rect.bottom} - rect.top) + 1;
    if (!UsableResolution(width) || !UsableResolution(height)) return -1;

    const double r = 1.0 / View->Magnification;
    const double resolutionX = static_cast<double>(width);
    const double resolutionY = static_cast<double>(height);
    const int32_t spanX = TruncToInt32(resolutionX * r);
    const int32_t spanY = TruncToInt32(resolutionY * r);
    if (spanX == 0 || spanY == 0) return -1;

    int32_t Delta = 0;
    if (View->Xtarget != p.XT || View->Ytarget != p.YT || View->Ztarget != p.ZT)
        Delta |= VIEW_TARGET_MOVED;
    if (p.RESX != resolutionX || p.RESY != resolutionY || p.QUELMX != spanX ||
        p.QUELMY != spanY)
        Delta |= VIEW_SCREEN_CHANGED;
    if (View->Xcamera != p.XPC || View->Ycamera != p.YPC || View->Zcamera != p.ZPC)
        Delta |= VIEW_CAMERA_MOVED;

    if (Delta == 0) return 0;

    if (Delta & VIEW_TARGET_MOVED) {
        p.DXT = View->Xtarget - p.XT;
        p.DYT = View->Ytarget - p.YT;
        p.DZT = View->Ztarget - p.ZT;
        p.ADXT += p.DXT;
        p.ADYT += p.DYT;
        p.ADZT += p.DZT;
        p.XT = View->Xtarget;
        p.YT = View->Ytarget;
        p.ZT = View->Ztarget;
        if (p.DXT * p.DXT + p.DYT * p.DYT + p.DZT * p.DZT < kMinMoveSquared)
            Delta &= ~VIEW_TARGET_MOVED;
    } else {
        p.DXT = p.DYT = p.DZT = 0.0;
    }

    if (Delta & VIEW_SCREEN_CHANGED) {
        p.RESX = resolutionX;
        p.RESY = resolutionY;
        p.QUELMX = spanX;
        p.QUELMY = spanY;
    }

    if (Delta & VIEW_CAMERA_MOVED) {
        p.DXPC = View->Xcamera - p.XPC;
        p.DYPC = View->Ycamera - p.YPC;
        p.DZPC = View->Zcamera - p.ZPC;
        p.XPC = View->Xcamera;
        p.YPC = View->Ycamera;
        p.ZPC = View->Zcamera;
        if (p.DXPC * p.DXPC + p.DYPC * p.DYPC + p.DZPC * p.DZPC < kMinMoveSquared)
            Delta &= ~VIEW_CAMERA_MOVED;
    } else {
        p.DXPC = p.DYPC = p.DZPC = 0.0;
    }

    // Camera on the target: what was stored above stays, the matrices are
    // those of the previous set-up.
    if (!SetViewplaneNormal(Perspective)) return -1;
    View->Xn = p.DXN;
    View->Yn = p.DYN;
    View->Zn = p.DZN;

    SetViewupFromBankAngle(Perspective, View->BankAngle, 0.0, 0.0, 1.0);
    // A vertical line of sight leaves CM partly rebuilt; QM and TM are
    // rebuilt from it all the same.
    SetWorldToCamera(Perspective);
    SetCameraToScreen(Perspective);
    SetWorldToScreen(Perspective);
    return Delta;
}

int32_t SetViewplaneNormal(VANTAGE *Perspective) {
    VANTAGE &p = *Perspective;
    const double dX = p.XT - p.XPC;
    const double dY = p.YT - p.YPC;
    const double dZ = p.ZT - p.ZPC;
    const double d = fp::Sqrt(dX * dX + dY * dY + dZ * dZ);
    if (d < kMinLength) return 0;
    p.CAMARA_DIST = d;
    const double rd = 1.0 / d;
    p.DXN = rd * dX;
    p.DYN = rd * dY;
    p.DZN = rd * dZ;
    return 1;
}

// The up reference is fixed: a view's roll follows from its line of sight.
int32_t SetViewupFromBankAngle(VANTAGE *Perspective, double, double, double, double) {
    Perspective->DXUP = 0.0;
    Perspective->DYUP = 0.0;
    Perspective->DZUP = -1.0;
    return 1;
}

int32_t SetWorldToCamera(VANTAGE *Perspective) {
    VANTAGE &p = *Perspective;
    auto &CM = p.CM;
    CM[0][2] = p.DXN;
    CM[1][2] = p.DYN;
    CM[2][2] = p.DZN;

    // The up reference loses its part along the line of sight.
    double d = p.DXUP * p.DXN + p.DYUP * p.DYN + p.DZUP * p.DZN;
    p.DXUP -= d * p.DXN;
    p.DYUP -= d * p.DYN;
    p.DZUP -= d * p.DZN;

    d = fp::Sqrt(p.DXUP * p.DXUP + p.DYUP * p.DYUP + p.DZUP * p.DZUP);
    if (d < kMinLength) return 0;
    const double rp = 1.0 / d;
    p.DXUP *= rp;
    p.DYUP *= rp;
    p.DZUP *= rp;
    CM[0][1] = p.DXUP;
    CM[1][1] = p.DYUP;
    CM[2][1] = p.DZUP;

    CM[0][0] = p.DYN * p.DZUP - p.DZN * p.DYUP;
    CM[1][0] = p.DZN * p.DXUP - p.DXN * p.DZUP;
    CM[2][0] = p.DXN * p.DYUP - p.DYN * p.DXUP;

    // Camera space has its origin at the target.
    for (int j = 0; j < 3; ++j) CM[3][j] = -(p.XT * CM[0][j] + p.YT * CM[1][j] + p.ZT * CM[2][j]);
    return 1;
}

int32_t SetCameraToScreen(VANTAGE *Perspective) {
    VANTAGE &p = *Perspective;
    const double rd = 1.0 / p.CAMARA_DIST;
    auto &QM = p.QM;
    QM[0][0] = p.RESX / p.QUELMX;
    QM[0][1] = 0.0;
    QM[0][2] = 0.0;
    QM[1][0] = 0.0;
    QM[1][1] = p.RESY / p.QUELMY;
    QM[1][2] = 0.0;
    QM[2][0] = p.RESX * rd * 0.5;
    QM[2][1] = p.RESY * rd * 0.5;
    QM[2][2] = rd;
    QM[3][0] = p.RESX * 0.5;
    QM[3][1] = p.RESY * 0.5;
    QM[3][2] = 1.0;
    return 1;
}

// Only the non-zero entries of QM take part.
int32_t SetWorldToScreen(VANTAGE *Perspective) {
    VANTAGE &p = *Perspective;
    const auto &CM = p.CM;
    const auto &QM = p.QM;
    auto &TM = p.TM;
    for (int i = 0; i < 3; ++i) {
        TM[i][0] = CM[i][0] * QM[0][0] + CM[i][2] * QM[2][0];
        TM[i][1] = CM[i][1] * QM[1][1] + CM[i][2] * QM[2][1];
        TM[i][2] = CM[i][2] * QM[2][2];
    }
    TM[3][0] = CM[3][0] * QM[0][0] + CM[3][2] * QM[2][0] + QM[3][0];
    TM[3][1] = CM[3][1] * QM[1][1] + CM[3][2] * QM[2][1] + QM[3][1];
    TM[3][2] = CM[3][2] * QM[2][2] + 1.0;
    return 1;
}
