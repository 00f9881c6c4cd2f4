// compose.h - from the 8-bit picture the library draws to what the window
// shows: each index through the palette, each pixel enlarged to a square
// without smoothing; and the window as a PNG.
#ifndef QUELM_VIEWER_COMPOSE_H
#define QUELM_VIEWER_COMPOSE_H

#include <array>
#include <string>
#include <string_view>

#include "tools/quelm/frame.h"
#include "tools/quelm/image.h"
#include "tools/viewer/canvas.h"

namespace quelm_viewer {

using Lookup = std::array<Colour, 256>;
Lookup lookup_of(const quelm_tool::Palette &palette);

// Fills the canvas: the picture stretched over `shown` without smoothing,
// cut at the canvas's edges, black where it does not reach.
void compose(const quelm_tool::HostBitmap &picture, const Lookup &lookup, Rect shown,
             Canvas &canvas);

// Whether a screenshot may be written there: a name ending in .png (any
// case) or without an extension, or - for standard output.
bool is_png_name(std::string_view path);

// Writes the canvas as an RGB PNG; throws quelm_tool::Failure when it cannot.
void write_screenshot(const std::string &path, const Canvas &canvas);

}  // namespace quelm_viewer

#endif
