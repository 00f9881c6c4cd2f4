// mkquelmbmp - writes quelm.bmp, the playing-surface art the stadium builder
// opens: a small 8-bit bitmap whose colour table is the default palette.
// Nothing reads its pixels; they show the turf checkerboard.
//
// Usage: mkquelmbmp OUTPUT.bmp
#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/bmp.h"
#include "common/palette.h"

namespace {

constexpr int kSide = 16;  // pixels
constexpr int kSquare = 4;

std::vector<uint8_t> QuelmBitmap() {
    std::vector<bmp::Colour> colours;
    for (const RGBQUAD &c : QuelmDefaultPalette) colours.push_back({c.rgbRed, c.rgbGreen, c.rgbBlue});
    std::vector<uint8_t> pixels;
    for (int row = 0; row < kSide; ++row) {
        const int y = kSide - 1 - row;  // counted from the bottom
        for (int x = 0; x < kSide; ++x)
            pixels.push_back(((x / kSquare + y / kSquare) & 1) ? QUELM_MAT_TURF_ALT : QUELM_MAT_TURF);
    }
    return bmp::Encode8(kSide, kSide, pixels.data(), colours);
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
