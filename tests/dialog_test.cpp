// The tuning dialogs driven through the platform layer by a scripted dialog
// host, the camera <-> table conversions and the dialog template generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

#include "camera/camera.h"
#include "quelm_dialoghost.h"

namespace {

struct Control {
    int kind;
    std::string text;
    int x, y, cx, cy;
    uint32_t style;
    int min, max, pos;
};
using Controls = std::multimap<int, Control>;  // by identifier; captions share 65535

Controls Read(HWND hDlg) {
    Controls out;
    for (int32_t i = 0; i < QuelmDialogItemCount(hDlg); ++i) {
        HWND h = QuelmDialogItemAt(hDlg, i);
        QUELM_DIALOG_ITEM item;
        if (!QuelmGetDialogItem(h, &item)) continue;
        char text[64];
        GetWindowTextA(h, text, sizeof text);
        Control c{item.kind, text, item.x, item.y, item.cx, item.cy, item.style, 0, 0, 0};
        GetScrollRange(h, SB_CTL, &c.min, &c.max);
        c.pos = GetScrollPos(h, SB_CTL);
        out.emplace(item.id, c);
    }
    return out;
}

// Plays a list of user actions, then closes; records what it was shown.  A
// dialog that keeps asking long after the close fails the test at once instead
// of hanging it.
struct ScriptedHost {
    std::vector<QUELM_DIALOG_ACTION> actions;
    size_t next = 0;
    int shows = 0, hides = 0;
    QUELM_DIALOG_ITEM dialog{};
    std::string caption;
    Controls shown;                      // at show()
    std::vector<Controls> before;        // before each action
    std::vector<QUELM_POSTED_MESSAGE> posted;
    std::function<void(const QUELM_POSTED_MESSAGE &)> onPosted;
    std::function<void(HWND)> onAction;  // runs before each action is handed over
};

void Show(void *ctx, HWND hDlg) {
    auto *h = static_cast<ScriptedHost *>(ctx);
    ++h->shows;
    QuelmGetDialogItem(hDlg, &h->dialog);
    char text[64];
    GetWindowTextA(hDlg, text, sizeof text);
    h->caption = text;
    h->shown = Read(hDlg);
}
void Next(void *ctx, HWND hDlg, QUELM_DIALOG_ACTION *a) {
    auto *h = static_cast<ScriptedHost *>(ctx);
    h->before.push_back(Read(hDlg));
    if (h->before.size() > h->actions.size() + 20) {
        ADD_FAILURE() << "the dialog did not end after its " << h->actions.size() << " actions";
        std::_Exit(1);
    }
    if (h->onAction) h->onAction(hDlg);
    *a = h->next < h->actions.size() ? h->actions[h->next++]
                                     : QUELM_DIALOG_ACTION{QUELM_ACTION_CLOSE, 0, 0, 0};
}
void Posted(void *ctx, const QUELM_POSTED_MESSAGE *m) {
    auto *h = static_cast<ScriptedHost *>(ctx);
    h->posted.push_back(*m);
    if (h->onPosted) h->onPosted(*m);
}
void Hide(void *ctx, HWND) { ++static_cast<ScriptedHost *>(ctx)->hides; }

QUELM_DIALOG_ACTION Scroll(int id, int code, int pos = 0) {
    return {QUELM_ACTION_SCROLL, id, code, pos};
}
constexpr QUELM_DIALOG_ACTION kOk = {QUELM_ACTION_OK, 0, 0, 0};
constexpr QUELM_DIALOG_ACTION kCancel = {QUELM_ACTION_CANCEL, 0, 0, 0};

const HWND kAppWnd = reinterpret_cast<HWND>(0x5150);

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { Attach(); }
    void TearDown() override {
        QuelmSetDialogHost(nullptr);
        QuelmSetOwnModuleReachable(TRUE);
        QUELM_POSTED_MESSAGE m;
        while (QuelmGetPostedMessage(&m)) continue;
    }
    // A fresh script for the next opening.
    void Attach(std::vector<QUELM_DIALOG_ACTION> actions = {}) {
        host = ScriptedHost{};
        host.actions = std::move(actions);
        const QUELM_DIALOG_HOST callbacks = {&host, Show, Next, Posted, Hide};
        QuelmSetDialogHost(&callbacks);
    }
    ScriptedHost host;
};

INT_PTR CALLBACK PlainProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(hDlg, 7);
    return FALSE;
}

INT_PTR OpenTemplate(const char *name) {
    HMODULE module = LoadLibraryA("QUELM.DLL");
    EXPECT_NE(module, nullptr);
    const INT_PTR result = DialogBoxParamA(module, name, kAppWnd, PlainProc, 0);
    FreeLibrary(module);
    return result;
}

// Each template as the host was shown it (closed through Cancel, whose result
// is 7 here): caption, size, font, number of controls and one of them.  No
// other template, module or host: -1, and nothing is shown.
TEST_F(DialogTest, OnlyTheLibrarysOwnModuleAndTemplatesAreFound) {
    const struct {
        const char *name, *caption;
        int cx, cy;
        size_t count;
        int id;
        Control sample;
    } templates[] = {
        {"CoordinateSystem", "Control View", 150, 89, 25, IDCANCEL,
         {QUELM_ITEM_BUTTON, "Cancel", 9, 76, 38, 10, 0, 0, 0, 0}},
        {"spindemofeatures", "Spin Demo View", 117, 90, 26, 208,  // any case
         {QUELM_ITEM_SCROLLBAR, "", 102, 6, 6, 48, 0, 0, 0, 0}},
        {MAKEINTRESOURCEA(101), "Scene Settings", 185, 43, 4, 1001,
         {QUELM_ITEM_CHECKBOX, "Texture Stands", 3, 23, 113, 10, 0, 0, 0, 0}},
    };
    for (const auto &t : templates) {
        SCOPED_TRACE(t.caption);
        Attach();
        ASSERT_EQ(OpenTemplate(t.name), 7);
        EXPECT_EQ(host.caption, t.caption);
        EXPECT_EQ(host.dialog.cx, t.cx);
        EXPECT_EQ(host.dialog.cy, t.cy);
        EXPECT_EQ(host.dialog.pointsize, 8);
        EXPECT_STREQ(host.dialog.face, "System");
        EXPECT_EQ(host.shown.size(), t.count);
        ASSERT_EQ(host.shown.count(t.id), 1u);
        const Control &k = host.shown.find(t.id)->second;
        const Control &e = t.sample;
        EXPECT_EQ(std::tie(k.kind, k.text, k.x, k.y, k.cx, k.cy),
                  std::tie(e.kind, e.text, e.x, e.y, e.cx, e.cy));
    }
    EXPECT_EQ(host.dialog.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    EXPECT_TRUE(host.shown.find(IDOK)->second.style & BS_DEFPUSHBUTTON);

    Attach();
    for (const char *name : {"OTHER.DLL", "QUELM32.DLL"}) EXPECT_EQ(LoadLibraryA(name), nullptr);
    for (const char *name : {"quelm.dll", "C:\\games\\QUELM.DLL", "/opt/q/Quelm.dll", "QUELM"}) {
        HMODULE m = LoadLibraryA(name);
        EXPECT_NE(m, nullptr) << name;
        EXPECT_TRUE(FreeLibrary(m));
    }
    EXPECT_EQ(OpenTemplate("NoSuchDialog"), -1);
    EXPECT_EQ(OpenTemplate(MAKEINTRESOURCEA(102)), -1);
    // Without the module, then without a host.
    for (const BOOL reachable : {FALSE, TRUE}) {
        QuelmSetOwnModuleReachable(reachable);
        if (reachable) QuelmSetDialogHost(nullptr);
        EXPECT_EQ(DoCoordinateSystemDlg(kAppWnd), -1);
        EXPECT_EQ(DoSpinDemoFeaturesDlg(kAppWnd), -1);
    }
    EXPECT_EQ(host.shows, 0);
    // The module was released again: a later opening works.
    Attach({kOk});
    EXPECT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
}

struct Slider {
    int id, min, max, pos;
    const char *text;
};

// Each slider's range and thumb as the host was shown them, and its number.
void ExpectSliders(const Controls &shown, const std::vector<Slider> &sliders) {
    for (const Slider &e : sliders) {
        const Control &bar = shown.find(e.id)->second;
        EXPECT_EQ(std::tie(bar.min, bar.max, bar.pos), std::tie(e.min, e.max, e.pos)) << e.id;
        EXPECT_EQ(shown.find(e.id + 20)->second.text, e.text) << e.id;
    }
}

// Closing the host window at once gives 0, like Cancel.  Numbers are drawn in
// the stock font at height 4, captions and sliders in the dialog's; each
// opening replaces the previous opening's font.  A read of a control never
// writes before the buffer, past its count or through a null pointer.
TEST_F(DialogTest, OpeningShowsRangesNumbersAndFontsAndReadsStayInBounds) {
    const int32_t values[] = {1500, -12, 20000, 0, 0, 0, 360, 45, 1000};
    for (int i = 0; i < 9; ++i) CoordinateSystem[i].value = values[i];
    LOGFONTA stock{}, number{};
    GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof stock, &stock);
    HFONT font = nullptr, caption = nullptr, bar = nullptr;
    char reads[8] = "abcdefg";
    host.onAction = [&](HWND hDlg) {
        font = QuelmDialogItemFont(GetDlgItem(hDlg, 125));
        caption = QuelmDialogItemFont(GetDlgItem(hDlg, 65535));
        bar = QuelmDialogItemFont(GetDlgItem(hDlg, 105));
        ASSERT_EQ(GetObjectA(font, sizeof number, &number), static_cast<int>(sizeof number));
        EXPECT_EQ(GetWindowTextA(GetDlgItem(hDlg, 121), reads + 1, 0), 0);
        EXPECT_EQ(GetWindowTextA(GetDlgItem(hDlg, 121), nullptr, 8), 0);
        EXPECT_EQ(GetWindowTextA(GetDlgItem(hDlg, 121), reads + 1, 3), 2);
        int low = 0;
        EXPECT_FALSE(GetScrollRange(GetDlgItem(hDlg, 101), SB_CTL, &low, nullptr));
        EXPECT_FALSE(GetScrollRange(GetDlgItem(hDlg, 101), SB_CTL, nullptr, &low));
    };
    ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 0);
    ASSERT_EQ(host.shows, 1);
    ASSERT_EQ(host.hides, 1);
    // 20000 is beyond its slider: shown as it is, thumb at the end.
    ExpectSliders(host.shown, {{101, 0, 15000, 1500, "1500"},        {102, -15000, 15000, -12, "-12"},
                               {103, -15000, 15000, 15000, "20000"}, {104, -15000, 15000, 0, "0"},
                               {105, -15000, 15000, 0, "0"},         {106, -15000, 15000, 0, "0"},
                               {107, -15000, 15000, 360, "360"},     {108, 0, 359, 45, "45"},
                               {109, 0, 2500, 1000, "1000"}});
    EXPECT_TRUE(host.posted.empty());  // opening reports nothing
    EXPECT_EQ(std::string(reads, sizeof reads), std::string("a15\0efg", 8));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(caption, nullptr);
    EXPECT_EQ(bar, nullptr);
    stock.lfHeight = 4;
    EXPECT_EQ(std::memcmp(&number, &stock, sizeof stock), 0);
    const long fonts = QuelmFontsLive();
    Attach();
    ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 0);
    EXPECT_EQ(QuelmFontsLive(), fonts);
}

// The value, the number, the thumb and the report (the value's low 16 bits)
// after one request, then Cancel, which keeps the value.  A page moves by the
// page and the line step.
TEST_F(DialogTest, EveryScrollRequestMovesAndClamps) {
    const struct {
        int entry, start, code, thumb, result;
    } cases[] = {
        {0, 0, SB_LINEDOWN, 0, 1},         {0, 0, SB_LINEUP, 0, 0},
        {0, 0, SB_PAGEDOWN, 0, 100},       {0, 14950, SB_PAGEDOWN, 0, 15000},
        {0, 15000, SB_LINEDOWN, 0, 15000}, {0, 50, SB_PAGEUP, 0, 0},
        {1, 0, SB_TOP, 0, -15000},         {0, 700, SB_BOTTOM, 0, 15000},
        {0, 3, SB_THUMBTRACK, 1234, 1234}, {0, 3, SB_THUMBPOSITION, 77, 77},
        {1, 0, SB_THUMBTRACK, -1200, -1200},  // reported as 64336
        {7, 20, SB_PAGEUP, 0, 5},          {7, 350, SB_PAGEDOWN, 0, 359},
        {1, -14990, SB_PAGEUP, 0, -15000},
        // Beyond the range, a move clamps only at the limit it moves toward.
        {0, 20000, SB_LINEDOWN, 0, 15000}, {0, 20000, SB_LINEUP, 0, 19999},
        {0, -40, SB_LINEDOWN, 0, -39},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(testing::Message() << k.entry << " from " << k.start << " by " << k.code);
        CoordinateSystem[k.entry].value = k.start;
        Attach({Scroll(101 + k.entry, k.code, k.thumb), kCancel});
        ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 0);
        EXPECT_EQ(CoordinateSystem[k.entry].value, k.result);
        ASSERT_EQ(host.before.size(), 2u);
        EXPECT_EQ(host.before[1].find(121 + k.entry)->second.text, std::to_string(k.result));
        const Control &bar = host.before[1].find(101 + k.entry)->second;
        EXPECT_EQ(bar.pos, std::clamp(k.result, bar.min, bar.max));
        ASSERT_EQ(host.posted.size(), 1u);  // reported even when nothing moved
        const QUELM_POSTED_MESSAGE &m = host.posted[0];
        EXPECT_EQ(std::tie(m.hwnd, m.message, m.wParam, m.lParam),
                  std::make_tuple(kAppWnd, WM_COMMAND, WPARAM(101 + k.entry),
                                  LPARAM(k.result & 0xFFFF)));
    }
}

// Only the sliders' own requests of a known kind are handled; a handled one
// says so (TRUE), from either kind of slider.  Without a posted callback the
// reports wait in the queue, in order.
TEST_F(DialogTest, OnlyKnownRequestsFromTheSlidersAreHandled) {
    const QUELM_DIALOG_HOST callbacks = {&host, nullptr, Next, nullptr, nullptr};
    QuelmSetDialogHost(&callbacks);
    CoordinateSystem[0].value = 10;
    CoordinateSystem[8].value = 500;
    host.onAction = [](HWND hDlg) {
        if (CoordinateSystem[8].value != 500) return;
        EXPECT_EQ(CoordinateSystemDlgProc(hDlg, WM_HSCROLL, SB_PAGEDOWN,
                                          reinterpret_cast<LPARAM>(GetDlgItem(hDlg, 109))),
                  TRUE);
    };
    host.actions = {Scroll(101, SB_ENDSCROLL), Scroll(101, 99), Scroll(101, SB_LINEUP), kOk};
    ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
    EXPECT_EQ(CoordinateSystem[0].value, 9);
    EXPECT_EQ(CoordinateSystem[8].value, 600);
    for (const UINT message : {WM_VSCROLL, WM_COMMAND, 0x0200u})
        EXPECT_EQ(CoordinateSystemDlgProc(nullptr, message, 3, 0), FALSE) << message;
    std::vector<LPARAM> queued;
    for (QUELM_POSTED_MESSAGE m; QuelmGetPostedMessage(&m);) queued.push_back(m.lParam);
    EXPECT_EQ(queued, (std::vector<LPARAM>{600, 9}));
}

TEST_F(DialogTest, SpinDialogShowsTheSpinTableAndTunesLive) {
    CAMERA *camera = InitCamera(VIEW_SPIN);
    ASSERT_NE(camera, nullptr);
    ChangeSpinDemo(camera);
    // A live host: each report goes into the camera at once.
    host.onPosted = [camera](const QUELM_POSTED_MESSAGE &) { SpinDemoChanged(camera); };
    std::vector<int32_t> steps;
    host.onAction = [&](HWND) {
        steps.push_back(static_cast<SPINDEMO_VIEW *>(camera->Control)->CameraStep);
    };
    host.actions = {Scroll(206, SB_THUMBTRACK, 150), Scroll(206, SB_LINEDOWN), kOk};
    ASSERT_EQ(DoSpinDemoFeaturesDlg(kAppWnd), 1);
    EXPECT_EQ(steps, (std::vector<int32_t>{0, 150, 150}));  // the line step clamped
    // A new spin record's defaults, on each slider's range.
    ExpectSliders(host.shown, {{201, 0, 15000, 2700, "2700"}, {202, 0, 1500, 540, "540"},
                               {203, -1500, 1500, 128, "128"}, {204, 0, 15000, 360, "360"},
                               {205, -1500, 1500, 72, "72"},   {206, -150, 150, 0, "0"},
                               {207, -300, 300, 0, "0"},       {208, 1, 2500, 1000, "1000"}});
    EXPECT_EQ(SpinDemoFeature[5].page, 9);
    DestroyCamera(camera);
}

// Whole numbers, truncated and saturated; the bank in degrees against
// 3.141592654, and back.
TEST(CoordinateTable, ChangeViewConvertsTheCameraAndViewChangedTakesItBack) {
    CAMERA c{};
    c.ViewDistance = 99.99;
    c.Xtarget = -12.7;
    c.Ycamera = -1e12;
    c.BankAngle = 1.5707963267948966;
    c.Magnification = 0.9999;
    ChangeView(&c);
    EXPECT_EQ(CoordinateSystem[0].value, 99);
    EXPECT_EQ(CoordinateSystem[1].value, -12);
    EXPECT_EQ(CoordinateSystem[5].value, INT32_MIN);
    EXPECT_EQ(CoordinateSystem[7].value, 89);
    EXPECT_EQ(CoordinateSystem[8].value, 999);  // thousandths

    const int32_t values[] = {500, 1, -2, 3, -4, 5, -6, 90, 0};
    for (int i = 0; i < 9; ++i) CoordinateSystem[i].value = values[i];
    ViewChanged(&c);
    const double members[] = {c.ViewDistance, c.Xtarget, c.Ytarget, c.Ztarget,
                              c.Xcamera,      c.Ycamera, c.Zcamera};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(members[i], values[i]) << i;
    EXPECT_EQ(c.BankAngle, 90 / 180.0 * 3.141592654);
    ChangeView(&c);
    EXPECT_EQ(CoordinateSystem[7].value, 90);  // the bank comes back unchanged
}

// Runs the generator on the script: its exit status.  *message gets the
// first line of its standard error, *output what it wrote, if anything.
int Generate(const std::string &script, std::string *message, std::optional<std::string> *output) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("quelm_rcgen_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "in.rc") << script;
    const std::string command = std::string(QUELM_DIALOG_RCGEN) + " " +
                                (dir / "in.rc").string() + " " + (dir / "out.cpp").string() +
                                " 2>" + (dir / "err.txt").string();
    const int status = std::system(command.c_str());
    std::ifstream err(dir / "err.txt");
    std::getline(err, *message);
    output->reset();
    if (std::ifstream out(dir / "out.cpp"); out)
        output->emplace(std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(dir);
    return status;
}

// Comments, directives and quoted quotes are read; anything else stops it
// with the line and the fault, and no output.
TEST(TemplateGenerator, ReadsResourceScriptsAndRejectsWhatItDoesNotUnderstand) {
    std::string message;
    std::optional<std::string> out;
    const int status = Generate("#include <windows.h>\n/* a\n block */ LANGUAGE 9, 1\n"
                                "\"Named\" DIALOG 1, 2, 3, 4 // trailing\n{\n"
                                "  LTEXT \"say \"\"hi\"\"\", -1, 0, 0, 5, 5\n}\n",
                                &message, &out);
    ASSERT_EQ(status, 0) << message;
    ASSERT_TRUE(out);
    EXPECT_NE(out->find("\"say \\\"hi\\\"\""), std::string::npos) << *out;
    EXPECT_NE(out->find("65535"), std::string::npos);        // -1 as an identifier
    EXPECT_NE(out->find("0x80880000u"), std::string::npos);  // the default style

    const struct {
        const char *script, *message;
    } bad[] = {
        {"X DIALOG 0,0,1,1\nBEGIN\n  EDITTEXT 5,1,1,1,1\nEND\n", "in.rc:3: unsupported control"},
        {"X DIALOG 0,0,1\nBEGIN\nEND\n", "in.rc:2: expected ','"},
        {"X DIALOG 0,0,1,1\nCAPTION \"open\nBEGIN\n  LTEXT \"a\",1,1,1,1,1\nEND\n",
         "in.rc:2: unterminated string"},  // a later quote must not close it
        {"X DIALOG 0,0,1,1\nCAPTION \"open", "in.rc:2: unterminated string"},
        {"X MENU\nBEGIN\nEND\n", "in.rc:1: only DIALOG resources"},
    };
    for (const auto &b : bad) {
        EXPECT_NE(Generate(b.script, &message, &out), 0) << b.script;
        EXPECT_NE(message.find(b.message), std::string::npos) << message;
        EXPECT_FALSE(out) << b.script;
    }
}

}  // namespace
