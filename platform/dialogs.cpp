// The dialog services of quelm_dialoghost.h for hosts without Windows: the
// library's own module and its templates, modal dialogs run through the
// registered dialog host, scroll bars, texts, the posted-message queue and
// fonts.  Only what the tuning dialogs call is here.  Running out of memory
// gives a call's failure result, never an exception.
#include "dialogs.h"

#ifndef _WIN32

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "dialog_templates.h"

namespace {

// ------------------------------------------------------------------ module

constexpr std::string_view kOwnModuleName = "QUELM.DLL";

struct Module {
    int refs;
};
Module ownModule = {0};
bool ownModuleReachable = true;

HMODULE OwnModuleHandle() { return reinterpret_cast<HMODULE>(&ownModule); }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

const QUELM_DLGTEMPLATE *FindTemplate(const char *name) {
    for (int32_t i = 0; i < QuelmModuleDialogCount; ++i) {
        const QUELM_DLGTEMPLATE &t = QuelmModuleDialogs[i];
        if (IS_INTRESOURCE(name) ? (!t.name && t.ordinal == reinterpret_cast<UINT_PTR>(name))
                                 : (t.name && SameName(t.name, name)))
            return &t;
    }
    return nullptr;
}

// ----------------------------------------------------------------- windows

struct DialogRun;

struct Window {
    DialogRun *dialog;
    int32_t kind;
    uint16_t id;
    uint32_t style;
    int16_t x, y, cx, cy;
    std::string text;
    int minPos, maxPos, pos;
};

// One modal dialog while DialogBoxParamA runs it.  The controls vector is
// sized once, so control handles (their addresses) stay put.
struct DialogRun {
    const QUELM_DLGTEMPLATE *tpl;
    DLGPROC proc;
    Window self;
    std::vector<Window> controls;
    bool ended;
    INT_PTR result;
};

std::vector<DialogRun *> liveDialogs;

HWND HandleOf(Window *w) { return reinterpret_cast<HWND>(w); }

// Handles come from hosts too: they are looked up, never dereferenced.
Window *WindowOf(HWND h) {
    if (!h) return nullptr;
    for (DialogRun *d : liveDialogs) {
        if (h == HandleOf(&d->self)) return &d->self;
        for (Window &c : d->controls)
            if (h == HandleOf(&c)) return &c;
    }
    return nullptr;
}

DialogRun *DialogOf(HWND h) {
    Window *w = WindowOf(h);
    return (w && w->kind == QUELM_ITEM_DIALOG) ? w->dialog : nullptr;
}

Window *ScrollBarOf(HWND h, int nBar) {
    Window *w = WindowOf(h);
    return (w && w->kind == QUELM_ITEM_SCROLLBAR && nBar == SB_CTL) ? w : nullptr;
}

Window *ControlOf(DialogRun *d, int id) {
    for (Window &c : d->controls)
        if (c.id == static_cast<uint16_t>(id)) return &c;
    return nullptr;
}

// ---------------------------------------------------------------- messages

constexpr size_t kPostedLimit = 10000;
std::deque<QUELM_POSTED_MESSAGE> posted;

QUELM_DIALOG_HOST dialogHost;
bool dialogHostSet = false;

void DeliverPosted(const QUELM_DIALOG_HOST &host) {
    if (!host.posted) return;
    while (!posted.empty()) {
        const QUELM_POSTED_MESSAGE m = posted.front();
        posted.pop_front();
        host.posted(host.context, &m);
    }
}

void SendCommand(DialogRun &run, int id) {
    Window *button = ControlOf(&run, id);
    run.proc(HandleOf(&run.self), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
             reinterpret_cast<LPARAM>(button ? HandleOf(button) : nullptr));
}

void DeliverAction(DialogRun &run, const QUELM_DIALOG_ACTION &a) {
    switch (a.kind) {
    case QUELM_ACTION_SCROLL: {
        Window *bar = ControlOf(&run, a.id);
        if (!bar || bar->kind != QUELM_ITEM_SCROLLBAR) return;
        const UINT message = (bar->style & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
        run.proc(HandleOf(&run.self), message, MAKEWPARAM(a.code, a.pos),
                 reinterpret_cast<LPARAM>(HandleOf(bar)));
        return;
    }
    case QUELM_ACTION_OK:
        SendCommand(run, IDOK);
        return;
    case QUELM_ACTION_CANCEL:
        SendCommand(run, IDCANCEL);
        return;
    case QUELM_ACTION_CLOSE:
        SendCommand(run, IDCANCEL);
        // The host's window is gone: the dialog cannot stay open.
        if (!run.ended) EndDialog(HandleOf(&run.self), -1);
        return;
    default:
        return;
    }
}

void BuildDialog(DialogRun &run) {
    const QUELM_DLGTEMPLATE &t = *run.tpl;
    run.self = Window{&run, QUELM_ITEM_DIALOG, 0, t.style, t.x, t.y, t.cx, t.cy, t.caption,
                      0, 0, 0};
    run.controls.reserve(static_cast<size_t>(t.count));
    for (int32_t i = 0; i < t.count; ++i) {
        const QUELM_DLGITEMTEMPLATE &it = t.items[i];
        run.controls.push_back(
            Window{&run, it.kind, it.id, it.style, it.x, it.y, it.cx, it.cy, it.text, 0, 0, 0});
    }
}

// ------------------------------------------------------------------- fonts

struct Font {
    LOGFONTA lf;
};

// The stock variable-pitch font, and the font a dialog's controls start with.
constexpr BYTE kVariablePitchSwiss = 0x22;
Font stockVarFont = {{12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, kVariablePitchSwiss, "Sans"}};
Font dialogFont = {{16, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, kVariablePitchSwiss, "System"}};
std::vector<Font *> liveFonts;

struct DeviceContext {
    HGDIOBJ font;
};
std::vector<DeviceContext *> liveDcs;

Font *FontOf(HGDIOBJ h) {
    if (h == &stockVarFont) return &stockVarFont;
    if (h == &dialogFont) return &dialogFont;
    for (Font *f : liveFonts)
        if (h == f) return f;
    return nullptr;
}

}  // namespace

// ----------------------------------------------------------------- exports

extern "C" HMODULE LoadLibraryA(const char *lpLibFileName) {
    if (!lpLibFileName || !ownModuleReachable) return nullptr;
    std::string_view name = lpLibFileName;
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    // Without an extension, ".DLL" is meant.
    const std::string_view own = name.find('.') == std::string_view::npos
                                     ? kOwnModuleName.substr(0, kOwnModuleName.find('.'))
                                     : kOwnModuleName;
    if (!SameName(name, own)) return nullptr;
    ownModule.refs += 1;
    return OwnModuleHandle();
}

extern "C" BOOL FreeLibrary(HMODULE hLibModule) {
    if (hLibModule != OwnModuleHandle() || ownModule.refs == 0) return FALSE;
    ownModule.refs -= 1;
    return TRUE;
}

extern "C" INT_PTR DialogBoxParamA(HINSTANCE hInstance, const char *lpTemplateName,
                                   HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    (void)hWndParent;  // the host places the dialog
    if (!dialogHostSet || !dialogHost.next_action || !lpDialogFunc) return -1;
    if (hInstance != OwnModuleHandle() || ownModule.refs == 0) return -1;
    const QUELM_DLGTEMPLATE *tpl = FindTemplate(lpTemplateName);
    if (!tpl) return -1;
    const QUELM_DIALOG_HOST host = dialogHost;

    DialogRun run{tpl, lpDialogFunc, {}, {}, false, 0};
    try {
        BuildDialog(run);
        liveDialogs.push_back(&run);
    } catch (const std::bad_alloc &) {
        return -1;
    }
    const HWND hDlg = HandleOf(&run.self);

    HWND focus = nullptr;
    for (Window &c : run.controls)
        if (!focus && (c.style & WS_TABSTOP)) focus = HandleOf(&c);
    run.proc(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), dwInitParam);
    // Like Windows, a dialog ended while it initialises is never shown.
    if (!run.ended) {
        if (host.show) host.show(host.context, hDlg);
        while (!run.ended) {
            DeliverPosted(host);
            QUELM_DIALOG_ACTION action = {};
            host.next_action(host.context, hDlg, &action);
            DeliverAction(run, action);
        }
        DeliverPosted(host);
        if (host.hide) host.hide(host.context, hDlg);
    } else {
        DeliverPosted(host);
    }
    liveDialogs.erase(std::find(liveDialogs.begin(), liveDialogs.end(), &run));
    return run.result;
}

extern "C" BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
    DialogRun *d = DialogOf(hDlg);
    if (!d) return FALSE;
    d->ended = true;
    d->result = nResult;
    return TRUE;
}

extern "C" HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    DialogRun *d = DialogOf(hDlg);
    Window *c = d ? ControlOf(d, nIDDlgItem) : nullptr;
    return c ? HandleOf(c) : nullptr;
}

extern "C" LONG GetWindowLongA(HWND hWnd, int nIndex) {
    const Window *w = WindowOf(hWnd);
    if (!w) return 0;
    if (nIndex == GWL_ID) return w->id;
    if (nIndex == GWL_STYLE) return static_cast<LONG>(w->style);
    return 0;
}

extern "C" BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
    (void)bRedraw;  // the host redraws from the positions it reads
    Window *w = ScrollBarOf(hWnd, nBar);
    if (!w) return FALSE;
    w->minPos = std::min(nMinPos, nMaxPos);
    w->maxPos = std::max(nMinPos, nMaxPos);
    w->pos = std::clamp(w->pos, w->minPos, w->maxPos);
    return TRUE;
}

extern "C" BOOL GetScrollRange(HWND hWnd, int nBar, int *lpMinPos, int *lpMaxPos) {
    const Window *w = ScrollBarOf(hWnd, nBar);
    if (!w || !lpMinPos || !lpMaxPos) return FALSE;
    *lpMinPos = w->minPos;
    *lpMaxPos = w->maxPos;
    return TRUE;
}

extern "C" int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw) {
    (void)bRedraw;
    Window *w = ScrollBarOf(hWnd, nBar);
    if (!w) return 0;
    const int previous = w->pos;
    w->pos = std::clamp(nPos, w->minPos, w->maxPos);
    return previous;
}

extern "C" int GetScrollPos(HWND hWnd, int nBar) {
    const Window *w = ScrollBarOf(hWnd, nBar);
    return w ? w->pos : 0;
}

extern "C" BOOL SetWindowTextA(HWND hWnd, const char *lpString) {
    Window *w = WindowOf(hWnd);
    if (!w) return FALSE;
    try {
        w->text = lpString ? lpString : "";
    } catch (const std::bad_alloc &) {
        return FALSE;
    }
    return TRUE;
}

extern "C" int GetWindowTextA(HWND hWnd, char *lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    const Window *w = WindowOf(hWnd);
    const size_t n = w ? std::min(w->text.size(), static_cast<size_t>(nMaxCount - 1)) : 0;
    if (n) std::memcpy(lpString, w->text.data(), n);
    lpString[n] = '\0';
    return static_cast<int>(n);
}

extern "C" int wsprintfA(char *lpOut, const char *lpFmt, ...) {
    constexpr int kLimit = 1024;
    if (!lpOut || !lpFmt) return 0;
    va_list args;
    va_start(args, lpFmt);
    const int n = std::vsnprintf(lpOut, kLimit + 1, lpFmt, args);
    va_end(args);
    return n < 0 ? 0 : std::min(n, kLimit);
}

extern "C" BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (posted.size() >= kPostedLimit) return FALSE;
    try {
        posted.push_back(QUELM_POSTED_MESSAGE{hWnd, Msg, wParam, lParam});
    } catch (const std::bad_alloc &) {
        return FALSE;
    }
    return TRUE;
}

extern "C" HGDIOBJ GetStockObject(int i) { return i == ANSI_VAR_FONT ? &stockVarFont : nullptr; }

extern "C" int GetObjectA(HGDIOBJ h, int c, void *pv) {
    const Font *f = FontOf(h);
    if (!f) return 0;
    if (!pv) return static_cast<int>(sizeof(LOGFONTA));
    const int n = std::clamp(c, 0, static_cast<int>(sizeof(LOGFONTA)));
    std::memcpy(pv, &f->lf, static_cast<size_t>(n));
    return n;
}

extern "C" HFONT CreateFontIndirectA(const LOGFONTA *lplf) {
    if (!lplf) return nullptr;
    auto *f = new (std::nothrow) Font{*lplf};
    try {
        if (f) liveFonts.push_back(f);
    } catch (const std::bad_alloc &) {
        delete f;
        return nullptr;
    }
    return reinterpret_cast<HFONT>(f);
}

extern "C" HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    auto *dc = reinterpret_cast<DeviceContext *>(hdc);
    if (std::find(liveDcs.begin(), liveDcs.end(), dc) == liveDcs.end() || !FontOf(h))
        return nullptr;
    HGDIOBJ previous = dc->font;
    dc->font = h;
    return previous;
}

extern "C" BOOL DeleteObject(HGDIOBJ ho) {
    if (ho == &stockVarFont || ho == &dialogFont) return TRUE;
    const auto it = std::find(liveFonts.begin(), liveFonts.end(), ho);
    if (it == liveFonts.end()) return FALSE;
    delete *it;
    liveFonts.erase(it);
    return TRUE;
}

// ------------------------------------------------------------- dialog host

extern "C" void QuelmSetDialogHost(const QUELM_DIALOG_HOST *host) {
    dialogHostSet = host != nullptr;
    dialogHost = host ? *host : QUELM_DIALOG_HOST{};
}

extern "C" int32_t QuelmDialogItemCount(HWND hDlg) {
    const DialogRun *d = DialogOf(hDlg);
    return d ? static_cast<int32_t>(d->controls.size()) : 0;
}

extern "C" HWND QuelmDialogItemAt(HWND hDlg, int32_t index) {
    DialogRun *d = DialogOf(hDlg);
    if (!d || index < 0 || static_cast<size_t>(index) >= d->controls.size()) return nullptr;
    return HandleOf(&d->controls[static_cast<size_t>(index)]);
}

extern "C" BOOL QuelmGetDialogItem(HWND hWnd, QUELM_DIALOG_ITEM *item) {
    const Window *w = WindowOf(hWnd);
    if (!w || !item) return FALSE;
    const QUELM_DLGTEMPLATE &t = *w->dialog->tpl;
    *item = QUELM_DIALOG_ITEM{w->kind, w->id, w->style, w->x, w->y, w->cx, w->cy,
                              t.pointsize, t.face};
    return TRUE;
}

extern "C" HFONT QuelmDialogItemFont(HWND hCtl) {
    Window *w = WindowOf(hCtl);
    if (!w || (w->kind != QUELM_ITEM_STATIC && w->kind != QUELM_ITEM_CHECKBOX)) return nullptr;
    DeviceContext dc = {&dialogFont};
    liveDcs.push_back(&dc);
    w->dialog->proc(HandleOf(&w->dialog->self), WM_CTLCOLORSTATIC,
                    reinterpret_cast<WPARAM>(&dc), reinterpret_cast<LPARAM>(hCtl));
    liveDcs.erase(std::find(liveDcs.begin(), liveDcs.end(), &dc));
    return dc.font == &dialogFont ? nullptr : reinterpret_cast<HFONT>(dc.font);
}

extern "C" BOOL QuelmGetPostedMessage(QUELM_POSTED_MESSAGE *message) {
    if (!message || posted.empty()) return FALSE;
    *message = posted.front();
    posted.pop_front();
    return TRUE;
}

extern "C" void QuelmSetOwnModuleReachable(BOOL reachable) { ownModuleReachable = reachable; }

extern "C" long QuelmFontsLive(void) { return static_cast<long>(liveFonts.size()); }

#endif  // !_WIN32
