// canvas.h - the viewer's 32-bit drawing surface: what the window shows,
// composed from the 8-bit picture and the overlays drawn over it, and the
// small bitmap font every overlay writes with.
#ifndef QUELM_VIEWER_CANVAS_H
#define QUELM_VIEWER_CANVAS_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace quelm_viewer {

// 0x00RRGGBB.
using Colour = uint32_t;

constexpr Colour rgb(int r, int g, int b) {
    return (Colour(r & 0xFF) << 16) | (Colour(g & 0xFF) << 8) | Colour(b & 0xFF);
}

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// width x height pixels, top row first.  Every drawing call clips to it.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;

    void resize(int w, int h);
    Colour at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

void fill_rect(Canvas &canvas, Rect r, Colour colour);
// Mixes colour over what is there, alpha of 256 parts.
void shade_rect(Canvas &canvas, Rect r, Colour colour, int alpha);
// A one-pixel frame just inside r.
void frame_rect(Canvas &canvas, Rect r, Colour colour);
// A raised (or, pressed, sunken) panel edge: light top-left, dark bottom-right.
void bevel_rect(Canvas &canvas, Rect r, bool pressed);

// The font: 5 x 7 glyphs for printable ASCII (descenders two rows lower) in
// cells of 6 x 10, each pixel drawn as scale x scale.  Other characters show
// as '?'.
inline constexpr int GLYPH_WIDTH = 5;
inline constexpr int GLYPH_HEIGHT = 9;
inline constexpr int CELL_WIDTH = 6;
inline constexpr int CELL_HEIGHT = 10;

int text_width(std::string_view text, int scale);
// Draws text with its top-left cell corner at (x, y); returns the x after it.
int draw_text(Canvas &canvas, int x, int y, std::string_view text, Colour colour, int scale);

}  // namespace quelm_viewer

#endif
