// The viewer's panel, passing news and key list.
#include "tools/viewer/hud.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include <quelm/quelm.h>
#include "tools/viewer/options.h"

namespace quelm_viewer {

namespace {

constexpr Colour kPanel = rgb(8, 12, 24), kLabel = rgb(150, 160, 180), kValue = rgb(240, 240, 240),
                 kTitle = rgb(255, 208, 64), kOff = rgb(80, 86, 100), kOn = rgb(120, 230, 120),
                 kWarn = rgb(255, 96, 80);
constexpr int kPanelAlpha = 200;

struct Writer {
    Canvas &canvas;
    int scale;
    int x0, x, y;

    void text(std::string_view s, Colour c) { x = draw_text(canvas, x, y, s, c, scale); }
    void gap() { x += CELL_WIDTH * scale; }
    void newline() {
        x = x0;
        y += (CELL_HEIGHT + 2) * scale;
    }
};

std::string format(const char *fmt, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, fmt, value);
    return buffer;
}

std::string count(int64_t n) { return std::to_string(n); }

struct PlanBit {
    uint32_t bit;
    const char *name;
};
constexpr PlanBit kPlanBits[] = {
    {PLAN_NEAR, "near"},     {PLAN_MEDIUM, "medium"}, {PLAN_FAR, "far"},
    {PLAN_FINE, "fine"},     {PLAN_COARSE, "coarse"}, {PLAN_STANDS, "stands"},
    {PLAN_GROUND, "ground"},
};

// The panel's width in characters.
constexpr int kColumns = 46;

}  // namespace

Colour work_colour(FrameWork work) {
    switch (work) {
    case FrameWork::COMPLETE: return rgb(255, 150, 40);
    case FrameWork::RAPID_PAN: return rgb(60, 200, 255);
    case FrameWork::NOTHING: break;
    }
    return rgb(90, 96, 110);
}

int draw_hud(Canvas &canvas, const HudInfo &in, int s) {
    const int pad = 6 * s;
    const int width = kColumns * CELL_WIDTH * s + 2 * pad;
    const int lines = 8;
    const int strip_h = 6 * s;
    const int height = 2 * pad + lines * (CELL_HEIGHT + 2) * s + strip_h + 4 * s;
    const Rect panel = {8, 8, width, height};
    shade_rect(canvas, panel, kPanel, kPanelAlpha);
    frame_rect(canvas, panel, rgb(70, 80, 110));

    Writer w{canvas, s, panel.x + pad, panel.x + pad, panel.y + pad};
    w.text("quelm viewer", kTitle);
    w.gap();
    w.text("camera ", kLabel);
    w.text(in.mode, kValue);
    if (in.spin_paused) w.text(" (paused)", kWarn);
    w.newline();

    w.text(format("%.0f", in.fps), kValue);
    w.text(" fps  work ", kLabel);
    w.text(format("%.2f", in.work_ms), kValue);
    w.text(" ms  ", kLabel);
    w.text(std::to_string(in.render_width) + "x" + std::to_string(in.render_height), kValue);
    if (in.scale > 1) w.text(" x" + std::to_string(in.scale), kLabel);
    w.newline();

    const Adaptation &a = *in.adaptation;
    w.text("adapt ", kLabel);
    w.text(a.on ? "on" : "off", a.on ? kOn : kOff);
    w.text("  target ", kLabel);
    w.text(format("%.1f", a.target_ms), kValue);
    w.text(" ms  reports ", kLabel);
    w.text(format("%.1f", a.reported_ms(in.work_ms)), a.simulate_ms ? kWarn : kValue);
    w.text(a.simulate_ms ? " (set)" : "", kLabel);
    w.newline();

    w.text("pan limit ", kLabel);
    w.text(count(in.pan_limit), kValue);
    w.text("  tally ", kLabel);
    w.text(count(in.pan_tally), kValue);
    w.text("  surface ", kLabel);
    w.text(in.surface, std::string_view(in.surface) == "fine" ? kOn : kWarn);
    w.newline();

    w.text("surfaces ", kLabel);
    w.text(count(in.surfaces.drawn), kValue);
    w.text("  cut at the near plane ", kLabel);
    w.text(count(in.surfaces.cut), kValue);
    w.newline();

    const FrameLog &log = *in.log;
    w.text("complete ", work_colour(FrameWork::COMPLETE));
    w.text(count(log.complete), kValue);
    w.text("  rapid pan ", work_colour(FrameWork::RAPID_PAN));
    w.text(count(log.rapid_pans), kValue);
    w.text("  none ", work_colour(FrameWork::NOTHING));
    w.text(count(log.nothing), kValue);
    w.newline();

    // The most recent frames, oldest on the left.
    const int cells = int(FrameLog::RECENT);
    const int strip_w = width - 2 * pad;
    const int64_t shown = std::min<int64_t>(log.frames, cells);
    for (int i = 0; i < shown; ++i) {
        const int64_t frame = log.frames - shown + i;
        const FrameWork work = log.recent[size_t(frame % cells)];
        const int x0 = w.x0 + (cells - int(shown) + i) * strip_w / cells;
        const int x1 = w.x0 + (cells - int(shown) + i + 1) * strip_w / cells;
        fill_rect(canvas, {x0, w.y, std::max(x1 - x0 - 1, 1), strip_h}, work_colour(work));
    }
    w.y += strip_h + 4 * s;

    w.text("plan", kLabel);
    for (const PlanBit &p : kPlanBits) {
        w.gap();
        w.text(p.name, (in.settings & p.bit) ? kOn : kOff);
    }
    w.newline();
    if (in.view_refused) w.text("view refused: showing the last good one", kWarn);
    else w.text("F1 keys  C view  P spin  T adapt  H panel", kLabel);
    return height;
}

void draw_toast(Canvas &canvas, const std::string &text, int s) {
    const int pad = 6 * s;
    const int w = text_width(text, s) + 2 * pad, h = CELL_HEIGHT * s + 2 * pad;
    const Rect r = {(canvas.width - w) / 2, canvas.height - h - 16, w, h};
    shade_rect(canvas, r, kPanel, kPanelAlpha);
    frame_rect(canvas, r, rgb(70, 80, 110));
    draw_text(canvas, r.x + pad, r.y + pad, text, kValue, s);
}

void draw_key_help(Canvas &canvas, int s) {
    fill_rect(canvas, {0, 0, canvas.width, canvas.height}, kPanel);
    std::string_view help = VIEWER_HELP;
    int y = 16;
    while (!help.empty()) {
        const size_t end = help.find('\n');
        const std::string_view line = help.substr(0, end);
        draw_text(canvas, 24, y, line, y == 16 ? kTitle : kValue, s);
        y += (CELL_HEIGHT + 3) * s;
        help.remove_prefix(end == std::string_view::npos ? help.size() : end + 1);
    }
}

}  // namespace quelm_viewer
