// The window's picture, and screenshots of it.
#include "tools/viewer/compose.h"

#include <png.h>

#include <algorithm>
#include <vector>

#include "tools/quelm/cli.h"
#include "tools/quelm/output_file.h"

namespace quelm_viewer {

Lookup lookup_of(const quelm_tool::Palette &palette) {
    Lookup lookup{};
    for (size_t i = 0; i < lookup.size(); ++i)
        lookup[i] = rgb(palette[i].r, palette[i].g, palette[i].b);
    return lookup;
}

void compose(const quelm_tool::HostBitmap &picture, const Lookup &lookup, Rect shown,
             Canvas &canvas) {
    std::fill(canvas.pixels.begin(), canvas.pixels.end(), 0);
    const int x0 = std::max(shown.x, 0), x1 = std::min(shown.x + shown.w, canvas.width);
    const int y0 = std::max(shown.y, 0), y1 = std::min(shown.y + shown.h, canvas.height);
    for (int y = y0; y < y1; ++y) {
        const int64_t from = int64_t(y - shown.y) * picture.height / shown.h;
        // Bottom-up rows, the usual DIB.
        const uint8_t *in =
            picture.bits.data() + size_t(picture.height - 1 - from) * size_t(picture.stride);
        Colour *out = canvas.pixels.data() + size_t(y) * size_t(canvas.width);
        for (int x = x0; x < x1; ++x)
            out[x] = lookup[in[int64_t(x - shown.x) * picture.width / shown.w]];
    }
}

bool is_png_name(std::string_view path) {
    const std::string ext = quelm_tool::extension_of(path);
    return ext.empty() || ext == ".png";
}

void write_screenshot(const std::string &path, const Canvas &canvas) {
    std::vector<uint8_t> rows(size_t(canvas.width) * size_t(canvas.height) * 3);
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        rows[3 * i] = uint8_t(canvas.pixels[i] >> 16);
        rows[3 * i + 1] = uint8_t(canvas.pixels[i] >> 8);
        rows[3 * i + 2] = uint8_t(canvas.pixels[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(canvas.width);
    image.height = png_uint_32(canvas.height);
    image.format = PNG_FORMAT_RGB;
    // The file appears whole or not at all.
    quelm_tool::OutputFile out(path);
    if (!png_image_write_to_stdio(&image, out.stream(), 0, rows.data(), 0, nullptr))
        quelm_tool::failed("cannot write the screenshot " + path + ": " + image.message);
    out.commit();
}

}  // namespace quelm_viewer
