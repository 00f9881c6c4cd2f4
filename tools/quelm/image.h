// image.h - pictures and palettes for quelm's host tools: the 8-bit
// pictures the library draws, the palettes that colour them, and their
// files (palettised PNG, 8-bit BMP, animated GIF; BMP, JASC-PAL and GIMP
// palettes).  Failures throw quelm_tool::Failure with a one-line message.
#ifndef QUELM_TOOLS_IMAGE_H
#define QUELM_TOOLS_IMAGE_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace quelm_tool {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb &) const = default;
};
using Palette = std::array<Rgb, 256>;

// The colours the tools show the stadium in.
Palette default_palette();

// Reads a palette: the colour table of a BMP of 8 bits or fewer per pixel, a
// JASC-PAL file or a GIMP palette, told apart by their first bytes.  Indices
// the file leaves out keep the default palette's colours.
Palette read_palette_file(const std::string &path);

// width x height palette indices, top row first, no padding.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Write the picture with all 256 colours to an open file; `name` is for
// messages.
void write_png(FILE *file, const std::string &name, const IndexedImage &image,
               const Palette &palette);
void write_bmp(FILE *file, const std::string &name, const IndexedImage &image,
               const Palette &palette);

// Reads an 8-bit palettised PNG (the kind write_png makes); false with the
// reason in error for anything else.
bool read_png(const std::string &path, IndexedImage &image, Palette &palette, std::string &error);

// An animated GIF written frame by frame to an open file; it loops forever.
// The frames are palette indices already, so they go out as they are.
class GifWriter {
public:
    GifWriter(FILE *file, std::string name, int width, int height, const Palette &palette);
    ~GifWriter();
    GifWriter(const GifWriter &) = delete;
    GifWriter &operator=(const GifWriter &) = delete;
    // delay: hundredths of a second this frame stays up.
    void add_frame(const IndexedImage &frame, int delay);
    // Writes the trailer; the file is complete only after this.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace quelm_tool

#endif
