// The BMP loader fed arbitrary bytes.  Whatever it accepts must be a
// normalised DIB, and reading the same bytes from a file must give the same
// block.  Nothing may be read past the input (libFuzzer hands it over in a
// buffer of exactly its size) or leaked; the exact results of every kind of
// file are pinned by the unit tests.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.h"
#include "quelm_globalmem.h"
#include "tolvan.h"

namespace {

constexpr size_t kShortestFile = 14 + 16;  // the file header and the shortest DIB header

size_t DibBytes(const BITMAPINFO *dib) {
    const BITMAPINFOHEADER &h = dib->bmiHeader;
    return sizeof(BITMAPINFOHEADER) + size_t{h.biClrUsed} * sizeof(RGBQUAD) + h.biSizeImage;
}

void CheckHeader(const BITMAPINFO *dib, size_t size) {
    const BITMAPINFOHEADER &h = dib->bmiHeader;
    const uint64_t row = (uint64_t{uint32_t(h.biWidth)} * h.biBitCount + 31) / 32 * 4;
    FUZZ_CHECK(h.biSize == sizeof h && h.biCompression == BI_RGB && h.biHeight > 0 &&
                   h.biSizeImage == row * uint32_t(h.biHeight) && h.biClrImportant <= h.biClrUsed,
               "header not normalised");
    FUZZ_CHECK(size >= kShortestFile, "accepted %zu bytes", size);
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
        CheckHeader(dib, size);
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
