// The slider dialog procedure and its opening, shared by the coordinate and
// the spin dialog.  Same source on Windows (USER32, GDI32) and elsewhere
// (the platform layer's stand-ins).
#include "camera/sliderdlg.h"

#include <optional>

namespace {

constexpr char kLibraryFile[] = "QUELM.DLL";
constexpr LONG kNumberFontHeight = 4;

void ShowNumber(HWND hDlg, int32_t slider, int32_t value) {
    char text[32];
    wsprintfA(text, "%d", value);
    SetWindowTextA(GetDlgItem(hDlg, slider + NUMBER_ID_OFFSET), text);
}

// Index of the table entry behind a control, or -1.
int32_t EntryOf(const SLIDER_DIALOG *Dialog, HWND hCtl, int32_t firstId) {
    const int32_t index = GetWindowLongA(hCtl, GWL_ID) - firstId;
    return (index >= 0 && index < Dialog->count) ? index : -1;
}

// A move clamps only at the limit it moves toward, once, after the whole
// step; a value already beyond the other limit stays beyond it.
int32_t NotBelow(int64_t value, int32_t min) {
    return value < min ? min : static_cast<int32_t>(value);
}
int32_t NotAbove(int64_t value, int32_t max) {
    return value > max ? max : static_cast<int32_t>(value);
}

std::optional<int32_t> RequestedValue(const COORDS &s, WPARAM wParam) {
    const int64_t value = s.value;
    switch (LOWORD(wParam)) {
    case SB_LINEUP:
        return NotBelow(value - s.line, s.min);
    case SB_LINEDOWN:
        return NotAbove(value + s.line, s.max);
    case SB_PAGEUP:
        return NotBelow(value - s.page - s.line, s.min);
    case SB_PAGEDOWN:
        return NotAbove(value + s.page + s.line, s.max);
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        return static_cast<int16_t>(HIWORD(wParam));
    case SB_TOP:
        return s.min;
    case SB_BOTTOM:
        return s.max;
    default:
        return std::nullopt;
    }
}

void InitSliders(SLIDER_DIALOG *Dialog, HWND hDlg) {
    GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof(LOGFONTA), &Dialog->logfont);
    Dialog->logfont.lfHeight = kNumberFontHeight;
    // Only the latest font is kept, so the previous opening's goes now.
    if (Dialog->hFont) DeleteObject(Dialog->hFont);
    Dialog->hFont = CreateFontIndirectA(&Dialog->logfont);
    for (int32_t i = 0; i < Dialog->count; ++i) {
        const int32_t id = Dialog->firstSlider + i;
        const COORDS &s = Dialog->table[i];
        HWND bar = GetDlgItem(hDlg, id);
        SetScrollRange(bar, SB_CTL, s.min, s.max, FALSE);
        SetScrollPos(bar, SB_CTL, s.value, FALSE);
        ShowNumber(hDlg, id, s.value);
    }
}

INT_PTR Scroll(SLIDER_DIALOG *Dialog, HWND hDlg, WPARAM wParam, HWND bar) {
    const int32_t index = EntryOf(Dialog, bar, Dialog->firstSlider);
    if (index < 0) return FALSE;
    COORDS &s = Dialog->table[index];
    const std::optional<int32_t> value = RequestedValue(s, wParam);
    if (!value) return FALSE;
    s.value = *value;
    const int32_t id = Dialog->firstSlider + index;
    SetScrollPos(bar, SB_CTL, s.value, TRUE);
    ShowNumber(hDlg, id, s.value);
    // The host gets the value's low 16 bits, unsigned: -1200 arrives as 64336.
    PostMessageA(Dialog->hAppWnd, WM_COMMAND, static_cast<WPARAM>(id),
                 static_cast<LPARAM>(static_cast<uint16_t>(s.value)));
    return TRUE;
}

}  // namespace

int32_t OpenSliderDialog(SLIDER_DIALOG *Dialog, HWND hWnd) {
    HMODULE module = LoadLibraryA(kLibraryFile);
    if (!module) return -1;
    Dialog->hAppWnd = hWnd;
    for (int32_t i = 0; i < Dialog->count; ++i) {
        const SLIDER_LIMITS &l = Dialog->limits[i];
        COORDS &s = Dialog->table[i];
        s.min = l.min;
        s.max = l.max;
        s.page = l.page;
        s.line = l.line;
    }
    const INT_PTR result = DialogBoxParamA(module, Dialog->templateName, hWnd, Dialog->proc, 0);
    FreeLibrary(module);
    return static_cast<int32_t>(result);
}

INT_PTR SliderDialogMessage(SLIDER_DIALOG *Dialog, HWND hDlg, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitSliders(Dialog, hDlg);
        return TRUE;
    case WM_VSCROLL:
    case WM_HSCROLL:
        return Scroll(Dialog, hDlg, wParam, reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORSTATIC:
        // The numbers are drawn small; the colours stay the platform's.
        if (EntryOf(Dialog, reinterpret_cast<HWND>(lParam),
                    Dialog->firstSlider + NUMBER_ID_OFFSET) >= 0)
            SelectObject(reinterpret_cast<HDC>(wParam), Dialog->hFont);
        return FALSE;
    case WM_COMMAND:
        if (wParam == IDOK) {
            EndDialog(hDlg, 1);
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            EndDialog(hDlg, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
