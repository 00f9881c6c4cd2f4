// The coordinate dialog: a dolly camera's distance, target, position, bank
// and magnification on sliders, through the CoordinateSystem table.
#include "camera/sliderdlg.h"
#include "math/trunc.h"

extern "C" {
COORDS CoordinateSystem[COORDINATE_SLIDERS];
}

namespace {

// Entries 0 to 6 hold these members as whole numbers.
constexpr double CAMERA::*kWholeMembers[] = {
    &CAMERA::ViewDistance, &CAMERA::Xtarget, &CAMERA::Ytarget, &CAMERA::Ztarget,
    &CAMERA::Xcamera,      &CAMERA::Ycamera, &CAMERA::Zcamera,
};
constexpr int32_t kBank = 7;           // whole degrees
constexpr int32_t kMagnification = 8;  // thousandths

constexpr SLIDER_LIMITS kCoordinateLimits[COORDINATE_SLIDERS] = {
    {0, 15000, 99, 1},       // vd
    {-15000, 15000, 99, 1},  // view-ref-pt x, y, z
    {-15000, 15000, 99, 1},
    {-15000, 15000, 99, 1},
    {-15000, 15000, 99, 1},  // ctr-project x, y, z
    {-15000, 15000, 99, 1},
    {-15000, 15000, 99, 1},
    {0, 359, 14, 1},         // bank
    {0, 2500, 99, 1},        // magnification
};

SLIDER_DIALOG coordinateDialog = {CoordinateSystem, kCoordinateLimits, COORDINATE_SLIDERS,
                                  101, "CoordinateSystem", CoordinateSystemDlgProc,
                                  nullptr, {}, nullptr};

}  // namespace

// The magnification is truncated here, unlike the spin dialog's, which rounds.
extern "C" void QUELMAPI ChangeView(CAMERA *Camera) {
    for (int32_t i = 0; i < kBank; ++i)
        CoordinateSystem[i].value = TruncToInt32(Camera->*kWholeMembers[i]);
    CoordinateSystem[kBank].value = TruncToInt32(Camera->BankAngle * 180 / kCameraPi);
    CoordinateSystem[kMagnification].value = TruncToInt32(Camera->Magnification * 1000);
}

// The mode is not looked at: a spinning camera's next update overwrites all
// of this but ViewDistance.
extern "C" void QUELMAPI ViewChanged(CAMERA *Camera) {
    for (int32_t i = 0; i < kBank; ++i) Camera->*kWholeMembers[i] = CoordinateSystem[i].value;
    Camera->BankAngle = CoordinateSystem[kBank].value / 180.0 * kCameraPi;
    Camera->Magnification = CoordinateSystem[kMagnification].value / 1000.0;
}

extern "C" int32_t QUELMAPI DoCoordinateSystemDlg(HWND hWnd) {
    return OpenSliderDialog(&coordinateDialog, hWnd);
}

extern "C" INT_PTR CALLBACK CoordinateSystemDlgProc(HWND hDlg, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    return SliderDialogMessage(&coordinateDialog, hDlg, message, wParam, lParam);
}
