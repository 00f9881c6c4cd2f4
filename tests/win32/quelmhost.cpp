// quelmhost - the Win32 test host.  It uses QUELM.DLL the way a host game
// does: loads it with LoadLibraryA, finds its calls by name and by ordinal,
// renders frames into DIB sections and drives the two tuning dialogs with
// real scroll messages over a window of its own.
//
// Usage:
//   quelmhost [FRAMES_DIR]        every check; frames go to FRAMES_DIR
//                                 (default "frames"), one BMP per frame
//   quelmhost --renamed FILE.DLL  loads the library under another file name:
//                                 its dialogs cannot reach their templates
// Prints one line per failed check and a count; exit status 0 when all pass.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hostframes.h"
#include "quelm.h"

namespace {

int checks = 0;
int failures = 0;

__attribute__((format(printf, 2, 3))) bool Check(bool ok, const char *format, ...) {
    ++checks;
    if (!ok) {
        ++failures;
        std::printf("FAIL: ");
        va_list args;
        va_start(args, format);
        std::vprintf(format, args);
        va_end(args);
        std::printf("\n");
        std::fflush(stdout);
    }
    return ok;
}

// ------------------------------------------------------------------ exports

struct ExportRow {
    const char *name;
    int ordinal;
};

constexpr ExportRow kExports[] = {
#define QUELM_EXPORT(name, ordinal) {#name, ordinal},
#include "QUELM.inc"
#undef QUELM_EXPORT
};

template <typename F>
F Proc(HMODULE module, const char *name) {
    return reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// Every export is found by its plain name and by its ordinal, at one
// address; the ordinals between them are empty.
void CheckExports(HMODULE quelm) {
    for (const ExportRow &row : kExports) {
        FARPROC byName = GetProcAddress(quelm, row.name);
        FARPROC byOrdinal = GetProcAddress(quelm, MAKEINTRESOURCEA(row.ordinal));
        Check(byName != nullptr, "%s not found by name", row.name);
        Check(byName == byOrdinal, "%s: ordinal %d gives another address", row.name, row.ordinal);
    }
    for (int ordinal = 1; ordinal <= 500; ++ordinal) {
        bool listed = false;
        for (const ExportRow &row : kExports) listed = listed || row.ordinal == ordinal;
        if (!listed)
            Check(!GetProcAddress(quelm, MAKEINTRESOURCEA(ordinal)), "ordinal %d is exported",
                  ordinal);
    }
    Check(!GetProcAddress(quelm, "InitScene@0") && !GetProcAddress(quelm, "_InitScene@0"),
          "decorated names are exported");

    // Loading QUELM.DLL brought its two outside libraries along.
    HMODULE gresk = GetModuleHandleA("GRESK32.DLL");
    HMODULE tolvan = GetModuleHandleA("TOLVAN32.DLL");
    Check(gresk && tolvan, "GRESK32.DLL or TOLVAN32.DLL not loaded with QUELM.DLL");
    if (gresk) {
        Check(GetProcAddress(gresk, MAKEINTRESOURCEA(1)) == GetProcAddress(gresk, "ClipToRect") &&
                  GetProcAddress(gresk, "ClipToRect"),
              "GRESK32.DLL: ClipToRect is not ordinal 1");
        Check(GetProcAddress(gresk, MAKEINTRESOURCEA(5)) ==
                      GetProcAddress(gresk, "FillConvexPoly") &&
                  GetProcAddress(gresk, "FillConvexPoly"),
              "GRESK32.DLL: FillConvexPoly is not ordinal 5");
    }
    if (tolvan)
        Check(GetProcAddress(tolvan, MAKEINTRESOURCEA(22)) == GetProcAddress(tolvan, "OpenDIB") &&
                  GetProcAddress(tolvan, "OpenDIB"),
              "TOLVAN32.DLL: OpenDIB is not ordinal 22");
}

// The version block and the three dialog templates are in the module.
void CheckResources(HMODULE quelm) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(quelm, path, sizeof path);
    DWORD ignored = 0;
    DWORD size = length ? GetFileVersionInfoSizeA(path, &ignored) : 0;
    if (Check(size != 0, "QUELM.DLL has no version block")) {
        std::vector<char> block(size);
        char *text = nullptr;
        UINT textLength = 0;
        bool read = GetFileVersionInfoA(path, 0, size, block.data()) &&
                    VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\FileDescription",
                                   reinterpret_cast<void **>(&text), &textLength);
        Check(read && text && std::strcmp(text, "Windows 3D graphics library") == 0,
              "version block: FileDescription is \"%s\"", read && text ? text : "(none)");
        read = VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\InternalName",
                              reinterpret_cast<void **>(&text), &textLength);
        Check(read && text && std::strcmp(text, "QUELM") == 0,
              "version block: InternalName is \"%s\"", read && text ? text : "(none)");
    }
    Check(FindResourceA(quelm, "CoordinateSystem", RT_DIALOG) != nullptr,
          "no dialog template COORDINATESYSTEM");
    Check(FindResourceA(quelm, "SpinDemoFeatures", RT_DIALOG) != nullptr,
          "no dialog template SPINDEMOFEATURES");
    Check(FindResourceA(quelm, MAKEINTRESOURCEA(101), RT_DIALOG) != nullptr,
          "no dialog template 101");
}

// ------------------------------------------------------- calling conventions

#if defined(__i386__)
// Calls fn with count 32-bit arguments and returns how many bytes of them the
// callee removed from the stack (the standard convention removes them all,
// the caller-pops one none); *result receives what fn left in eax.
__attribute__((noinline)) int BytesRemovedByCallee(void *fn, const uint32_t *args, int count,
                                                   uint32_t *result) {
    int change;
    const uint32_t *next = args + count;
    int left = count;
    uint32_t eax;
    __asm__ volatile(
        "movl %%esp, %%edi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "subl $4, %%esi\n\t"
        "pushl (%%esi)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *%%ebx\n\t"
        "movl %%eax, %%edx\n\t"
        "movl %%esp, %%eax\n\t"
        "subl %%edi, %%eax\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(change), "=d"(eax), "+c"(left), "+S"(next)
        : "b"(fn)
        : "edi", "memory", "cc");
    *result = eax;
    return change + 4 * count;
}

void CheckCallingConventions(HMODULE quelm, CAMERA *idle) {
    uint32_t result = 0;
    const uint32_t determinant[] = {3, 4, 5, 6};
    int removed = BytesRemovedByCallee(reinterpret_cast<void *>(GetProcAddress(quelm, "iDeterminant")),
                                       determinant, 4, &result);
    Check(removed == 16 && result == static_cast<uint32_t>(-2),
          "iDeterminant(3, 4, 5, 6): removed %d bytes (16), gave %d (-2)", removed,
          static_cast<int>(result));

    const uint32_t term[] = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(idle))};
    removed = BytesRemovedByCallee(reinterpret_cast<void *>(GetProcAddress(quelm, "CameraTerm")),
                                   term, 1, &result);
    Check(removed == 4, "CameraTerm removed %d bytes (4)", removed);

    const uint32_t update[] = {term[0], 7, 8, 9};
    removed = BytesRemovedByCallee(reinterpret_cast<void *>(GetProcAddress(quelm, "UpdateCamera")),
                                   update, 4, &result);
    Check(removed == 0, "UpdateCamera removed %d bytes: not caller-pops", removed);
}
#endif

// ------------------------------------------------------------------- frames

struct DibSection {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
};

uint8_t *DibPixels(HostBitmap &bitmap, void *context) {
    auto *dib = static_cast<DibSection *>(context);
    if (dib->bitmap) DeleteObject(dib->bitmap);
    void *bits = nullptr;
    dib->bitmap = CreateDIBSection(dib->dc, bitmap.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    return static_cast<uint8_t *>(bits);
}

void RenderFrames(HMODULE quelm, const std::string &dir) {
    HostCalls calls = {
        Proc<decltype(&InitScene)>(quelm, "InitScene"),
        Proc<decltype(&DestroyScene)>(quelm, "DestroyScene"),
        Proc<decltype(&SetSceneSetting)>(quelm, "SetSceneSetting"),
        Proc<decltype(&ResetSceneSetting)>(quelm, "ResetSceneSetting"),
        Proc<decltype(&RenderRate)>(quelm, "RenderRate"),
        Proc<decltype(&RenderScene)>(quelm, "RenderScene"),
        Proc<decltype(&InitCamera)>(quelm, "InitCamera"),
        Proc<decltype(&DestroyCamera)>(quelm, "DestroyCamera"),
        Proc<decltype(&WorldToScreen)>(quelm, "WorldToScreen"),
    };
    CreateDirectoryA(dir.c_str(), nullptr);
    DibSection dib;
    dib.dc = CreateCompatibleDC(nullptr);
    const int frameFailures = RenderHostFrames(calls, dir, DibPixels, &dib);
    Check(frameFailures == 0, "%d frame(s) failed", frameFailures);
    if (dib.bitmap) DeleteObject(dib.bitmap);
    DeleteDC(dib.dc);
}

// ------------------------------------------------------------------ dialogs

struct DialogCalls {
    decltype(&ChangeView) changeView;
    decltype(&ViewChanged) viewChanged;
    decltype(&DoCoordinateSystemDlg) doCoordinateSystemDlg;
    decltype(&ChangeSpinDemo) changeSpinDemo;
    decltype(&SpinDemoChanged) spinDemoChanged;
    decltype(&DoSpinDemoFeaturesDlg) doSpinDemoFeaturesDlg;
    decltype(&InitCamera) initCamera;
    decltype(&DestroyCamera) destroyCamera;
    decltype(&UpdateCamera) updateCamera;
};

// One slider move: the message and request sent to the bar, then what must
// follow: the value it shows, whether a report is posted, and what the
// host's camera reads once the report has been answered.
struct ScrollStep {
    int bar;
    UINT message;  // WM_VSCROLL or WM_HSCROLL
    int request;   // SB_*
    int thumb;     // position for SB_THUMBPOSITION and SB_THUMBTRACK
    int value;     // the slider's value afterwards
    bool reported;
    const char *member;   // camera member checked afterwards, or null
    double (*read)();     // its value
    double expected;
};

struct DialogScript {
    const char *caption;
    int firstBar;
    std::vector<int> initial;  // each slider's value when the dialog opens
    std::vector<ScrollStep> steps;
    int closeWith;             // IDOK or IDCANCEL
};

struct Report {
    WPARAM id;
    LPARAM value;
};

// State of the running script, shared by the host window's messages.
struct Driver {
    const DialogScript *script = nullptr;
    HWND dialog = nullptr;
    size_t next = 0;
    bool pending = false;      // the last step still awaits its checks
    size_t reportsBefore = 0;  // reports seen before the last step
    int ticks = 0;
    bool closing = false;
    bool unexpectedDialog = false;  // --renamed: a dialog must not appear
};

DialogCalls dialogCalls;
CAMERA *dolly = nullptr;
CAMERA *spin = nullptr;
std::vector<Report> reports;
Driver driver;

constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMs = 15;
constexpr int kMaxTicks = 4000;  // about a minute: then the dialog is given up
constexpr int kNumberOffset = 20;  // a slider's number has the slider's id + 20

SPINDEMO_VIEW *SpinRecord() { return static_cast<SPINDEMO_VIEW *>(spin->Control); }

const char *RequestName(int request) {
    static const char *const names[] = {"LINEUP",  "LINEDOWN",      "PAGEUP",
                                        "PAGEDOWN", "THUMBPOSITION", "THUMBTRACK",
                                        "TOP",     "BOTTOM",        "ENDSCROLL"};
    return request >= 0 && request <= 8 ? names[request] : "?";
}

void CheckSlider(int bar, int value, const char *when) {
    HWND control = GetDlgItem(driver.dialog, bar);
    Check(control != nullptr, "%s: no slider %d", driver.script->caption, bar);
    if (!control) return;
    const int position = GetScrollPos(control, SB_CTL);
    Check(position == value, "%s %s: slider %d at %d, expected %d", driver.script->caption, when,
          bar, position, value);
    char text[32] = "";
    GetDlgItemTextA(driver.dialog, bar + kNumberOffset, text, sizeof text);
    char want[32];
    std::snprintf(want, sizeof want, "%d", value);
    Check(std::strcmp(text, want) == 0, "%s %s: number %d shows \"%s\", expected \"%s\"",
          driver.script->caption, when, bar + kNumberOffset, text, want);
}

void CheckStep(const ScrollStep &step) {
    char when[64];
    std::snprintf(when, sizeof when, "after %s on %d", RequestName(step.request), step.bar);
    CheckSlider(step.bar, step.value, when);
    const size_t count = reports.size() - driver.reportsBefore;
    if (step.reported) {
        const Report *r = count == 1 ? &reports.back() : nullptr;
        Check(r && r->id == static_cast<WPARAM>(step.bar) &&
                  r->value == static_cast<LPARAM>(static_cast<uint16_t>(step.value)),
              "%s %s: %d report(s); expected WM_COMMAND %d, %u", driver.script->caption, when,
              static_cast<int>(count), step.bar, static_cast<uint16_t>(step.value));
    } else {
        Check(count == 0, "%s %s: %d report(s) for a request that is not handled",
              driver.script->caption, when, static_cast<int>(count));
    }
    if (step.member) {
        const double actual = step.read();
        Check(actual == step.expected, "%s %s: camera %s is %.17g, expected %.17g",
              driver.script->caption, when, step.member, actual, step.expected);
    }
}

void Tick(HWND host) {
    if (++driver.ticks > kMaxTicks) {
        Check(false, "%s: the script did not finish in time", driver.script->caption);
        KillTimer(host, kTimer);
        if (driver.dialog) PostMessageA(driver.dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (!driver.dialog) {
        driver.dialog = FindWindowA("#32770", driver.script->caption);
        if (!driver.dialog) return;
        if (driver.unexpectedDialog) {
            Check(false, "%s opened although QUELM.DLL cannot be loaded", driver.script->caption);
            KillTimer(host, kTimer);
            PostMessageA(driver.dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        for (size_t i = 0; i < driver.script->initial.size(); ++i)
            CheckSlider(driver.script->firstBar + static_cast<int>(i), driver.script->initial[i],
                        "on opening");
        return;
    }
    if (driver.pending) {
        CheckStep(driver.script->steps[driver.next - 1]);
        driver.pending = false;
    }
    if (driver.next < driver.script->steps.size()) {
        const ScrollStep &step = driver.script->steps[driver.next++];
        driver.reportsBefore = reports.size();
        driver.pending = true;
        const WPARAM request = MAKEWPARAM(step.request, static_cast<WORD>(step.thumb));
        SendMessageA(driver.dialog, step.message, request,
                     reinterpret_cast<LPARAM>(GetDlgItem(driver.dialog, step.bar)));
        return;
    }
    if (!driver.closing) {
        // Press the button as a user would; its click reaches the dialog as
        // WM_COMMAND.
        driver.closing = true;
        SendMessageA(GetDlgItem(driver.dialog, driver.script->closeWith), BM_CLICK, 0, 0);
        return;
    }
    if (IsWindow(driver.dialog)) {
        Check(false, "%s: the %s button did not close it", driver.script->caption,
              driver.script->closeWith == IDOK ? "OK" : "Cancel");
        KillTimer(host, kTimer);
        PostMessageA(driver.dialog, WM_COMMAND, driver.script->closeWith, 0);
    }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        reports.push_back({wParam, lParam});
        // A host that tunes live answers each report.
        if (wParam >= 101 && wParam <= 109 && dolly) dialogCalls.viewChanged(dolly);
        if (wParam >= 201 && wParam <= 208 && spin) dialogCalls.spinDemoChanged(spin);
        return 0;
    case WM_TIMER:
        if (wParam == kTimer && driver.script) Tick(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND MakeHostWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuelmTestHost";
    RegisterClassA(&wc);
    return CreateWindowA("QuelmTestHost", "quelm test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                         CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

// Opens a dialog with open() while the script drives it from the timer;
// returns what the opening call returned.
int RunDialog(HWND host, const DialogScript &script, int32_t(QUELMAPI *open)(HWND),
              bool unexpected = false) {
    driver = Driver{};
    driver.script = &script;
    driver.unexpectedDialog = unexpected;
    reports.clear();
    SetTimer(host, kTimer, kTickMs, nullptr);
    const int result = open(host);
    KillTimer(host, kTimer);
    if (!unexpected) {
        Check(driver.dialog != nullptr, "%s never appeared (result %d)", script.caption, result);
        Check(driver.next == script.steps.size() && !driver.pending,
              "%s closed before its script ended", script.caption);
    }
    return result;
}

void CheckCoordinateDialog(HWND host) {
    constexpr double kPi = 3.141592654;
    dolly = dialogCalls.initCamera(VIEW_DOLLY);
    if (!Check(dolly != nullptr, "InitCamera(VIEW_DOLLY) failed")) return;
    dolly->ViewDistance = 14950;
    dolly->Ytarget = -300;
    dolly->Xcamera = 2000.7;
    dolly->Ycamera = -1500.9;
    dolly->Zcamera = 600;
    dolly->Magnification = 1.0;
    dolly->Xn = 0.25;
    dolly->RenderRect = RECT{0, 0, 319, 199};
    dialogCalls.changeView(dolly);

    auto vd = [] { return dolly->ViewDistance; };
    auto xt = [] { return dolly->Xtarget; };
    auto yt = [] { return dolly->Ytarget; };
    auto zt = [] { return dolly->Ztarget; };
    auto xc = [] { return dolly->Xcamera; };
    auto yc = [] { return dolly->Ycamera; };
    auto zc = [] { return dolly->Zcamera; };
    auto bank = [] { return dolly->BankAngle; };
    auto mag = [] { return dolly->Magnification; };
    const DialogScript first = {
        "Control View",
        101,
        {14950, 0, -300, 0, 2000, -1500, 600, 0, 1000},
        {
            {101, WM_VSCROLL, SB_PAGEDOWN, 0, 15000, true, "ViewDistance", vd, 15000},
            {101, WM_VSCROLL, SB_LINEDOWN, 0, 15000, true, "ViewDistance", vd, 15000},
            {101, WM_VSCROLL, SB_TOP, 0, 0, true, "ViewDistance", vd, 0},
            {101, WM_VSCROLL, SB_PAGEDOWN, 0, 100, true, "ViewDistance", vd, 100},
            {102, WM_VSCROLL, SB_THUMBTRACK, -1200, -1200, true, "Xtarget", xt, -1200},
            {103, WM_VSCROLL, SB_LINEUP, 0, -301, true, "Ytarget", yt, -301},
            {104, WM_HSCROLL, SB_LINEDOWN, 0, 1, true, "Ztarget", zt, 1},
            {104, WM_VSCROLL, SB_ENDSCROLL, 0, 1, false, "Ztarget", zt, 1},
            {105, WM_VSCROLL, SB_THUMBPOSITION, 14990, 14990, true, "Xcamera", xc, 14990},
            {105, WM_VSCROLL, SB_PAGEDOWN, 0, 15000, true, "Xcamera", xc, 15000},
            {106, WM_VSCROLL, SB_PAGEUP, 0, -1600, true, "Ycamera", yc, -1600},
            {107, WM_VSCROLL, SB_BOTTOM, 0, 15000, true, "Zcamera", zc, 15000},
            {108, WM_VSCROLL, SB_THUMBTRACK, 20, 20, true, "BankAngle", bank, 20 / 180.0 * kPi},
            {108, WM_VSCROLL, SB_PAGEUP, 0, 5, true, "BankAngle", bank, 5 / 180.0 * kPi},
            {108, WM_VSCROLL, SB_PAGEUP, 0, 0, true, "BankAngle", bank, 0},
            {109, WM_VSCROLL, SB_LINEUP, 0, 999, true, "Magnification", mag, 999 / 1000.0},
            {109, WM_VSCROLL, SB_BOTTOM, 0, 2500, true, "Magnification", mag, 2.5},
        },
        IDOK,
    };
    int result = RunDialog(host, first, dialogCalls.doCoordinateSystemDlg);
    Check(result == 1, "Control View closed with OK returned %d", result);
    Check(dolly->Xn == 0.25 && dolly->RenderRect.right == 319 && dolly->View == VIEW_DOLLY &&
              dolly->Control == nullptr,
          "ViewChanged touched members outside the dialog's");

    // Opened again without ChangeView, it shows what it was closed with;
    // Cancel undoes none of the moves already reported.
    const DialogScript second = {
        "Control View",
        101,
        {100, -1200, -301, 1, 15000, -1600, 15000, 0, 2500},
        {
            {101, WM_VSCROLL, SB_LINEDOWN, 0, 101, true, "ViewDistance", vd, 101},
            {101, WM_VSCROLL, SB_LINEDOWN, 0, 102, true, "ViewDistance", vd, 102},
            {108, WM_VSCROLL, SB_BOTTOM, 0, 359, true, "BankAngle", bank, 359 / 180.0 * kPi},
        },
        IDCANCEL,
    };
    result = RunDialog(host, second, dialogCalls.doCoordinateSystemDlg);
    Check(result == 0, "Control View closed with Cancel returned %d", result);
    Check(reports.size() == 3, "Control View: %d reports for 3 moves",
          static_cast<int>(reports.size()));
    Check(dolly->ViewDistance == 102, "Cancel undid a reported move");
}

// The spin record's integer members, read as the script's doubles.
double Member(int32_t value) { return static_cast<double>(value); }

void CheckSpinDialog(HWND host) {
    spin = dialogCalls.initCamera(VIEW_SPIN);
    if (!Check(spin != nullptr && spin->Control != nullptr, "InitCamera(VIEW_SPIN) failed"))
        return;
    dialogCalls.changeSpinDemo(spin);

    auto cameraStep = [] { return Member(SpinRecord()->CameraStep); };
    auto targetStep = [] { return Member(SpinRecord()->TargetStep); };
    auto targetRadius = [] { return Member(SpinRecord()->TargetRadius); };
    auto tw = [] { return Member(SpinRecord()->TW); };
    auto mag = [] { return SpinRecord()->Magnification; };
    const DialogScript script = {
        "Spin Demo View",
        201,
        {2700, 540, 128, 360, 72, 0, 0, 1000},
        {
            {206, WM_VSCROLL, SB_PAGEDOWN, 0, 10, true, "CameraStep", cameraStep, 10},
            {206, WM_VSCROLL, SB_BOTTOM, 0, 150, true, "CameraStep", cameraStep, 150},
            {207, WM_VSCROLL, SB_THUMBTRACK, -300, -300, true, "TargetStep", targetStep, -300},
            {202, WM_VSCROLL, SB_PAGEUP, 0, 530, true, "TargetRadius", targetRadius, 530},
            {203, WM_VSCROLL, SB_THUMBPOSITION, -1500, -1500, true, "TW", tw, -1500},
            {208, WM_VSCROLL, SB_LINEUP, 0, 999, true, "Magnification", mag, 999 / 1000.0},
            {208, WM_VSCROLL, SB_TOP, 0, 1, true, "Magnification", mag, 1 / 1000.0},
        },
        IDOK,
    };
    const int result = RunDialog(host, script, dialogCalls.doSpinDemoFeaturesDlg);
    Check(result == 1, "Spin Demo View closed with OK returned %d", result);

    // The next update moves the camera by the new parameters: one step of
    // 15 degrees for the camera, -30 for the target on its 530 circle.
    dialogCalls.updateCamera(spin, 1, 2.5);
    Check(spin->Xcamera == 2608 && spin->Ycamera == 699 && spin->Zcamera == 360,
          "spin camera after one step at (%g, %g, %g), expected (2608, 699, 360)", spin->Xcamera,
          spin->Ycamera, spin->Zcamera);
    Check(spin->Xtarget == 459 && spin->Ytarget == -264 && spin->Ztarget == 72,
          "spin target after one step at (%g, %g, %g), expected (459, -264, 72)", spin->Xtarget,
          spin->Ytarget, spin->Ztarget);
    Check(spin->Magnification == 0.001, "spin camera magnification %g, expected 0.001",
          spin->Magnification);
}

DialogCalls ResolveDialogCalls(HMODULE quelm) {
    return {
        Proc<decltype(&ChangeView)>(quelm, "ChangeView"),
        Proc<decltype(&ViewChanged)>(quelm, "ViewChanged"),
        Proc<decltype(&DoCoordinateSystemDlg)>(quelm, "DoCoordinateSystemDlg"),
        Proc<decltype(&ChangeSpinDemo)>(quelm, "ChangeSpinDemo"),
        Proc<decltype(&SpinDemoChanged)>(quelm, "SpinDemoChanged"),
        Proc<decltype(&DoSpinDemoFeaturesDlg)>(quelm, "DoSpinDemoFeaturesDlg"),
        Proc<decltype(&InitCamera)>(quelm, "InitCamera"),
        Proc<decltype(&DestroyCamera)>(quelm, "DestroyCamera"),
        Proc<decltype(&UpdateCamera)>(quelm, "UpdateCamera"),
    };
}

bool AllResolved(const DialogCalls &calls) {
    return calls.changeView && calls.viewChanged && calls.doCoordinateSystemDlg &&
           calls.changeSpinDemo && calls.spinDemoChanged && calls.doSpinDemoFeaturesDlg &&
           calls.initCamera && calls.destroyCamera && calls.updateCamera;
}

int Finish() {
    std::printf("quelmhost: %d checks, %d failed\n", checks, failures);
    return failures ? 1 : 0;
}

// A copy of the library under another file name: the dialogs look for
// "QUELM.DLL" and so cannot reach their templates.
int RunRenamed(const char *file) {
    HMODULE quelm = LoadLibraryA(file);
    if (!Check(quelm != nullptr, "cannot load %s", file)) return Finish();
    Check(GetModuleHandleA("QUELM.DLL") == nullptr, "a QUELM.DLL is loaded");
    dialogCalls = ResolveDialogCalls(quelm);
    if (!Check(AllResolved(dialogCalls), "%s lacks the dialog calls", file)) return Finish();
    HWND host = MakeHostWindow();
    const DialogScript coordinate = {"Control View", 101, {}, {}, IDCANCEL};
    const DialogScript spinDemo = {"Spin Demo View", 201, {}, {}, IDCANCEL};
    int result = RunDialog(host, coordinate, dialogCalls.doCoordinateSystemDlg, true);
    Check(result == -1, "DoCoordinateSystemDlg from %s returned %d, expected -1", file, result);
    result = RunDialog(host, spinDemo, dialogCalls.doSpinDemoFeaturesDlg, true);
    Check(result == -1, "DoSpinDemoFeaturesDlg from %s returned %d, expected -1", file, result);
    Check(reports.empty(), "reports posted without a dialog");
    DestroyWindow(host);
    FreeLibrary(quelm);
    return Finish();
}

int RunAll(const std::string &framesDir) {
    HMODULE quelm = LoadLibraryA("QUELM.DLL");
    if (!Check(quelm != nullptr, "LoadLibraryA(\"QUELM.DLL\") failed (error %lu)",
               GetLastError()))
        return Finish();
    CheckExports(quelm);
    CheckResources(quelm);
    dialogCalls = ResolveDialogCalls(quelm);
    if (!Check(AllResolved(dialogCalls), "QUELM.DLL lacks the camera or dialog calls"))
        return Finish();

    CAMERA *idle = dialogCalls.initCamera(5);
#if defined(__i386__)
    if (idle) CheckCallingConventions(quelm, idle);
#endif
    if (idle) dialogCalls.destroyCamera(idle);

    RenderFrames(quelm, framesDir);

    HWND host = MakeHostWindow();
    Check(host != nullptr, "no host window");
    if (host) {
        CheckCoordinateDialog(host);
        CheckSpinDialog(host);
        DestroyWindow(host);
    }
    if (dolly) dialogCalls.destroyCamera(dolly);
    if (spin) dialogCalls.destroyCamera(spin);
    FreeLibrary(quelm);
    return Finish();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--renamed") == 0) return RunRenamed(argv[2]);
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: quelmhost [FRAMES_DIR] | quelmhost --renamed FILE.DLL\n");
        return 2;
    }
    return RunAll(argc == 2 ? argv[1] : "frames");
}
