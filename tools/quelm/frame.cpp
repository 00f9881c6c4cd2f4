// The host side of a frame.
#include "tools/quelm/frame.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace quelm_tool {

HostBitmap make_host_bitmap(int width, int height, const Palette &palette) {
    HostBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.stride = (width + 3) & ~3;
    bitmap.header.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    BITMAPINFO *info = bitmap.info();
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;  // bottom-up, the usual DIB
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 8;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = DWORD(bitmap.stride) * DWORD(height);
    info->bmiHeader.biClrUsed = 256;
    // The colour table runs on past the declared one-entry array.
    auto *table = reinterpret_cast<RGBQUAD *>(bitmap.header.data() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < 256; ++i) table[i] = {palette[i].b, palette[i].g, palette[i].r, 0};
    bitmap.bits.assign(size_t(bitmap.stride) * size_t(height), 0);
    return bitmap;
}

void render_frame(HostBitmap &bitmap, CAMERA &camera, SCENE *scene, uint8_t background,
                  IndexedImage &picture) {
    std::memset(bitmap.bits.data(), background, bitmap.bits.size());
    // The view takes only the rectangle's size, the clipper its edges: start
    // it at the origin so the two agree.
    camera.RenderRect = {0, 0, bitmap.width - 1, bitmap.height - 1};
    RenderScene(bitmap.info(), bitmap.bits.data(), &camera, scene);
    picture.width = bitmap.width;
    picture.height = bitmap.height;
    picture.pixels.resize(size_t(bitmap.width) * size_t(bitmap.height));
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(picture.pixels.data() + size_t(y) * size_t(bitmap.width),
                    bitmap.bits.data() + size_t(bitmap.height - 1 - y) * size_t(bitmap.stride),
                    size_t(bitmap.width));
}

bool view_possible(const CAMERA &camera) {
    CAMERA copy = camera;
    VANTAGE fresh{};
    return SetView(&copy, &fresh) != -1;
}

namespace {

// The outline of the stands: their foot, which rings the field, then their
// rim.  The sky around them is left out: the usual cameras stand inside it.
constexpr int32_t STADIUM_CORNERS[][3] = {
    {1680, 3240, 0},    {-1680, 3240, 0},   {-2220, 0, 0},       {-1680, -3240, 0},
    {1680, -3240, 0},   {2220, 0, 0},       {2760, 4500, 540},   {-2760, 4500, 540},
    {-3300, 0, 540},    {-2760, -4500, 540}, {2760, -4500, 540}, {3300, 0, 540},
};
constexpr size_t FOOT_CORNERS = 6;

// Room left at the picture's edges, and for the truncation of the visible
// span, which makes the drawn scale a little larger than asked.
constexpr double FIT_MARGIN = 0.96;

// The scale at which the first `count` corners fit, or nothing when one of
// them lies behind the near plane.
std::optional<double> fit_corners(VANTAGE &view, size_t count) {
    double scale = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < count; ++i) {
        const int32_t *p = STADIUM_CORNERS[i];
        double xc = 0, yc = 0, zc = 0;
        WorldToCamera(&view, &xc, &yc, &zc, p[0], p[1], p[2]);
        const double w = 1.0 + zc / view.CAMARA_DIST;
        if (!(w > view.W_CLIP_INSET)) return std::nullopt;
        if (xc != 0) scale = std::min(scale, view.RESX * 0.5 * w / std::fabs(xc));
        if (yc != 0) scale = std::min(scale, view.RESY * 0.5 * w / std::fabs(yc));
    }
    if (!std::isfinite(scale)) return std::nullopt;
    return scale;
}

}  // namespace

std::optional<double> fit_stadium(const CAMERA &camera) {
    CAMERA unit = camera;
    unit.Magnification = 1.0;
    VANTAGE view{};
    if (SetView(&unit, &view) == -1) return std::nullopt;
    std::optional<double> scale = fit_corners(view, std::size(STADIUM_CORNERS));
    if (!scale) scale = fit_corners(view, FOOT_CORNERS);
    if (!scale) return std::nullopt;
    // SetView needs at least one world unit across the picture.
    return std::min(*scale * FIT_MARGIN, std::min(view.RESX, view.RESY));
}

CAMERA make_camera(const double eye[3], const double target[3], int width, int height,
                   double magnification) {
    CAMERA camera{};
    camera.Xcamera = eye[0];
    camera.Ycamera = eye[1];
    camera.Zcamera = eye[2];
    camera.Xtarget = target[0];
    camera.Ytarget = target[1];
    camera.Ztarget = target[2];
    camera.RenderRect = {0, 0, width - 1, height - 1};
    camera.Magnification = magnification;
    camera.View = VIEW_DOLLY;
    return camera;
}

}  // namespace quelm_tool
