// sliderdlg.h - what both tuning dialogs are made of: a row of vertical
// sliders over a module-wide table, each with a number above it (its
// identifier + 20), every move reported to the host window.  Each dialog
// keeps its own table, template, host window and number font in one
// SLIDER_DIALOG.
#ifndef QUELM_CAMERA_SLIDERDLG_H
#define QUELM_CAMERA_SLIDERDLG_H

#include "camera/camera.h"
#include "platform/dialogs.h"

// A slider's fixed part, written into the table at every opening.
struct SLIDER_LIMITS {
    int32_t min, max, page, line;
};

struct SLIDER_DIALOG {
    COORDS *table;
    const SLIDER_LIMITS *limits;  // one per slider
    int32_t count;                // sliders
    int32_t firstSlider;          // control identifier of table entry 0
    const char *templateName;
    DLGPROC proc;
    HWND hAppWnd;                 // receives the WM_COMMAND reports
    LOGFONTA logfont;
    HFONT hFont;                  // the numbers' font, made at each opening
};

// A number's identifier is its slider's + 20.
inline constexpr int32_t NUMBER_ID_OFFSET = 20;

// Loads the library's own module for its templates and runs the dialog:
// 1 after OK, 0 after Cancel, -1 when the module or the dialog cannot be had.
int32_t OpenSliderDialog(SLIDER_DIALOG *Dialog, HWND hWnd);
// The dialog procedure's work; TRUE for a handled message.
INT_PTR SliderDialogMessage(SLIDER_DIALOG *Dialog, HWND hDlg, UINT message, WPARAM wParam,
                            LPARAM lParam);

#endif
