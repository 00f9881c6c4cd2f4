// frame.h - the host side of a frame: an 8-bit DIB that RenderScene draws
// into, the check that a camera gives a view at all, and fitting the
// stadium into the picture.
#ifndef QUELM_TOOLS_FRAME_H
#define QUELM_TOOLS_FRAME_H

#include <optional>
#include <vector>

#include <quelm/quelm.h>
#include "tools/quelm/image.h"

namespace quelm_tool {

// A bottom-up 8-bit DIB with 256 colours, rows padded to four bytes, as a
// Windows host would hand it over.
struct HostBitmap {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<uint8_t> header;  // BITMAPINFO with its colour table
    std::vector<uint8_t> bits;

    BITMAPINFO *info() { return reinterpret_cast<BITMAPINFO *>(header.data()); }
};

HostBitmap make_host_bitmap(int width, int height, const Palette &palette);

// Fills the bitmap with the background index, draws one frame of the scene
// from the camera over the whole bitmap (RenderRect 0, 0, width - 1,
// height - 1, set here) and copies it top row first into picture, whose
// storage is reused from frame to frame.
void render_frame(HostBitmap &bitmap, CAMERA &camera, SCENE *scene, uint8_t background,
                  IndexedImage &picture);

// Whether SetView can build a view from the camera (tried on copies, so no
// scene is touched).
bool view_possible(const CAMERA &camera);

// The magnification at which the stands just fill a picture of the
// camera's RenderRect around its target; where they reach behind the
// camera, the field they ring; nothing when that does too.
std::optional<double> fit_stadium(const CAMERA &camera);

// A camera looking from `eye` at `target` over a width x height picture.
CAMERA make_camera(const double eye[3], const double target[3], int width, int height,
                   double magnification);

}  // namespace quelm_tool

#endif
