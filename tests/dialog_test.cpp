// The tuning dialogs driven through the platform layer by a scripted dialog
// host: templates, initial sliders, every scroll request, reports to the host
// window, OK and Cancel, fonts; and the camera <-> table conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
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
// dialog that keeps asking after the close fails the test at once instead of
// hanging it.
constexpr size_t kExtraAsks = 20;

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
    if (h->before.size() > h->actions.size() + kExtraAsks) {
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

int appWindowTag;
const HWND kAppWnd = reinterpret_cast<HWND>(&appWindowTag);

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { Attach(); }
    void TearDown() override {
        QuelmSetDialogHost(nullptr);
        QuelmSetOwnModuleReachable(TRUE);
        QUELM_POSTED_MESSAGE m;
        while (QuelmGetPostedMessage(&m)) {
        }
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

// ------------------------------------------------------------- templates

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

struct Item {
    int id, kind;
    std::string text;
    int x, y, cx, cy;
};

// The template as the host was shown it: its caption and size, and exactly
// these controls (closed through Cancel, whose result is 7 here).
void ExpectTemplate(ScriptedHost &host, const char *name, const char *caption, int cx, int cy,
                    const std::vector<Item> &items) {
    SCOPED_TRACE(caption);
    ASSERT_EQ(OpenTemplate(name), 7);
    EXPECT_EQ(host.caption, caption);
    EXPECT_EQ(host.dialog.cx, cx);
    EXPECT_EQ(host.dialog.cy, cy);
    EXPECT_EQ(host.shown.size(), items.size());
    for (const Item &e : items) {
        auto [first, last] = host.shown.equal_range(e.id);
        const bool found = std::any_of(first, last, [&](const auto &c) {
            const Control &k = c.second;
            return k.kind == e.kind && k.text == e.text && k.x == e.x && k.y == e.y &&
                   k.cx == e.cx && k.cy == e.cy;
        });
        EXPECT_TRUE(found) << "no control " << e.id << " \"" << e.text << "\" at " << e.x;
    }
}

// Slider i at xs[i] with its number above it, and OK and Cancel below.
std::vector<Item> SliderItems(int firstId, const std::vector<int> &xs) {
    std::vector<Item> items = {{IDOK, QUELM_ITEM_BUTTON, "OK", 9, 65, 38, 10},
                               {IDCANCEL, QUELM_ITEM_BUTTON, "Cancel", 9, 76, 38, 10}};
    for (int i = 0; i < int(xs.size()); ++i) {
        items.push_back({firstId + i, QUELM_ITEM_SCROLLBAR, "", xs[i], 6, 6, 48});
        items.push_back({firstId + 20 + i, QUELM_ITEM_STATIC, "0.0", xs[i], 0, 14, 6});
    }
    return items;
}

TEST_F(DialogTest, TemplatesAreLaidOutAsWritten) {
    std::vector<Item> coordinate = SliderItems(101, {5, 18, 32, 46, 60, 74, 88, 102, 116});
    const Item captions[] = {{65535, QUELM_ITEM_STATIC, "vd", 6, 56, 9, 9},
                             {65535, QUELM_ITEM_STATIC, "view-ref-pt", 19, 56, 40, 9},
                             {65535, QUELM_ITEM_STATIC, "ctr-project", 61, 56, 40, 9},
                             {65535, QUELM_ITEM_STATIC, "bank", 102, 56, 17, 9},
                             {65535, QUELM_ITEM_STATIC, "quelm", 121, 56, 19, 9}};
    coordinate.insert(coordinate.end(), std::begin(captions), std::end(captions));
    ExpectTemplate(host, "CoordinateSystem", "Control View", 150, 89, coordinate);
    EXPECT_EQ(host.dialog.pointsize, 8);
    EXPECT_STREQ(host.dialog.face, "System");
    EXPECT_EQ(host.dialog.style & (WS_POPUP | WS_VISIBLE | WS_CAPTION),
              WS_POPUP | WS_VISIBLE | WS_CAPTION);
    for (int id = 101; id <= 109; ++id) EXPECT_TRUE(host.shown.find(id)->second.style & SBS_VERT);

    std::vector<int> xs = {5, 18, 32, 46, 60, 74, 88, 102};
    std::vector<Item> spin = SliderItems(201, xs);
    const char *names[] = {"VR", "TR", "TW", "VZ", "TZ", "VS", "TS", "QS"};
    for (int i = 0; i < 8; ++i) spin.push_back({65535, QUELM_ITEM_STATIC, names[i], xs[i] + 1, 56, 9, 9});
    Attach();
    ExpectTemplate(host, "spindemofeatures", "Spin Demo View", 117, 90, spin);  // any case

    Attach();
    ExpectTemplate(host, MAKEINTRESOURCEA(101), "Scene Settings", 185, 43,
                   {{IDOK, QUELM_ITEM_BUTTON, "OK", 129, 6, 50, 14},
                    {IDCANCEL, QUELM_ITEM_BUTTON, "Cancel", 129, 23, 50, 14},
                    {1000, QUELM_ITEM_CHECKBOX, "Texture Quelm", 3, 10, 117, 10},
                    {1001, QUELM_ITEM_CHECKBOX, "Texture Stands", 3, 23, 113, 10}});
    EXPECT_EQ(host.dialog.style & (WS_SYSMENU | DS_MODALFRAME), WS_SYSMENU | DS_MODALFRAME);
    EXPECT_TRUE(host.shown.find(IDOK)->second.style & BS_DEFPUSHBUTTON);
}

TEST_F(DialogTest, OnlyTheLibrarysOwnModuleAndTemplatesAreFound) {
    EXPECT_EQ(LoadLibraryA("OTHER.DLL"), nullptr);
    EXPECT_EQ(LoadLibraryA("QUELM32.DLL"), nullptr);
    for (const char *name : {"quelm.dll", "C:\\games\\QUELM.DLL", "/opt/q/Quelm.dll", "QUELM"}) {
        HMODULE m = LoadLibraryA(name);
        EXPECT_NE(m, nullptr) << name;
        EXPECT_TRUE(FreeLibrary(m));
    }
    EXPECT_EQ(OpenTemplate("NoSuchDialog"), -1);
    EXPECT_EQ(OpenTemplate(MAKEINTRESOURCEA(102)), -1);
    EXPECT_EQ(host.shows, 0);
}

TEST_F(DialogTest, BothDialogsGiveMinusOneWithoutModuleOrHost) {
    QuelmSetOwnModuleReachable(FALSE);
    EXPECT_EQ(DoCoordinateSystemDlg(kAppWnd), -1);
    EXPECT_EQ(DoSpinDemoFeaturesDlg(kAppWnd), -1);
    QuelmSetOwnModuleReachable(TRUE);
    QuelmSetDialogHost(nullptr);
    EXPECT_EQ(DoCoordinateSystemDlg(kAppWnd), -1);
    EXPECT_EQ(DoSpinDemoFeaturesDlg(kAppWnd), -1);
    EXPECT_EQ(host.shows, 0);
    // The module was released again: a later opening works.
    Attach({kOk});
    EXPECT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
}

// ------------------------------------------------------ the coordinate dialog

struct Slider {
    int id, min, max, pos;
    const char *text;
};

// Each slider's range and thumb as the host was shown them, and its number.
void ExpectSliders(const Controls &shown, std::initializer_list<Slider> sliders) {
    for (const Slider &e : sliders) {
        const Control &bar = shown.find(e.id)->second;
        EXPECT_EQ(bar.min, e.min) << e.id;
        EXPECT_EQ(bar.max, e.max) << e.id;
        EXPECT_EQ(bar.pos, e.pos) << e.id;
        EXPECT_EQ(shown.find(e.id + 20)->second.text, e.text) << e.id;
    }
}

TEST_F(DialogTest, OpeningShowsRangesPositionsAndNumbers) {
    CAMERA c{};
    c.ViewDistance = 1500.9;
    c.Xtarget = -12.7;
    c.Ytarget = 20000;  // beyond the slider: shown as it is, thumb at the end
    c.Zcamera = 360;
    c.BankAngle = 0.8;  // 45.8 degrees
    c.Magnification = 1.0;
    ChangeView(&c);
    Attach({kOk});
    ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
    ASSERT_EQ(host.shows, 1);
    ASSERT_EQ(host.hides, 1);
    ExpectSliders(host.shown, {{101, 0, 15000, 1500, "1500"},        {102, -15000, 15000, -12, "-12"},
                               {103, -15000, 15000, 15000, "20000"}, {104, -15000, 15000, 0, "0"},
                               {105, -15000, 15000, 0, "0"},         {106, -15000, 15000, 0, "0"},
                               {107, -15000, 15000, 360, "360"},     {108, 0, 359, 45, "45"},
                               {109, 0, 2500, 1000, "1000"}});
    EXPECT_EQ(CoordinateSystem[7].page, 14);
    EXPECT_EQ(CoordinateSystem[0].page, 99);
    EXPECT_EQ(CoordinateSystem[0].line, 1);
    EXPECT_TRUE(host.posted.empty());  // opening reports nothing
}

// The value, the number, the thumb and the report (the value's low 16 bits)
// after one request, then Cancel.
TEST_F(DialogTest, EveryScrollRequestMovesAndClamps) {
    const struct {
        int entry, start, code, thumb, result;
    } cases[] = {
        {0, 0, SB_LINEDOWN, 0, 1},         {0, 5, SB_LINEUP, 0, 4},
        {0, 0, SB_LINEUP, 0, 0},           {0, 0, SB_PAGEDOWN, 0, 100},
        {0, 14950, SB_PAGEDOWN, 0, 15000}, {0, 15000, SB_LINEDOWN, 0, 15000},
        {0, 350, SB_PAGEUP, 0, 250},       {0, 50, SB_PAGEUP, 0, 0},
        {0, 700, SB_TOP, 0, 0},            {0, 700, SB_BOTTOM, 0, 15000},
        {0, 3, SB_THUMBTRACK, 1234, 1234}, {0, 3, SB_THUMBPOSITION, 77, 77},
        {1, 0, SB_THUMBTRACK, -1200, -1200},  // reported as 64336
        {7, 20, SB_PAGEUP, 0, 5},          {7, 10, SB_PAGEUP, 0, 0},
        {7, 350, SB_PAGEDOWN, 0, 359},     {7, 0, SB_BOTTOM, 0, 359},
        {1, 0, SB_TOP, 0, -15000},         {1, -14990, SB_PAGEUP, 0, -15000},
        // Beyond the range, a move clamps only at the limit it moves toward.
        {0, 20000, SB_LINEDOWN, 0, 15000}, {0, 20000, SB_LINEUP, 0, 19999},
        {0, -40, SB_LINEDOWN, 0, -39},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(testing::Message() << "entry " << k.entry << " from " << k.start
                                        << " request " << k.code);
        CoordinateSystem[k.entry].value = k.start;
        Attach({Scroll(101 + k.entry, k.code, k.thumb), kCancel});
        ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 0);
        EXPECT_EQ(CoordinateSystem[k.entry].value, k.result);
        ASSERT_EQ(host.before.size(), 2u);
        EXPECT_EQ(host.before[1].find(121 + k.entry)->second.text, std::to_string(k.result));
        const Control &bar = host.before[1].find(101 + k.entry)->second;
        EXPECT_EQ(bar.pos, std::clamp(k.result, bar.min, bar.max));
        ASSERT_EQ(host.posted.size(), 1u);  // reported even when nothing moved
        EXPECT_EQ(host.posted[0].hwnd, kAppWnd);
        EXPECT_EQ(host.posted[0].message, WM_COMMAND);
        EXPECT_EQ(host.posted[0].wParam, static_cast<WPARAM>(101 + k.entry));
        EXPECT_EQ(host.posted[0].lParam, static_cast<LPARAM>(k.result & 0xFFFF));
    }
}

TEST_F(DialogTest, OtherScrollRequestsAreNotHandled) {
    CoordinateSystem[0].value = 10;
    for (int code : {SB_ENDSCROLL, 99}) {
        Attach({Scroll(101, code), kCancel});
        ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 0);
        EXPECT_TRUE(host.posted.empty());
    }
    EXPECT_EQ(CoordinateSystem[0].value, 10);
    // Nor are scroll messages from anything but the dialog's sliders.
    EXPECT_EQ(CoordinateSystemDlgProc(nullptr, WM_VSCROLL, SB_LINEDOWN, 0), FALSE);
    EXPECT_EQ(CoordinateSystemDlgProc(nullptr, WM_COMMAND, 3, 0), FALSE);
    EXPECT_EQ(CoordinateSystemDlgProc(nullptr, 0x0200, 0, 0), FALSE);
    QUELM_POSTED_MESSAGE m;
    EXPECT_FALSE(QuelmGetPostedMessage(&m));
}

// A handled request says so (TRUE), from either kind of slider.
TEST_F(DialogTest, HorizontalScrollMessagesMoveSlidersToo) {
    CoordinateSystem[8].value = 500;
    host.onAction = [](HWND hDlg) {
        if (CoordinateSystem[8].value != 500) return;
        EXPECT_EQ(CoordinateSystemDlgProc(hDlg, WM_HSCROLL, SB_PAGEDOWN,
                                          reinterpret_cast<LPARAM>(GetDlgItem(hDlg, 109))),
                  TRUE);
    };
    host.actions = {kOk};
    ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
    EXPECT_EQ(CoordinateSystem[8].value, 600);
}

// Cancel undoes nothing: the values stay, and the next opening shows them.
TEST_F(DialogTest, CancelOrClosingReturnsZeroAndKeepsTheValues) {
    CoordinateSystem[0].value = 0;
    Attach({Scroll(101, SB_LINEDOWN), Scroll(101, SB_LINEDOWN), Scroll(109, SB_TOP), kCancel});
    EXPECT_EQ(DoCoordinateSystemDlg(kAppWnd), 0);
    ASSERT_EQ(host.posted.size(), 3u);
    EXPECT_EQ(host.posted[1].lParam, 2);
    EXPECT_EQ(host.posted[2].wParam, 109u);
    Attach();  // the host window closes at once
    EXPECT_EQ(DoCoordinateSystemDlg(kAppWnd), 0);
    EXPECT_EQ(host.hides, 1);
    EXPECT_EQ(host.shown.find(121)->second.text, "2");
    EXPECT_EQ(host.shown.find(101)->second.pos, 2);
    EXPECT_EQ(host.shown.find(109)->second.pos, 0);
}

TEST_F(DialogTest, WithoutAPostedCallbackReportsWaitInTheQueue) {
    const QUELM_DIALOG_HOST callbacks = {&host, nullptr, Next, nullptr, nullptr};
    QuelmSetDialogHost(&callbacks);
    CoordinateSystem[0].value = 7;
    host.actions = {Scroll(101, SB_LINEUP), Scroll(101, SB_LINEUP), kOk};
    ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
    QUELM_POSTED_MESSAGE m;
    ASSERT_TRUE(QuelmGetPostedMessage(&m));
    EXPECT_EQ(m.lParam, 6);
    ASSERT_TRUE(QuelmGetPostedMessage(&m));
    EXPECT_EQ(m.lParam, 5);
    EXPECT_FALSE(QuelmGetPostedMessage(&m));
}

TEST_F(DialogTest, NumbersAreDrawnInASmallFontAndNoFontLeaks) {
    LOGFONTA stock, number;
    ASSERT_EQ(GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof stock, &stock),
              static_cast<int>(sizeof stock));
    HFONT font = nullptr, caption = nullptr, bar = nullptr;
    host.onAction = [&](HWND hDlg) {
        font = QuelmDialogItemFont(GetDlgItem(hDlg, 125));
        caption = QuelmDialogItemFont(GetDlgItem(hDlg, 65535));
        bar = QuelmDialogItemFont(GetDlgItem(hDlg, 105));
        ASSERT_EQ(GetObjectA(font, sizeof number, &number), static_cast<int>(sizeof number));
    };
    host.actions = {kOk};
    ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(caption, nullptr);  // captions keep the dialog's font
    EXPECT_EQ(bar, nullptr);
    EXPECT_EQ(number.lfHeight, 4);
    EXPECT_EQ(number.lfWeight, stock.lfWeight);
    EXPECT_STREQ(number.lfFaceName, stock.lfFaceName);

    const long fonts = QuelmFontsLive();
    for (int i = 0; i < 3; ++i) {
        Attach({kOk});
        ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
        EXPECT_EQ(QuelmFontsLive(), fonts);
    }
}

// A read never writes before the buffer, past its count or through a null pointer.
TEST_F(DialogTest, ReadsStayWithinTheirBuffers) {
    CoordinateSystem[0].value = 1500;
    std::string reads;
    Attach({kOk});
    host.onAction = [&](HWND hDlg) {
        const HWND number = GetDlgItem(hDlg, 121);
        char buffer[8] = "abcdefg";
        EXPECT_EQ(GetWindowTextA(number, buffer + 1, 0), 0);
        EXPECT_EQ(GetWindowTextA(number, nullptr, 8), 0);
        EXPECT_EQ(GetWindowTextA(number, buffer + 1, 3), 2);
        reads = std::string(buffer, sizeof buffer);
        int low = 0;
        EXPECT_FALSE(GetScrollRange(GetDlgItem(hDlg, 101), SB_CTL, &low, nullptr));
        EXPECT_FALSE(GetScrollRange(GetDlgItem(hDlg, 101), SB_CTL, nullptr, &low));
    };
    ASSERT_EQ(DoCoordinateSystemDlg(kAppWnd), 1);
    EXPECT_EQ(reads, std::string("a15\0efg", 8));
}

// ------------------------------------------------------------ the spin dialog

TEST_F(DialogTest, SpinDialogShowsTheSpinTableAndTunesLive) {
    CAMERA *camera = InitCamera(VIEW_SPIN);
    ASSERT_NE(camera, nullptr);
    ChangeSpinDemo(camera);
    // A live host: each report goes into the camera, which then steps.
    host.onPosted = [camera](const QUELM_POSTED_MESSAGE &m) {
        if (m.message == WM_COMMAND && m.wParam >= 201 && m.wParam <= 208) {
            SpinDemoChanged(camera);
            UpdateCamera(camera);
        }
    };
    std::vector<double> cameraX;
    host.onAction = [&](HWND) { cameraX.push_back(camera->Xcamera); };
    host.actions = {Scroll(206, SB_THUMBTRACK, 150), Scroll(206, SB_LINEDOWN), kOk};
    ASSERT_EQ(DoSpinDemoFeaturesDlg(kAppWnd), 1);

    // A new spin record's defaults, on each slider's range.
    ExpectSliders(host.shown, {{201, 0, 15000, 2700, "2700"}, {202, 0, 1500, 540, "540"},
                               {203, -1500, 1500, 128, "128"}, {204, 0, 15000, 360, "360"},
                               {205, -1500, 1500, 72, "72"},   {206, -150, 150, 0, "0"},
                               {207, -300, 300, 0, "0"},       {208, 1, 2500, 1000, "1000"}});
    EXPECT_EQ(SpinDemoFeature[5].page, 9);
    EXPECT_EQ(SpinDemoFeature[8].max, 0);  // the spare entries stay unused
    ASSERT_EQ(cameraX.size(), 3u);
    EXPECT_EQ(cameraX[1], 2608.0);  // redrawn between the two moves
    EXPECT_EQ(SpinDemoFeature[5].value, 150);  // the line step clamped at the top
    ASSERT_EQ(host.posted.size(), 2u);
    EXPECT_EQ(host.posted[1].wParam, 206u);
    EXPECT_EQ(host.posted[1].lParam, 150);
    EXPECT_EQ(static_cast<SPINDEMO_VIEW *>(camera->Control)->CameraStep, 150);
    DestroyCamera(camera);
}

// ------------------------------------------------- camera <-> coordinate table

TEST(CoordinateTable, ChangeViewConvertsTheCameraAndViewChangedTakesItBack) {
    CAMERA c{};
    c.ViewDistance = 99.99;
    c.Xtarget = -0.5;
    c.Ycamera = -1e12;  // saturates instead of overflowing
    c.BankAngle = 1.5707963267948966;
    c.Magnification = 0.9999;
    ChangeView(&c);
    EXPECT_EQ(CoordinateSystem[0].value, 99);
    EXPECT_EQ(CoordinateSystem[1].value, 0);
    EXPECT_EQ(CoordinateSystem[5].value, INT32_MIN);
    EXPECT_EQ(CoordinateSystem[7].value, 89);   // pi/2 against 3.141592654
    EXPECT_EQ(CoordinateSystem[8].value, 999);  // truncated, not rounded

    const int32_t values[] = {500, 1, -2, 3, -4, 5, -6, 90, 0};
    for (int i = 0; i < 9; ++i) CoordinateSystem[i].value = values[i];
    c.Xn = 0.5;
    c.RenderRect = RECT{0, 0, 319, 199};
    c.View = VIEW_DOLLY;
    ViewChanged(&c);
    const double members[] = {c.ViewDistance, c.Xtarget, c.Ytarget, c.Ztarget,
                              c.Xcamera,      c.Ycamera, c.Zcamera};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(members[i], values[i]) << i;
    EXPECT_EQ(c.BankAngle, 90 / 180.0 * 3.141592654);
    EXPECT_EQ(c.Magnification, 0.0);  // taken as it is
    EXPECT_EQ(c.Xn, 0.5);
    EXPECT_EQ(c.RenderRect.right, 319);
    EXPECT_EQ(c.View, VIEW_DOLLY);
    c.Magnification = 1.0;
    ChangeView(&c);
    EXPECT_EQ(CoordinateSystem[7].value, 90);  // the bank comes back unchanged
    EXPECT_EQ(CoordinateSystem[8].value, 1000);
}

// ----------------------------------------------------- the template generator

class TemplateGenerator : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("quelm_rcgen_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    // Runs the generator on the script; its exit status and first line of
    // standard error.
    int Run(const std::string &script, std::string *message) {
        std::ofstream(dir / "in.rc") << script;
        const std::string command = std::string(QUELM_DIALOG_RCGEN) + " " +
                                    (dir / "in.rc").string() + " " + (dir / "out.cpp").string() +
                                    " 2>" + (dir / "err.txt").string();
        const int status = std::system(command.c_str());
        std::ifstream err(dir / "err.txt");
        std::getline(err, *message);
        return status;
    }
    std::filesystem::path dir;
};

TEST_F(TemplateGenerator, RejectsWhatItDoesNotUnderstandWithoutOutput) {
    const struct {
        const char *script, *message;
    } bad[] = {
        {"X DIALOG 0, 0, 10, 10\nBEGIN\n  EDITTEXT 5, 1, 1, 1, 1\nEND\n",
         "in.rc:3: unsupported control"},
        {"X DIALOG 0, 0, 10\nBEGIN\nEND\n", "in.rc:2: expected ','"},
        {"X DIALOG 0, 0, 10, 10\nSTYLE WS_BOGUS\nBEGIN\nEND\n", "in.rc:2: unknown style"},
        {"X DIALOG 0, 0, 10, 10\nCAPTION \"open\nBEGIN\nEND\n", "in.rc:2: unterminated string"},
        {"X DIALOG 0, 0, 10, 10\nCAPTION \"open", "in.rc:2: unterminated string"},
        {"X DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", 1, 1, 1, 1, 1\n",
         "in.rc:4: expected a control"},
        {"X MENU\nBEGIN\nEND\n", "in.rc:1: only DIALOG resources"},
        {"X DIALOG 0, 0, 99999, 10\nBEGIN\nEND\n", "in.rc:1: number out of range"},
    };
    for (const auto &b : bad) {
        std::string message;
        EXPECT_NE(Run(b.script, &message), 0) << b.script;
        EXPECT_NE(message.find(b.message), std::string::npos) << message;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.cpp")) << b.script;
    }
}

TEST_F(TemplateGenerator, AcceptsCommentsDirectivesAndQuotedQuotes) {
    std::string message;
    ASSERT_EQ(Run("#include <windows.h>\n/* a\n block */ LANGUAGE 9, 1\n"
                  "\"Named\" DIALOG 1, 2, 3, 4 // trailing\n{\n"
                  "  LTEXT \"say \"\"hi\"\"\", -1, 0, 0, 5, 5\n}\n",
                  &message),
              0)
        << message;
    std::ifstream out(dir / "out.cpp");
    const std::string text((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"say \\\"hi\\\"\""), std::string::npos) << text;
    EXPECT_NE(text.find("65535"), std::string::npos) << text;  // -1 as a 16-bit identifier
    EXPECT_NE(text.find("0x80880000u"), std::string::npos) << text;  // default dialog style
}

}  // namespace
