// dialog_view.h - the library's tuning dialogs as the viewer shows them:
// laid out from their templates, drawn over the picture with the viewer's
// own font, and worked with the mouse the way scroll bars and push buttons
// work: a click on an arrow is a line move, on the track above or below the
// thumb a page move, a drag of the thumb tracks it; held, arrows and track
// repeat.  What the mouse does becomes the dialog layer's actions.
#ifndef QUELM_VIEWER_DIALOG_VIEW_H
#define QUELM_VIEWER_DIALOG_VIEW_H

#include <optional>
#include <string_view>
#include <vector>

#include <quelm/quelm_dialoghost.h>
#include "tools/viewer/canvas.h"
#include "tools/viewer/script.h"

namespace quelm_viewer {

struct Point {
    int x = 0, y = 0;
};

struct DialogView {
    HWND dialog = nullptr;  // null while no dialog is shown
    int unit = 4;           // pixels per dialog unit
    int text_scale = 2;     // the dialog font; numbers in the small font take half
    Rect frame;             // the window with its title bar
    Point client;           // top-left of the client area

    enum class Grab { NONE, THUMB, LINE_UP, LINE_DOWN, PAGE_UP, PAGE_DOWN, BUTTON };
    Grab grab = Grab::NONE;
    HWND grabbed = nullptr;   // the scroll bar or button held
    int grab_offset = 0;      // THUMB: pointer y less the thumb's top when taken
    int32_t tracked = 0;      // THUMB: the position last sent
    Point pointer;
    double next_repeat_ms = 0;
};

using DialogActions = std::vector<QUELM_DIALOG_ACTION>;

// Starts showing hDlg in a window of the given size; lays it out again
// when the window changes size.
void show_dialog(DialogView &view, HWND dialog, int window_width, int window_height);
void layout_dialog(DialogView &view, int window_width, int window_height);
void hide_dialog(DialogView &view);

// A scroll bar's parts in window pixels, and its range and position.
struct BarGeometry {
    Rect bar, up, down, track, thumb;
    int min = 0, max = 0, pos = 0;
};
BarGeometry bar_geometry(const DialogView &view, HWND bar);
Rect item_rect(const DialogView &view, HWND item);

// The pointer: each call appends the actions it makes, in order.
void dialog_mouse_down(DialogView &view, Point at, double now_ms, DialogActions &out);
void dialog_mouse_move(DialogView &view, Point at, DialogActions &out);
void dialog_mouse_up(DialogView &view, Point at, DialogActions &out);
// Repeats a held arrow or track click.
void dialog_tick(DialogView &view, double now_ms, DialogActions &out);

// The slider `ref` names: a control id, a caption (the first slider under
// it) or caption/N; null when there is none.  A slider's caption is the
// nearest one that starts left of the slider's right edge.
HWND find_slider(const DialogView &view, std::string_view ref);
// Where to click for a part of a slider, or for the button captioned
// `caption`; nothing when that part has no room (the track above a thumb
// at the top) or there is no such button.
std::optional<Point> slider_point(const DialogView &view, HWND bar, MouseTarget::Part part);
std::optional<Point> button_point(const DialogView &view, std::string_view caption);

void draw_dialog(Canvas &canvas, const DialogView &view);

}  // namespace quelm_viewer

#endif
