// The spin demonstration: camera and target each circle the vertical axis
// through the origin, one step per update, and the spin dialog that tunes
// them through the SpinDemoFeature table.
#include <cmath>

#include "camera/sliderdlg.h"
#include "math/fp.h"
#include "math/trunc.h"
#include "quelm_globalmem.h"

extern "C" {
SPINDEMO_FEATURES SpinDemoFeature[SPINDEMO_FEATURE_ENTRIES];
}

namespace {

constexpr double kTwoPi = 6.283185308;
// No step reaches this far (a full 32-bit step is under 4e6 radians); only
// an angle a host wrote can, and it is folded into a turn first so that the
// stepping loops stay short.
constexpr double kFarAngle = 1.0e7;

constexpr SPINDEMO_VIEW kSpinDefaults = {2700, 540, 128, 360, 72, 0, 0, 1.0, 0.0, 0.0};

constexpr SLIDER_LIMITS kSpinLimits[SPINDEMO_SLIDERS] = {
    {0, 15000, 99, 1},      // VR  CameraRadius
    {0, 1500, 9, 1},        // TR  TargetRadius
    {-1500, 1500, 9, 1},    // TW
    {0, 15000, 99, 1},      // VZ  CameraHeight
    {-1500, 1500, 9, 1},    // TZ  TargetHeight
    {-150, 150, 9, 1},      // VS  CameraStep
    {-300, 300, 9, 1},      // TS  TargetStep
    {1, 2500, 99, 1},       // QS  Magnification in thousandths
};

SLIDER_DIALOG spinDialog = {SpinDemoFeature, kSpinLimits, SPINDEMO_SLIDERS, 201,
                            "SpinDemoFeatures", SpinDemoFeaturesDlgProc, nullptr, {}, nullptr};

SPINDEMO_VIEW *SpinRecord(CAMERA *Camera) { return static_cast<SPINDEMO_VIEW *>(Camera->Control); }

// The angle after one step of tenths of a degree, brought into [0, 2 pi).
double StepAngle(int32_t step, double angle) {
    double a = step * kCameraPi / 180 / 10 + angle;
    if (!(std::fabs(a) < kFarAngle)) a = std::fmod(a, kTwoPi);
    while (a >= kTwoPi) a -= kTwoPi;
    while (a < 0) a += kTwoPi;
    return a;
}

// Truncating x + 0.5 rounds halves up above zero but toward zero below it.
double Rounded(double x) { return TruncToInt32(x + 0.5); }

}  // namespace

// A spin record that cannot be had leaves the camera as it was.
extern "C" void QUELMAPI InitSpinDemoView(CAMERA *Camera) {
    if (!Camera->Control) {
        auto *spin = static_cast<SPINDEMO_VIEW *>(GlobalAllocLocked(sizeof(SPINDEMO_VIEW)));
        if (!spin) return;
        *spin = kSpinDefaults;
        Camera->Control = spin;
    }
    Camera->View = VIEW_SPIN;
    MakeSpinDemoView(Camera);
}

extern "C" void QUELMAPI MakeSpinDemoView(CAMERA *Camera) {
    SPINDEMO_VIEW *spin = SpinRecord(Camera);
    if (!spin) return;
    const double a = StepAngle(spin->TargetStep, spin->TargetAngle);
    const double b = StepAngle(spin->CameraStep, spin->CameraAngle);
    Camera->Xtarget = Rounded(fp::Cos(a) * spin->TargetRadius);
    Camera->Ytarget = Rounded(fp::Sin(a) * spin->TargetRadius);
    Camera->Xcamera = Rounded(fp::Cos(b) * spin->CameraRadius);
    Camera->Ycamera = Rounded(fp::Sin(b) * spin->CameraRadius);
    Camera->Ztarget = spin->TargetHeight;
    Camera->Zcamera = spin->CameraHeight;
    Camera->BankAngle = 0;
    Camera->Magnification = spin->Magnification;
    spin->TargetAngle = a;
    spin->CameraAngle = b;
}

extern "C" void QUELMAPI ChangeSpinDemo(CAMERA *Camera) {
    const SPINDEMO_VIEW *spin = SpinRecord(Camera);
    if (!spin) return;
    const int32_t values[SPINDEMO_SLIDERS] = {
        spin->CameraRadius, spin->TargetRadius, spin->TW,         spin->CameraHeight,
        spin->TargetHeight, spin->CameraStep,   spin->TargetStep,
        TruncToInt32(spin->Magnification * 1000 + 0.5)};
    for (int32_t i = 0; i < SPINDEMO_SLIDERS; ++i) SpinDemoFeature[i].value = values[i];
}

// The angles stay; the camera moves at its next update.
extern "C" void QUELMAPI SpinDemoChanged(CAMERA *Camera) {
    SPINDEMO_VIEW *spin = SpinRecord(Camera);
    if (!spin) return;
    spin->CameraRadius = SpinDemoFeature[0].value;
    spin->TargetRadius = SpinDemoFeature[1].value;
    spin->TW = SpinDemoFeature[2].value;
    spin->CameraHeight = SpinDemoFeature[3].value;
    spin->TargetHeight = SpinDemoFeature[4].value;
    spin->CameraStep = SpinDemoFeature[5].value;
    spin->TargetStep = SpinDemoFeature[6].value;
    spin->Magnification = SpinDemoFeature[7].value / 1000.0;
}

extern "C" int32_t QUELMAPI DoSpinDemoFeaturesDlg(HWND hWnd) {
    return OpenSliderDialog(&spinDialog, hWnd);
}

extern "C" INT_PTR CALLBACK SpinDemoFeaturesDlgProc(HWND hDlg, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    return SliderDialogMessage(&spinDialog, hDlg, message, wParam, lParam);
}
