// quelmhost - what only a Windows host of QUELM.DLL can show: the library
// loaded with LoadLibraryA, every export by name and ordinal, the frames of
// hostframes.h in DIB sections (compared with the native library's), both
// dialogs driven by real scroll messages, and, for a copy under another name
// (--renamed FILE.DLL), dialogs that return -1.
// Usage: quelmhost [FRAMES_DIR] | quelmhost --renamed FILE.DLL
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
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

constexpr struct {
    const char *name;
    int ordinal;
} kExports[] = {
#define QUELM_EXPORT(name, ordinal) {#name, ordinal},
#include "QUELM.inc"
#undef QUELM_EXPORT
};

template <typename F>
F Proc(HMODULE module, const char *name) {
    return reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}
#define QUELM_PROC(module, call) Proc<decltype(&call)>(module, #call)

// Every export is found by its plain name and by its ordinal, at one address.
void CheckExports(HMODULE quelm) {
    for (const auto &row : kExports) {
        FARPROC byName = GetProcAddress(quelm, row.name);
        Check(byName && byName == GetProcAddress(quelm, MAKEINTRESOURCEA(row.ordinal)),
              "%s: not found by name, or ordinal %d gives another address", row.name,
              row.ordinal);
    }
}

uint8_t *DibPixels(HostBitmap &bitmap, void *context) {
    auto *dib = static_cast<HBITMAP *>(context);
    if (*dib) DeleteObject(*dib);
    void *bits = nullptr;
    *dib = CreateDIBSection(nullptr, bitmap.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    return static_cast<uint8_t *>(bits);
}

void RenderFrames(HMODULE quelm, const std::string &dir) {
    const HostCalls calls = {
        QUELM_PROC(quelm, InitScene),         QUELM_PROC(quelm, DestroyScene),
        QUELM_PROC(quelm, SetSceneSetting),   QUELM_PROC(quelm, ResetSceneSetting),
        QUELM_PROC(quelm, RenderRate),        QUELM_PROC(quelm, RenderScene),
        QUELM_PROC(quelm, InitCamera),        QUELM_PROC(quelm, DestroyCamera),
    };
    CreateDirectoryA(dir.c_str(), nullptr);
    HBITMAP dib = nullptr;
    const int frameFailures = RenderHostFrames(calls, dir, DibPixels, &dib);
    Check(frameFailures == 0, "%d frame(s) failed", frameFailures);
    if (dib) DeleteObject(dib);
}

// One slider move sent as WM_VSCROLL, and what must follow: the bar's
// position, one WM_COMMAND report of it, and (when member is set) the host's
// camera once the report has been answered.
struct Move {
    int bar;
    int request;  // SB_*
    int thumb;    // position for SB_THUMBTRACK
    int value;
    const double *member;
    double expected;
};

struct Script {
    const char *caption;
    std::vector<Move> moves;
    int closeWith;  // IDOK or IDCANCEL
};

struct Driver {
    const Script *script = nullptr;
    HWND dialog = nullptr;
    size_t next = 0;
    size_t reportsBefore = 0;
    bool closing = false;
    int ticks = 0;
} driver;

std::vector<std::pair<WPARAM, LPARAM>> reports;
HMODULE library = nullptr;
CAMERA *dolly = nullptr;
CAMERA *spin = nullptr;
constexpr UINT_PTR kTimer = 1;
constexpr int kMaxTicks = 4000;  // about a minute of 15 ms ticks

void CheckMove(const Move &move) {
    const int position = GetScrollPos(GetDlgItem(driver.dialog, move.bar), SB_CTL);
    const size_t count = reports.size() - driver.reportsBefore;
    Check(position == move.value && count == 1 &&
              reports.back() == std::make_pair(WPARAM(move.bar), LPARAM(uint16_t(move.value))),
          "%s: slider %d at %d with %d report(s), expected %d and one report",
          driver.script->caption, move.bar, position, static_cast<int>(count), move.value);
    if (move.member)
        Check(*move.member == move.expected, "%s: slider %d left the camera at %.17g, not %.17g",
              driver.script->caption, move.bar, *move.member, move.expected);
}

void Tick(HWND host) {
    const std::vector<Move> &moves = driver.script->moves;
    if (++driver.ticks > kMaxTicks || (driver.closing && IsWindow(driver.dialog))) {
        Check(false, "%s: the script did not finish", driver.script->caption);
        KillTimer(host, kTimer);
        if (driver.dialog) PostMessageA(driver.dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (!driver.dialog) driver.dialog = FindWindowA("#32770", driver.script->caption);
    else if (driver.next > 0) CheckMove(moves[driver.next - 1]);
    if (!driver.dialog || driver.closing) return;
    if (driver.next < moves.size()) {
        const Move &move = moves[driver.next++];
        driver.reportsBefore = reports.size();
        SendMessageA(driver.dialog, WM_VSCROLL, MAKEWPARAM(move.request, move.thumb),
                     reinterpret_cast<LPARAM>(GetDlgItem(driver.dialog, move.bar)));
    } else {
        // The button is pressed as a user would; its click reaches the dialog.
        driver.closing = true;
        SendMessageA(GetDlgItem(driver.dialog, driver.script->closeWith), BM_CLICK, 0, 0);
    }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        reports.emplace_back(wParam, lParam);
        // A host that tunes live answers each report.
        if (wParam >= 101 && wParam <= 109) QUELM_PROC(library, ViewChanged)(dolly);
        if (wParam >= 201 && wParam <= 208) QUELM_PROC(library, SpinDemoChanged)(spin);
        return 0;
    }
    if (message == WM_TIMER && driver.script) {
        Tick(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Opens a dialog with open() while the script drives it from the timer;
// returns what the opening call returned.
int RunDialog(HWND host, const Script &script, int32_t(QUELMAPI *open)(HWND)) {
    driver = Driver{&script};
    reports.clear();
    SetTimer(host, kTimer, 15, nullptr);
    const int result = open(host);
    KillTimer(host, kTimer);
    return result;
}

void CheckDialogs(HWND host) {
    dolly = QUELM_PROC(library, InitCamera)(VIEW_DOLLY);
    spin = QUELM_PROC(library, InitCamera)(VIEW_SPIN);
    if (!Check(dolly && spin, "InitCamera failed")) return;
    dolly->ViewDistance = 14950;
    dolly->Ytarget = -300;
    dolly->Magnification = 1.0;
    QUELM_PROC(library, ChangeView)(dolly);
    const Script view = {"Control View",
                         {{101, SB_PAGEDOWN, 0, 15000, &dolly->ViewDistance, 15000},
                          {102, SB_THUMBTRACK, -1200, -1200, &dolly->Xtarget, -1200},
                          {103, SB_LINEUP, 0, -301, &dolly->Ytarget, -301},
                          {108, SB_THUMBTRACK, 20, 20, &dolly->BankAngle, 20 / 180.0 * 3.141592654},
                          {109, SB_BOTTOM, 0, 2500, &dolly->Magnification, 2.5}},
                         IDOK};
    int result = RunDialog(host, view, QUELM_PROC(library, DoCoordinateSystemDlg));
    Check(result == 1 && driver.next == view.moves.size(),
          "Control View returned %d after %d moves", result, static_cast<int>(driver.next));

    QUELM_PROC(library, ChangeSpinDemo)(spin);
    const Script spinScript = {"Spin Demo View",
                               {{206, SB_BOTTOM, 0, 150, nullptr, 0},
                                {207, SB_THUMBTRACK, -300, -300, nullptr, 0},
                                {202, SB_PAGEUP, 0, 530, nullptr, 0},
                                {208, SB_TOP, 0, 1, nullptr, 0}},
                               IDCANCEL};
    result = RunDialog(host, spinScript, QUELM_PROC(library, DoSpinDemoFeaturesDlg));
    Check(result == 0, "Spin Demo View closed with Cancel returned %d", result);
    // The reported moves stay: one step of 15 degrees for the camera, -30
    // for the target on its 530 circle.
    QUELM_PROC(library, UpdateCamera)(spin, 1, 2.5);
    Check(spin->Xcamera == 2608 && spin->Ycamera == 699 && spin->Xtarget == 459 &&
              spin->Ytarget == -264 && spin->Magnification == 0.001,
          "spin camera at (%g, %g) looking at (%g, %g), magnification %g", spin->Xcamera,
          spin->Ycamera, spin->Xtarget, spin->Ytarget, spin->Magnification);
}

HWND MakeHostWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuelmTestHost";
    RegisterClassA(&wc);
    return CreateWindowA("QuelmTestHost", "quelm test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                         CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, nullptr, nullptr, wc.hInstance,
                         nullptr);
}

}  // namespace

int main(int argc, char **argv) {
    const bool renamed = argc == 3 && std::strcmp(argv[1], "--renamed") == 0;
    if (!renamed && (argc > 2 || (argc == 2 && argv[1][0] == '-'))) {
        std::fprintf(stderr, "usage: quelmhost [FRAMES_DIR] | quelmhost --renamed FILE.DLL\n");
        return 2;
    }
    library = LoadLibraryA(renamed ? argv[2] : "QUELM.DLL");
    HWND host = library ? MakeHostWindow() : nullptr;
    if (Check(host != nullptr, "cannot load the library or make a window") && renamed) {
        // The dialogs look for "QUELM.DLL" and so cannot reach their templates.
        const Script none = {"", {}, IDCANCEL};
        for (auto open : {QUELM_PROC(library, DoCoordinateSystemDlg),
                          QUELM_PROC(library, DoSpinDemoFeaturesDlg)}) {
            const int result = RunDialog(host, none, open);
            Check(result == -1 && reports.empty(), "a dialog of %s returned %d, expected -1",
                  argv[2], result);
        }
    } else if (host) {
        CheckExports(library);
        RenderFrames(library, argc == 2 ? argv[1] : "frames");
        CheckDialogs(host);
    }
    std::printf("quelmhost: %d checks, %d failed\n", checks, failures);
    return failures ? 1 : 0;
}
