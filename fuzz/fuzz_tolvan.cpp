// The BMP loader fed arbitrary bytes.  Whatever it accepts must be a
// normalised DIB with the file's own colours, and reading the same bytes
// from a file must give the same block.  Nothing may be read past the input
// (libFuzzer hands it over in a buffer of exactly its size) or leaked; the
// exact results of every kind of file are pinned by the unit tests.
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
constexpr uint32_t kOs2ShortHeader = 16;

uint32_t Le16(const uint8_t *p) { return p[0] | (p[1] << 8); }
uint32_t Le32(const uint8_t *p) { return Le16(p) | (Le16(p + 2) << 16); }

size_t DibBytes(const BITMAPINFO *dib) {
    const BITMAPINFOHEADER &h = dib->bmiHeader;
    return sizeof(BITMAPINFOHEADER) + size_t{h.biClrUsed} * sizeof(RGBQUAD) + h.biSizeImage;
}

// The header is a normalised one and the colour table the file's, black
// past the pixel offset.
void CheckBlock(const BITMAPINFO *dib, const uint8_t *data, size_t size) {
    const BITMAPINFOHEADER &h = dib->bmiHeader;
    const uint64_t row = (uint64_t{uint32_t(h.biWidth)} * h.biBitCount + 31) / 32 * 4;
    FUZZ_CHECK(h.biSize == sizeof h && h.biCompression == BI_RGB && h.biHeight > 0 &&
                   h.biSizeImage == row * uint32_t(h.biHeight) && h.biClrImportant <= h.biClrUsed,
               "header not normalised");
    FUZZ_CHECK(size >= kFileHeader + kOs2ShortHeader, "accepted %zu bytes", size);
    const uint32_t headerSize = Le32(data + kFileHeader), offBits = Le32(data + 10);
    const size_t entry = headerSize == kCoreHeader ? 3 : 4;
    const auto *table = reinterpret_cast<const uint8_t *>(dib) + sizeof(BITMAPINFOHEADER);
    for (uint32_t i = 0; i < h.biClrUsed; ++i) {
        const size_t at = kFileHeader + headerSize + i * entry;
        const uint8_t *to = table + size_t{i} * 4;
        if (at + entry > offBits)
            FUZZ_CHECK(Le32(to) == 0, "missing colour %u not black", i);
        else
            FUZZ_CHECK(
                std::memcmp(data + at, to, 3) == 0 && to[3] == (entry == 3 ? 0 : data[at + 3]),
                "colour %u", i);
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
        CheckBlock(dib, data, size);
        FUZZ_CHECK(
            DibBytes(dib) == DibBytes(fromFile) && std::memcmp(dib, fromFile, DibBytes(dib)) == 0,
            "file and memory differ");
    }
    GlobalFreeLocked(dib);
    GlobalFreeLocked(fromFile);
    FUZZ_CHECK(QuelmGlobalBlocksLive() == blocks, "%ld blocks left",
               QuelmGlobalBlocksLive() - blocks);
    return 0;
}
