// bmp.h - an 8-bit Windows BMP made in memory: bottom-up rows padded to four
// bytes after a 40-byte info header and the colour table.  The one BMP
// writer of the tools and of the art generator.
#ifndef QUELM_COMMON_BMP_H
#define QUELM_COMMON_BMP_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bmp {

struct Colour {
    uint8_t red, green, blue;
};

// pixels: width x height colour indices, top row first.  colours: the
// colour table, at most 256 entries.
inline std::vector<uint8_t> Encode8(int width, int height, const uint8_t *pixels,
                                    const std::vector<Colour> &colours) {
    constexpr uint32_t kFileHeader = 14, kInfoHeader = 40;
    constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch
    const uint32_t stride = (static_cast<uint32_t>(width) + 3) & ~3u;
    const uint32_t bits = stride * static_cast<uint32_t>(height);
    const uint32_t offset = kFileHeader + kInfoHeader + static_cast<uint32_t>(colours.size()) * 4;
    std::vector<uint8_t> out;
    out.reserve(offset + bits);
    auto put16 = [&out](uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&put16](uint32_t v) {
        put16(v & 0xFFFFu);
        put16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    put32(offset + bits);
    put32(0);  // reserved
    put32(offset);
    put32(kInfoHeader);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));  // positive: bottom-up
    put16(1);                              // planes
    put16(8);                              // bits per pixel
    put32(0);                              // BI_RGB
    put32(bits);
    put32(kPixelsPerMetre);
    put32(kPixelsPerMetre);
    put32(static_cast<uint32_t>(colours.size()));
    put32(0);  // all colours important
    for (const Colour &c : colours) {
        out.push_back(c.blue);
        out.push_back(c.green);
        out.push_back(c.red);
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t *row = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        out.insert(out.end(), row, row + width);
        out.insert(out.end(), stride - static_cast<uint32_t>(width), 0);
    }
    return out;
}

}  // namespace bmp

#endif
