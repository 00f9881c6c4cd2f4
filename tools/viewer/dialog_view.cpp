// The tuning dialogs, laid out, drawn and worked by the viewer.
#include "tools/viewer/dialog_view.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <utility>
#include <tuple>

namespace quelm_viewer {

namespace {

constexpr int kMargin = 8;       // between the dialog and the window's edges
constexpr int kBorder = 3;       // the dialog's frame
constexpr int kMinUnit = 2, kReadableUnit = 3, kMaxUnit = 6;
constexpr int kWindowPerUnit = 320;
constexpr double kRepeatDelayMs = 350, kRepeatMs = 50;
// Caption statics have no identifier: -1, read back as a 16-bit word.
constexpr int32_t kNoId = 0xFFFF;

constexpr Colour kFace = rgb(192, 192, 192), kTrack = rgb(224, 224, 224),
                 kTrackHeld = rgb(96, 96, 96), kText = rgb(0, 0, 0),
                 kTitleLeft = rgb(0, 0, 128), kTitleRight = rgb(16, 132, 208),
                 kTitleText = rgb(255, 255, 255), kOutline = rgb(0, 0, 0);

QUELM_DIALOG_ITEM item_of(HWND h) {
    QUELM_DIALOG_ITEM item{};
    QuelmGetDialogItem(h, &item);
    return item;
}

std::string text_of(HWND h) {
    char buffer[256] = {};
    GetWindowTextA(h, buffer, int(sizeof buffer));
    return buffer;
}

int title_height(const DialogView &v) { return CELL_HEIGHT * v.text_scale + 6; }

template <typename Fn>
void for_each_item(const DialogView &v, Fn fn) {
    const int32_t count = QuelmDialogItemCount(v.dialog);
    for (int32_t i = 0; i < count; ++i) fn(QuelmDialogItemAt(v.dialog, i));
}

std::vector<HWND> items_of_kind(const DialogView &v, int32_t kind) {
    std::vector<HWND> found;
    for_each_item(v, [&](HWND h) {
        if (item_of(h).kind == kind) found.push_back(h);
    });
    return found;
}

// The caption of a slider: the caption static that starts farthest right
// while still left of the slider's right edge.
HWND caption_of(const DialogView &v, HWND bar) {
    const QUELM_DIALOG_ITEM b = item_of(bar);
    HWND best = nullptr;
    int best_x = 0;
    for (HWND h : items_of_kind(v, QUELM_ITEM_STATIC)) {
        const QUELM_DIALOG_ITEM s = item_of(h);
        if (s.id != kNoId || s.x > b.x + b.cx) continue;
        if (!best || s.x > best_x) {
            best = h;
            best_x = s.x;
        }
    }
    return best;
}

DialogView::Grab grab_of(MouseTarget::Part part) {
    switch (part) {
    case MouseTarget::LINE_UP: return DialogView::Grab::LINE_UP;
    case MouseTarget::LINE_DOWN: return DialogView::Grab::LINE_DOWN;
    case MouseTarget::PAGE_UP: return DialogView::Grab::PAGE_UP;
    case MouseTarget::PAGE_DOWN: return DialogView::Grab::PAGE_DOWN;
    case MouseTarget::THUMB: break;
    }
    return DialogView::Grab::THUMB;
}

int scroll_code(DialogView::Grab grab) {
    switch (grab) {
    case DialogView::Grab::LINE_UP: return SB_LINEUP;
    case DialogView::Grab::LINE_DOWN: return SB_LINEDOWN;
    case DialogView::Grab::PAGE_UP: return SB_PAGEUP;
    default: return SB_PAGEDOWN;
    }
}

// The part of a scroll bar under the pointer, NONE when it is not on it.
DialogView::Grab part_at(const BarGeometry &g, Point p) {
    if (!g.bar.contains(p.x, p.y)) return DialogView::Grab::NONE;
    if (g.up.contains(p.x, p.y)) return DialogView::Grab::LINE_UP;
    if (g.down.contains(p.x, p.y)) return DialogView::Grab::LINE_DOWN;
    if (g.thumb.contains(p.x, p.y)) return DialogView::Grab::THUMB;
    return p.y < g.thumb.y ? DialogView::Grab::PAGE_UP : DialogView::Grab::PAGE_DOWN;
}

QUELM_DIALOG_ACTION scroll(HWND bar, int code, int pos = 0) {
    QUELM_DIALOG_ACTION a{};
    a.kind = QUELM_ACTION_SCROLL;
    a.id = item_of(bar).id;
    a.code = code;
    a.pos = pos;
    return a;
}

// The position a thumb dragged to top y stands for, rounded to the nearest.
int thumb_position(const BarGeometry &g, int top) {
    const int travel = g.track.h - g.thumb.h;
    if (travel <= 0 || g.max <= g.min) return g.min;
    const int64_t offset = std::clamp(top - g.track.y, 0, travel);
    const int64_t span = int64_t(g.max) - g.min;
    return int(g.min + (offset * span * 2 + travel) / (2 * int64_t(travel)));
}

// A small filled triangle pointing up or down, centred in r.
void draw_arrow(Canvas &canvas, Rect r, bool up, Colour colour) {
    const int half = std::max(r.w / 5, 1);
    const int cx = r.x + r.w / 2, top = r.y + (r.h - half) / 2;
    for (int i = 0; i < half; ++i) {
        const int reach = up ? i : half - 1 - i;
        fill_rect(canvas, {cx - reach, top + i, 2 * reach + 1, 1}, colour);
    }
}

void draw_scroll_bar(Canvas &canvas, const DialogView &v, HWND h) {
    const BarGeometry g = bar_geometry(v, h);
    const bool held = v.grabbed == h;
    fill_rect(canvas, g.track, kTrack);
    if (held && (v.grab == DialogView::Grab::PAGE_UP || v.grab == DialogView::Grab::PAGE_DOWN) &&
        part_at(g, v.pointer) == v.grab) {
        const Rect part = v.grab == DialogView::Grab::PAGE_UP
                              ? Rect{g.track.x, g.track.y, g.track.w, g.thumb.y - g.track.y}
                              : Rect{g.track.x, g.thumb.y + g.thumb.h, g.track.w,
                                     g.track.y + g.track.h - g.thumb.y - g.thumb.h};
        fill_rect(canvas, part, kTrackHeld);
    }
    for (const auto &[r, up, grab] : {std::tuple{g.up, true, DialogView::Grab::LINE_UP},
                                      std::tuple{g.down, false, DialogView::Grab::LINE_DOWN}}) {
        const bool pressed = held && v.grab == grab && r.contains(v.pointer.x, v.pointer.y);
        fill_rect(canvas, r, kFace);
        bevel_rect(canvas, r, pressed);
        const int shift = pressed ? 1 : 0;
        draw_arrow(canvas, {r.x + shift, r.y + shift, r.w, r.h}, up, kText);
    }
    fill_rect(canvas, g.thumb, kFace);
    bevel_rect(canvas, g.thumb, false);
    frame_rect(canvas, g.bar, rgb(64, 64, 64));
}

void draw_button(Canvas &canvas, const DialogView &v, HWND h) {
    const Rect r = item_rect(v, h);
    const bool pressed = v.grab == DialogView::Grab::BUTTON && v.grabbed == h &&
                         r.contains(v.pointer.x, v.pointer.y);
    fill_rect(canvas, r, kFace);
    frame_rect(canvas, r, kOutline);
    bevel_rect(canvas, {r.x + 1, r.y + 1, r.w - 2, r.h - 2}, pressed);
    const std::string text = text_of(h);
    const int s = v.text_scale, shift = pressed ? 1 : 0;
    draw_text(canvas, r.x + (r.w - text_width(text, s)) / 2 + shift,
              r.y + (r.h - CELL_HEIGHT * s) / 2 + shift, text, kText, s);
}

void draw_static(Canvas &canvas, const DialogView &v, HWND h) {
    const Rect r = item_rect(v, h);
    // The numbers are drawn in the small font the dialog selects for them,
    // on white so that they read apart from their neighbours.
    const std::string text = text_of(h);
    if (QuelmDialogItemFont(h)) {
        const int s = std::max(1, v.text_scale / 2);
        fill_rect(canvas, {r.x - 1, r.y - 1, text_width(text, s) + 2, CELL_HEIGHT * s + 1},
                  kTrack);
        draw_text(canvas, r.x, r.y, text, kText, s);
        return;
    }
    draw_text(canvas, r.x, r.y, text, kText, v.text_scale);
}

// The coordinate dialog's two triples of sliders (the target's and the
// camera's x, y and z) get their axis beside them.
void draw_axis_label(Canvas &canvas, const DialogView &v, HWND h) {
    const int id = item_of(h).id;
    if (id < 102 || id > 107) return;
    const Rect r = item_rect(v, h);
    const char axis[2] = {char('x' + (id - 102) % 3), '\0'};
    draw_text(canvas, r.x + r.w + 2, r.y + r.h - CELL_HEIGHT * v.text_scale, axis, kText,
              v.text_scale);
}

// What the terse captions stand for, shown under the dialog; some sliders
// change nothing that shows, and say so.
constexpr std::pair<std::string_view, std::string_view> kLegends[] = {
    {"Control View",
     "vd: distance kept for the host (nothing shows)\n"
     "view-ref-pt: target x y z   ctr-project: camera x y z\n"
     "bank: kept (the picture stays level)   quelm: magnification"},
    {"Spin Demo View",
     "VR TR: radius of the camera's, the target's circle\n"
     "TW: kept for the record (nothing shows)\n"
     "VZ TZ: heights   VS TS: turn per step   QS: magnification"},
};

void draw_legend(Canvas &canvas, const DialogView &v) {
    const std::string caption = text_of(v.dialog);
    for (const auto &[dialog, legend] : kLegends) {
        if (dialog != caption) continue;
        const int s = std::max(1, v.text_scale / 2), line = (CELL_HEIGHT + 2) * s;
        const int lines = int(std::count(legend.begin(), legend.end(), '\n')) + 1;
        const Rect box = {v.frame.x, v.frame.y + v.frame.h + 2, v.frame.w, lines * line + 4};
        fill_rect(canvas, box, kTrack);
        frame_rect(canvas, box, kOutline);
        std::string_view rest = legend;
        for (int y = box.y + 3; !rest.empty(); y += line) {
            const size_t end = rest.find('\n');
            draw_text(canvas, box.x + 4, y, rest.substr(0, end), kText, s);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        }
    }
}

}  // namespace

void show_dialog(DialogView &view, HWND dialog, int window_width, int window_height) {
    view.dialog = dialog;
    view.grab = DialogView::Grab::NONE;
    view.grabbed = nullptr;
    layout_dialog(view, window_width, window_height);
}

void hide_dialog(DialogView &view) {
    view.dialog = nullptr;
    view.grab = DialogView::Grab::NONE;
    view.grabbed = nullptr;
}

void layout_dialog(DialogView &v, int window_width, int window_height) {
    if (!v.dialog) return;
    const QUELM_DIALOG_ITEM d = item_of(v.dialog);
    // A unit that keeps the dialog to about half the window, but no less
    // than the smallest at which the numbers keep apart; smaller still only
    // where it would not fit.
    int unit = std::clamp(window_width / kWindowPerUnit, kReadableUnit, kMaxUnit);
    for (; unit > kMinUnit; --unit) {
        const int text_scale = std::max(1, unit / 2);
        const int w = d.cx * unit + 2 * kBorder + 2 * kMargin;
        const int h = d.cy * unit + CELL_HEIGHT * text_scale + 6 + 2 * kBorder + 2 * kMargin;
        if (w <= window_width && h <= window_height) break;
    }
    v.unit = unit;
    v.text_scale = std::max(1, unit / 2);
    const int w = d.cx * unit + 2 * kBorder, h = d.cy * unit + title_height(v) + 2 * kBorder;
    // Top right, clear of the panel at the top left.
    v.frame = {std::max(window_width - w - kMargin, 0), kMargin, w, h};
    v.client = {v.frame.x + kBorder, v.frame.y + kBorder + title_height(v)};
}

Rect item_rect(const DialogView &v, HWND h) {
    const QUELM_DIALOG_ITEM it = item_of(h);
    return {v.client.x + it.x * v.unit, v.client.y + it.y * v.unit, it.cx * v.unit,
            it.cy * v.unit};
}

BarGeometry bar_geometry(const DialogView &v, HWND h) {
    BarGeometry g;
    g.bar = item_rect(v, h);
    GetScrollRange(h, SB_CTL, &g.min, &g.max);
    g.pos = GetScrollPos(h, SB_CTL);
    const int arrow = std::min(g.bar.w, g.bar.h / 3);
    g.up = {g.bar.x, g.bar.y, g.bar.w, arrow};
    g.down = {g.bar.x, g.bar.y + g.bar.h - arrow, g.bar.w, arrow};
    g.track = {g.bar.x, g.bar.y + arrow, g.bar.w, g.bar.h - 2 * arrow};
    const int thumb = std::min(g.bar.w, g.track.h / 2);
    const int travel = g.track.h - thumb;
    int64_t offset = 0;
    if (g.max > g.min)
        offset = (int64_t(g.pos) - g.min) * travel / (int64_t(g.max) - g.min);
    g.thumb = {g.bar.x, g.track.y + int(offset), g.bar.w, thumb};
    return g;
}

void dialog_mouse_down(DialogView &v, Point at, double now_ms, DialogActions &out) {
    v.pointer = at;
    if (!v.dialog || v.grab != DialogView::Grab::NONE) return;
    for (HWND h : items_of_kind(v, QUELM_ITEM_BUTTON))
        if (item_rect(v, h).contains(at.x, at.y)) {
            v.grab = DialogView::Grab::BUTTON;
            v.grabbed = h;
            return;
        }
    for (HWND h : items_of_kind(v, QUELM_ITEM_SCROLLBAR)) {
        const BarGeometry g = bar_geometry(v, h);
        const DialogView::Grab part = part_at(g, at);
        if (part == DialogView::Grab::NONE) continue;
        v.grab = part;
        v.grabbed = h;
        if (part == DialogView::Grab::THUMB) {
            // Nothing moves until the thumb does.
            v.grab_offset = at.y - g.thumb.y;
            v.tracked = g.pos;
            return;
        }
        out.push_back(scroll(h, scroll_code(part)));
        v.next_repeat_ms = now_ms + kRepeatDelayMs;
        return;
    }
}

void dialog_mouse_move(DialogView &v, Point at, DialogActions &out) {
    v.pointer = at;
    if (v.grab != DialogView::Grab::THUMB) return;
    const int pos = thumb_position(bar_geometry(v, v.grabbed), at.y - v.grab_offset);
    if (pos == v.tracked) return;
    v.tracked = pos;
    out.push_back(scroll(v.grabbed, SB_THUMBTRACK, pos));
}

void dialog_mouse_up(DialogView &v, Point at, DialogActions &out) {
    dialog_mouse_move(v, at, out);
    if (v.grab == DialogView::Grab::THUMB) {
        out.push_back(scroll(v.grabbed, SB_THUMBPOSITION, v.tracked));
    } else if (v.grab == DialogView::Grab::BUTTON && item_rect(v, v.grabbed).contains(at.x, at.y)) {
        QUELM_DIALOG_ACTION a{};
        const int32_t id = item_of(v.grabbed).id;
        a.kind = id == IDOK ? QUELM_ACTION_OK : id == IDCANCEL ? QUELM_ACTION_CANCEL : 0;
        if (a.kind) out.push_back(a);
    }
    v.grab = DialogView::Grab::NONE;
    v.grabbed = nullptr;
}

void dialog_tick(DialogView &v, double now_ms, DialogActions &out) {
    if (v.grab == DialogView::Grab::NONE || v.grab == DialogView::Grab::THUMB ||
        v.grab == DialogView::Grab::BUTTON || now_ms < v.next_repeat_ms)
        return;
    // A held track click stops once the thumb reaches the pointer.
    if (part_at(bar_geometry(v, v.grabbed), v.pointer) != v.grab) return;
    out.push_back(scroll(v.grabbed, scroll_code(v.grab)));
    v.next_repeat_ms = now_ms + kRepeatMs;
}

HWND find_slider(const DialogView &v, std::string_view ref) {
    if (!v.dialog || ref.empty()) return nullptr;
    int id = 0;
    const auto [end, ec] = std::from_chars(ref.data(), ref.data() + ref.size(), id);
    if (ec == std::errc() && end == ref.data() + ref.size()) {
        const HWND h = GetDlgItem(v.dialog, id);
        return h && item_of(h).kind == QUELM_ITEM_SCROLLBAR ? h : nullptr;
    }
    std::string_view caption = ref;
    size_t nth = 1;
    if (const size_t slash = ref.rfind('/'); slash != std::string_view::npos) {
        caption = ref.substr(0, slash);
        const std::string_view n = ref.substr(slash + 1);
        const auto [e, c] = std::from_chars(n.data(), n.data() + n.size(), nth);
        if (c != std::errc() || e != n.data() + n.size() || nth == 0) return nullptr;
    }
    std::vector<HWND> under;
    for (HWND h : items_of_kind(v, QUELM_ITEM_SCROLLBAR)) {
        const HWND c = caption_of(v, h);
        if (c && text_of(c) == caption) under.push_back(h);
    }
    std::sort(under.begin(), under.end(),
              [](HWND a, HWND b) { return item_of(a).x < item_of(b).x; });
    return nth <= under.size() ? under[nth - 1] : nullptr;
}

std::optional<Point> slider_point(const DialogView &v, HWND bar, MouseTarget::Part part) {
    const BarGeometry g = bar_geometry(v, bar);
    const int cx = g.bar.x + g.bar.w / 2;
    auto middle = [&](Rect r) -> std::optional<Point> {
        if (r.h <= 0) return std::nullopt;
        return Point{cx, r.y + r.h / 2};
    };
    switch (grab_of(part)) {
    case DialogView::Grab::LINE_UP: return middle(g.up);
    case DialogView::Grab::LINE_DOWN: return middle(g.down);
    case DialogView::Grab::PAGE_UP:
        return middle({g.track.x, g.track.y, g.track.w, g.thumb.y - g.track.y});
    case DialogView::Grab::PAGE_DOWN:
        return middle({g.track.x, g.thumb.y + g.thumb.h, g.track.w,
                       g.track.y + g.track.h - g.thumb.y - g.thumb.h});
    default: return middle(g.thumb);
    }
}

std::optional<Point> button_point(const DialogView &v, std::string_view caption) {
    if (!v.dialog) return std::nullopt;
    for (HWND h : items_of_kind(v, QUELM_ITEM_BUTTON))
        if (text_of(h) == caption) {
            const Rect r = item_rect(v, h);
            return Point{r.x + r.w / 2, r.y + r.h / 2};
        }
    return std::nullopt;
}

void draw_dialog(Canvas &canvas, const DialogView &v) {
    if (!v.dialog) return;
    const Rect f = v.frame;
    shade_rect(canvas, {f.x + 6, f.y + 6, f.w, f.h}, rgb(0, 0, 0), 96);
    fill_rect(canvas, f, kFace);
    bevel_rect(canvas, f, false);
    // Title bar: a blend from left to right, the caption in white.
    const Rect title = {f.x + kBorder, f.y + kBorder, f.w - 2 * kBorder, title_height(v)};
    for (int x = 0; x < title.w; ++x) {
        auto blend = [&](int shift) {
            const int a = int((kTitleLeft >> shift) & 0xFF), b = int((kTitleRight >> shift) & 0xFF);
            return a + (b - a) * x / std::max(title.w - 1, 1);
        };
        fill_rect(canvas, {title.x + x, title.y, 1, title.h}, rgb(blend(16), blend(8), blend(0)));
    }
    const std::string caption = text_of(v.dialog);
    const int ty = title.y + (title.h - CELL_HEIGHT * v.text_scale) / 2;
    draw_text(canvas, title.x + 4, ty, caption, kTitleText, v.text_scale);
    draw_text(canvas, title.x + 5, ty, caption, kTitleText, v.text_scale);
    for_each_item(v, [&](HWND h) {
        switch (item_of(h).kind) {
        case QUELM_ITEM_SCROLLBAR:
            draw_scroll_bar(canvas, v, h);
            draw_axis_label(canvas, v, h);
            break;
        case QUELM_ITEM_BUTTON: draw_button(canvas, v, h); break;
        case QUELM_ITEM_STATIC: draw_static(canvas, v, h); break;
        default: break;
        }
    });
    draw_legend(canvas, v);
}

}  // namespace quelm_viewer
