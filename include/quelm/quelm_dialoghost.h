/** @file
 * quelm_dialoghost.h - the dialog services of quelm's platform layer, for
 * hosts without Windows.
 *
 * On Windows the tuning dialogs (DoCoordinateSystemDlg, DoSpinDemoFeaturesDlg)
 * run on USER32 and GDI32 and this header adds nothing.  Elsewhere the
 * library carries a small stand-in for the services those dialogs use, under
 * the same names and with the same message model, and a host shows the
 * dialogs by registering a dialog host:
 *
 *     static void next(void *ctx, HWND hDlg, QUELM_DIALOG_ACTION *a) {
 *         ... wait for the user; fill *a (a slider request, OK, Cancel) ...
 *     }
 *     QUELM_DIALOG_HOST host = {ctx, show, next, posted, hide};
 *     QuelmSetDialogHost(&host);
 *     DoSpinDemoFeaturesDlg(myWindow);        returns 1 (OK) or 0 (Cancel)
 *
 * A modal dialog then runs like this:
 *  1. DialogBoxParamA builds the dialog window and its controls from the
 *     library's own template and sends WM_INITDIALOG to the dialog procedure;
 *  2. show(hDlg): the host draws the dialog; it walks the controls with
 *     QuelmDialogItemCount / QuelmDialogItemAt / QuelmGetDialogItem and reads
 *     texts, slider ranges and positions with GetWindowTextA, GetScrollRange
 *     and GetScrollPos whenever it redraws;
 *  3. repeatedly: every message posted so far (the dialog's reports, e.g.
 *     WM_COMMAND with a slider id and value) goes to posted(); then
 *     next_action(hDlg, &action) asks for the user's next move, which is
 *     delivered to the dialog procedure as WM_VSCROLL / WM_HSCROLL (lParam the
 *     scroll bar's window) or WM_COMMAND IDOK / IDCANCEL (lParam the button);
 *  4. once the procedure calls EndDialog: the last posted messages go to
 *     posted(), hide(hDlg), the windows are destroyed and DialogBoxParamA
 *     returns the EndDialog result.
 * Without a registered host (or without next_action) DialogBoxParamA returns
 * -1 at once.  With no posted() callback, posted messages stay queued until
 * the host takes them with QuelmGetPostedMessage.
 *
 * Dialog and control handles are valid from show() to hide().  Calls that
 * take such a handle check it and fail (0, FALSE or null) on one they do not
 * know; the host window handle is only passed on, never looked at.
 * Single-threaded, like the rest of the library.
 */
#ifndef QUELM_DIALOGHOST_H
#define QUELM_DIALOGHOST_H

#include "quelm_types.h"
#include "quelm_names.h"

#ifndef _WIN32

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------- Windows names and constants */

/** A dialog procedure: TRUE when it handled the message. */
typedef INT_PTR(CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);

/** Messages a dialog procedure receives or posts. @{ */
#define WM_INITDIALOG 0x0110u     /**< the dialog is built; not yet shown */
#define WM_COMMAND 0x0111u        /**< a button (wParam its id), or a slider report */
#define WM_HSCROLL 0x0114u        /**< a horizontal scroll request; lParam the bar */
#define WM_VSCROLL 0x0115u        /**< a vertical scroll request; lParam the bar */
#define WM_CTLCOLORSTATIC 0x0138u /**< a static control is about to be drawn */
/** @} */

/** Scroll requests (low word of a scroll message's wParam). @{ */
#define SB_LINEUP 0
#define SB_LINEDOWN 1
#define SB_PAGEUP 2
#define SB_PAGEDOWN 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_BOTTOM 7
#define SB_ENDSCROLL 8
/** @} */
/** Bar type: the window is a scroll bar control. */
#define SB_CTL 2

/** GetWindowLongA's fields. @{ */
#define GWL_STYLE (-16) /**< the style word */
#define GWL_ID (-12)    /**< the control identifier */
/** @} */

/** The OK and Cancel buttons' identifiers and their click notification. @{ */
#define IDOK 1
#define IDCANCEL 2
#define BN_CLICKED 0
/** @} */

/** GetStockObject's variable-pitch font, the one stock object there is. */
#define ANSI_VAR_FONT 12

/** Style bits that the templates use. @{ */
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_SYSMENU 0x00080000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define DS_SETFONT 0x40u
#define DS_MODALFRAME 0x80u
#define SBS_HORZ 0x0u
#define SBS_VERT 0x1u
#define BS_PUSHBUTTON 0x0u
#define BS_DEFPUSHBUTTON 0x1u
#define BS_CHECKBOX 0x2u
#define BS_AUTOCHECKBOX 0x3u
#define SS_LEFT 0x0u
/** @} */

/** Word packing as in Windows: the low and high 16 bits of a message
 * parameter, a wParam from two words, and integer resource names. @{ */
#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xFFFFu))
#define HIWORD(l) ((WORD)((((UINT_PTR)(l)) >> 16) & 0xFFFFu))
#define MAKEWPARAM(lo, hi) ((WPARAM)(DWORD)(((WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))
#define IS_INTRESOURCE(p) ((((UINT_PTR)(p)) >> 16) == 0)
#define MAKEINTRESOURCEA(i) ((const char *)(UINT_PTR)(WORD)(i))
/** @} */

/** The library's own module: only "QUELM.DLL" (any case, any directory, the
 * extension optional) is found; every other name gives null. */
HMODULE LoadLibraryA(const char *lpLibFileName);
/** Releases one LoadLibraryA of the library's own module.
 * @return FALSE for any other handle, or when none is held. */
BOOL FreeLibrary(HMODULE hLibModule);

/** Runs a template of hInstance (name matched without regard to case, or an
 * integer resource) modally; the EndDialog result, or -1. */
INT_PTR DialogBoxParamA(HINSTANCE hInstance, const char *lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam);
/** Ends the running dialog hDlg once its procedure returns; DialogBoxParamA
 * then returns nResult.  FALSE for an unknown handle. */
BOOL EndDialog(HWND hDlg, INT_PTR nResult);
/** @return the control of hDlg with identifier nIDDlgItem, or null. */
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
/** GWL_ID: the control identifier (a 16-bit word, so -1 reads 65535);
 * GWL_STYLE: the style word. */
LONG GetWindowLongA(HWND hWnd, int nIndex);

/** Scroll bar controls only (nBar SB_CTL); another window or bar type fails
 * (FALSE or 0).  The position is kept inside the range, as on Windows;
 * SetScrollPos returns the previous position.  bRedraw is accepted and
 * ignored: the host redraws. @{ */
BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw);
BOOL GetScrollRange(HWND hWnd, int nBar, int *lpMinPos, int *lpMaxPos);
int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw);
int GetScrollPos(HWND hWnd, int nBar);
/** @} */

/** Sets a window's text (a copy is kept); FALSE for an unknown handle. */
BOOL SetWindowTextA(HWND hWnd, const char *lpString);
/** Copies at most nMaxCount - 1 characters and a terminating zero; returns the
 * number copied. */
int GetWindowTextA(HWND hWnd, char *lpString, int nMaxCount);
/** printf-style; like Windows', writes at most 1024 characters and a
 * terminating zero; returns the number of characters written. */
int wsprintfA(char *lpOut, const char *lpFmt, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
/** Queues the message for the host (see QuelmGetPostedMessage); FALSE once
 * 10000 messages wait, Windows' own limit. */
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

/** @return the stock object i: only ANSI_VAR_FONT is had, else null. */
HGDIOBJ GetStockObject(int i);
/** Fonts: copies up to c bytes of the LOGFONTA; with pv null, the size. */
int GetObjectA(HGDIOBJ h, int c, void *pv);
/** A font made from a copy of *lplf, owned by the caller until DeleteObject.
 * @return null for a null description or when memory runs out. */
HFONT CreateFontIndirectA(const LOGFONTA *lplf);
/** Selects font h into the device context a dialog's WM_CTLCOLORSTATIC
 * passes.  @return the font selected before, or null when either handle is
 * unknown. */
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
/** Deletes a font of CreateFontIndirectA.  Stock objects are never released.
 * @return FALSE for an unknown object. */
BOOL DeleteObject(HGDIOBJ ho);

/* ------------------------------------------------------ the dialog host */

/** Kinds of window in a dialog. @{ */
#define QUELM_ITEM_DIALOG 0    /**< the dialog itself */
#define QUELM_ITEM_STATIC 1    /**< static text */
#define QUELM_ITEM_BUTTON 2    /**< a push button */
#define QUELM_ITEM_CHECKBOX 3  /**< a check box */
#define QUELM_ITEM_SCROLLBAR 4 /**< a scroll bar: a slider */
/** @} */

/** A dialog or one of its controls as its template lays it out.  Sizes and
 * positions in dialog units: a control's relative to the dialog's client
 * area, the dialog's relative to its owner.  Text, slider range and position
 * change while the dialog runs: read them with GetWindowTextA,
 * GetScrollRange and GetScrollPos. */
typedef struct QUELM_DIALOG_ITEM {
    int32_t kind;      /**< QUELM_ITEM_* */
    int32_t id;        /**< as GetWindowLongA(GWL_ID); 0 for the dialog */
    uint32_t style;    /**< as GetWindowLongA(GWL_STYLE): SBS_VERT, BS_DEFPUSHBUTTON ... */
    /** Position and size in dialog units. @{ */
    int32_t x, y, cx, cy;
    /** @} */
    int32_t pointsize; /**< the dialog's font, which every control uses */
    const char *face;  /**< its typeface name, a static string */
} QUELM_DIALOG_ITEM;

/** What the user did next. @{ */
#define QUELM_ACTION_SCROLL 1 /**< a scroll request on the scroll bar id */
#define QUELM_ACTION_OK 2     /**< WM_COMMAND IDOK from the "OK" button */
#define QUELM_ACTION_CANCEL 3 /**< WM_COMMAND IDCANCEL from the "Cancel" button */
#define QUELM_ACTION_CLOSE 4  /**< the host closed the dialog: IDCANCEL, as Windows
                                 sends on a close; a dialog that still does not end
                                 is ended with -1 */
/** @} */

/** The host's answer to next_action. */
typedef struct QUELM_DIALOG_ACTION {
    int32_t kind; /**< QUELM_ACTION_*; anything else is ignored */
    int32_t id;   /**< QUELM_ACTION_SCROLL: the scroll bar's control identifier */
    int32_t code; /**< QUELM_ACTION_SCROLL: SB_LINEUP ... SB_BOTTOM */
    int32_t pos;  /**< SB_THUMBPOSITION, SB_THUMBTRACK: the thumb position (16 bits) */
} QUELM_DIALOG_ACTION;

/** A message a dialog posted to a window, as PostMessageA received it. */
typedef struct QUELM_POSTED_MESSAGE {
    HWND hwnd;      /**< the window it was posted to: the host's own */
    UINT message;   /**< e.g. WM_COMMAND */
    WPARAM wParam;  /**< e.g. a slider's identifier */
    LPARAM lParam;  /**< e.g. its new value's low 16 bits */
} QUELM_POSTED_MESSAGE;

/** The host's callbacks; context is passed back to each.  next_action is
 * required, the others may be null.  The action record arrives zero-filled. */
typedef struct QUELM_DIALOG_HOST {
    void *context; /**< the host's own, passed back */
    void (*show)(void *context, HWND hDlg);   /**< a dialog is to be drawn */
    void (*next_action)(void *context, HWND hDlg,
                        QUELM_DIALOG_ACTION *action); /**< the user's next move */
    void (*posted)(void *context,
                   const QUELM_POSTED_MESSAGE *message); /**< a posted message */
    void (*hide)(void *context, HWND hDlg);   /**< the dialog is gone */
} QUELM_DIALOG_HOST;

/** Registers (a copy of) the host; null unregisters. */
void QuelmSetDialogHost(const QUELM_DIALOG_HOST *host);

/** The dialog's controls in template order: how many there are (0 for an
 * unknown dialog), the one at index 0 to count - 1 (null beyond), and what
 * a window is (FALSE, item untouched, for an unknown window). @{ */
int32_t QuelmDialogItemCount(HWND hDlg);
HWND QuelmDialogItemAt(HWND hDlg, int32_t index);
BOOL QuelmGetDialogItem(HWND hWnd, QUELM_DIALOG_ITEM *item);
/** @} */
/** The font a static control or check box is drawn in: the dialog procedure is
 * asked with WM_CTLCOLORSTATIC; null means the dialog's own font.  Read it
 * with GetObjectA. */
HFONT QuelmDialogItemFont(HWND hCtl);

/** Takes the oldest posted message off the queue; FALSE when it is empty. */
BOOL QuelmGetPostedMessage(QUELM_POSTED_MESSAGE *message);

/* For tests. */
/** FALSE makes the library's own module unreachable, as for a copy of the
 * library loaded under another file name: LoadLibraryA("QUELM.DLL") then
 * fails.  TRUE (the start) restores it. */
void QuelmSetOwnModuleReachable(BOOL reachable);
/** Fonts made by CreateFontIndirectA and not yet deleted. */
long QuelmFontsLive(void);

#ifdef __cplusplus
}
#endif

#endif /* !_WIN32 */

#include "quelm_names_end.h"

#endif /* QUELM_DIALOGHOST_H */
