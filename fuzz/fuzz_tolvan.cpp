// The BMP loader fed arbitrary bytes.  Whatever it accepts must be the
// normalised packed DIB its header promises, with the file's own pixels and
// colours in it, and reading the same bytes from a file must give the same
// block.  Nothing may be read past the input (libFuzzer hands it over in a
// buffer of exactly its size) or leaked.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.h"
#include "quelm_globalmem.h"
#include "tolvan.h"

namespace {

constexpr size_t kFileHeader = 14;
constexpr uint32_t kCoreHeader = 12;
constexpr int32_t kMaxSide = 16384;

uint32_t Le16(const uint8_t *p) { return p[0] | (p[1] << 8); }
uint32_t Le32(const uint8_t *p) { return Le16(p) | (Le16(p + 2) << 16); }

size_t DibBytes(const BITMAPINFO *dib) {
    const BITMAPINFOHEADER &h = dib->bmiHeader;
    return sizeof(BITMAPINFOHEADER) + size_t{h.biClrUsed} * sizeof(RGBQUAD) + h.biSizeImage;
}

// The header is the normalised one tolvan.h describes.
void CheckHeader(const BITMAPINFOHEADER &h) {
    FUZZ_CHECK(h.biSize == sizeof(BITMAPINFOHEADER), "biSize %u", h.biSize);
    FUZZ_CHECK(h.biWidth >= 1 && h.biWidth <= kMaxSide, "biWidth %d", h.biWidth);
    FUZZ_CHECK(h.biHeight >= 1 && h.biHeight <= kMaxSide, "biHeight %d", h.biHeight);
    FUZZ_CHECK(h.biPlanes == 1, "biPlanes %u", h.biPlanes);
    const uint32_t bits = h.biBitCount;
    FUZZ_CHECK(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32, "bits %u", bits);
    FUZZ_CHECK(h.biCompression == BI_RGB, "compression %u", h.biCompression);
    if (bits <= 8)
        FUZZ_CHECK(h.biClrUsed >= 1 && h.biClrUsed <= (1u << bits), "%u colours", h.biClrUsed);
    else
        FUZZ_CHECK(h.biClrUsed == 0, "%u colours at %u bits", h.biClrUsed, bits);
    FUZZ_CHECK(h.biClrImportant <= h.biClrUsed, "%u important of %u", h.biClrImportant,
               h.biClrUsed);
    const uint64_t row = (uint64_t{uint32_t(h.biWidth)} * bits + 31) / 32 * 4;
    FUZZ_CHECK(h.biSizeImage == row * uint32_t(h.biHeight), "biSizeImage %u", h.biSizeImage);
}

// The block holds the file's colour table and its rows, bottom row first.
void CheckAgainstFile(const BITMAPINFO *dib, const uint8_t *data, size_t size) {
    const BITMAPINFOHEADER &h = dib->bmiHeader;
    FUZZ_CHECK(size >= kFileHeader + 4, "accepted %zu bytes", size);
    const uint32_t headerSize = Le32(data + kFileHeader);
    const bool core = headerSize == kCoreHeader;
    const size_t entry = core ? 3 : 4;
    const auto *table = reinterpret_cast<const uint8_t *>(dib) + sizeof(BITMAPINFOHEADER);
    for (uint32_t i = 0; i < h.biClrUsed; ++i) {
        const uint8_t *from = data + kFileHeader + headerSize + i * entry;
        const uint8_t *to = table + size_t{i} * 4;
        FUZZ_CHECK(std::memcmp(from, to, 3) == 0 && to[3] == (core ? 0 : from[3]),
                   "colour %u", i);
    }
    const bool topDown = !core && static_cast<int32_t>(Le32(data + kFileHeader + 8)) < 0;
    const size_t rowBytes = h.biSizeImage / uint32_t(h.biHeight);
    const uint8_t *pixels = table + size_t{h.biClrUsed} * sizeof(RGBQUAD);
    const uint8_t *filePixels = data + Le32(data + 10);
    for (int32_t r = 0; r < h.biHeight; ++r) {
        const int32_t fileRow = topDown ? h.biHeight - 1 - r : r;
        FUZZ_CHECK(std::memcmp(pixels + r * rowBytes, filePixels + fileRow * rowBytes,
                               rowBytes) == 0,
                   "row %d", r);
    }
}

// The same bytes as a file, read through OpenDIB by a name with a folder.
BITMAPINFO *OpenAsFile(const uint8_t *data, size_t size) {
    static const int fd = memfd_create("fuzz_tolvan", 0);
    FUZZ_CHECK(fd >= 0, "memfd_create");
    FUZZ_CHECK(ftruncate(fd, 0) == 0, "ftruncate");
    FUZZ_CHECK(size == 0 || pwrite(fd, data, size, 0) == static_cast<ssize_t>(size), "pwrite");
    const std::string name = "/proc/self/fd/" + std::to_string(fd);
    return OpenDIB(name.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const long blocks = QuelmGlobalBlocksLive();
    BITMAPINFO *dib = OpenDIBFromMemory(data, size);
    BITMAPINFO *fromFile = OpenAsFile(data, size);
    FUZZ_CHECK((dib == nullptr) == (fromFile == nullptr), "memory %p, file %p",
               static_cast<void *>(dib), static_cast<void *>(fromFile));
    if (dib) {
        CheckHeader(dib->bmiHeader);
        CheckAgainstFile(dib, data, size);
        FUZZ_CHECK(std::memcmp(&dib->bmiHeader, &fromFile->bmiHeader, sizeof(BITMAPINFOHEADER)) ==
                           0 &&
                       std::memcmp(dib, fromFile, DibBytes(dib)) == 0,
                   "file and memory differ");
    }
    GlobalFreeLocked(dib);
    GlobalFreeLocked(fromFile);
    FUZZ_CHECK(QuelmGlobalBlocksLive() == blocks, "%ld blocks left",
               QuelmGlobalBlocksLive() - blocks);
    return 0;
}
