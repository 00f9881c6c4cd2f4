// mkquelmbmp - writes quelm.bmp, the playing-surface art the stadium builder
// opens: a small 8-bit bitmap whose colour table is the default palette.
// Nothing reads its pixels; they show the turf checkerboard.
//
// Usage: mkquelmbmp OUTPUT.bmp
#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/palette.h"

namespace {

constexpr int kSide = 16;  // pixels; rows of 16 bytes need no padding
constexpr int kSquare = 4;
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kTableSize = QUELM_PALETTE_SIZE * 4;
constexpr uint32_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize + kTableSize;
constexpr uint32_t kPixelBytes = kSide * kSide;

void Put16(std::vector<uint8_t> &out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t> &out, uint32_t v) {
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

std::vector<uint8_t> QuelmBitmap() {
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, kPixelOffset + kPixelBytes);
    Put32(out, 0);  // reserved
    Put32(out, kPixelOffset);

    Put32(out, kInfoHeaderSize);
    Put32(out, kSide);  // width
    Put32(out, kSide);  // height, bottom-up
    Put16(out, 1);      // planes
    Put16(out, 8);      // bits per pixel
    Put32(out, 0);      // BI_RGB
    Put32(out, kPixelBytes);
    Put32(out, 2835);  // 72 dpi, both ways
    Put32(out, 2835);
    Put32(out, QUELM_PALETTE_SIZE);
    Put32(out, 0);  // all colours important

    for (const RGBQUAD &c : QuelmDefaultPalette) {
        out.push_back(c.rgbBlue);
        out.push_back(c.rgbGreen);
        out.push_back(c.rgbRed);
        out.push_back(0);
    }
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            out.push_back(((x / kSquare + y / kSquare) & 1) ? QUELM_MAT_TURF_ALT : QUELM_MAT_TURF);
    return out;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: mkquelmbmp OUTPUT.bmp\n");
        return 2;
    }
    const std::vector<uint8_t> bitmap = QuelmBitmap();
    std::FILE *file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "mkquelmbmp: cannot create %s\n", argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bitmap.data(), 1, bitmap.size(), file) == bitmap.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "mkquelmbmp: cannot write %s\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
