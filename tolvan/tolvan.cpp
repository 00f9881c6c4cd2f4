// The BMP loader: Windows bitmap files into packed DIBs on the global heap.
//
// Nothing in a file is trusted.  The headers are parsed into a layout that
// is checked against the file's size before a single byte is allocated, so
// the block asked for is never larger than the file plus its colour table.
#include "tolvan.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "quelm_globalmem.h"

namespace {

// BITMAPFILEHEADER: 'BM', file size, two reserved words, offset of the pixels.
constexpr size_t kFileHeaderSize = 14;
constexpr uint16_t kSignature = 0x4D42;  // "BM" read little-endian
constexpr size_t kOffBitsAt = 10;

// Header sizes, the first DWORD after the file header.
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV2HeaderSize = 52;   // + RGB masks
constexpr uint32_t kV3HeaderSize = 56;   // + alpha mask
constexpr uint32_t kV4HeaderSize = 108;  // + colour space
constexpr uint32_t kV5HeaderSize = 124;  // + intent and profile

constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitfields = 3;
constexpr uint32_t kMaskSize = 12;  // red, green and blue DWORDs
constexpr uint32_t kStandardRedMask = 0x00FF0000u;
constexpr uint32_t kStandardGreenMask = 0x0000FF00u;
constexpr uint32_t kStandardBlueMask = 0x000000FFu;

constexpr int64_t kMaxDimension = 16384;
constexpr uint32_t kMaxPaletteBits = 8;

// The most a file's headers, masks and colour table can span; the pixels
// lie somewhere after.  A table that ends within the file therefore ends
// within the prefix read of it.
constexpr size_t kMaxTableBytes = (size_t{1} << kMaxPaletteBits) * sizeof(RGBQUAD);
constexpr size_t kMaxPrefix = kFileHeaderSize + kV5HeaderSize + kMaxTableBytes;
static_assert(kFileHeaderSize + kInfoHeaderSize + kMaskSize + kMaxTableBytes <= kMaxPrefix);

uint16_t Read16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t Read32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Where everything lies in the file, and the header the block will carry.
struct DibLayout {
    BITMAPINFOHEADER header;
    uint64_t tableOffset;
    uint32_t tableEntrySize;  // 3 for a core header, 4 otherwise
    uint64_t pixelOffset;
    uint64_t rowBytes;
    bool topDown;
};

bool KnownHeaderSize(uint32_t size) {
    return size == kCoreHeaderSize || size == kInfoHeaderSize || size == kV2HeaderSize ||
           size == kV3HeaderSize || size == kV4HeaderSize || size == kV5HeaderSize;
}

bool SupportedBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// prefix holds the first min(fileSize, kMaxPrefix) bytes of the file.
bool ParseDib(std::span<const uint8_t> prefix, uint64_t fileSize, DibLayout &out) {
    if (prefix.size() < kFileHeaderSize + 4 || Read16(prefix, 0) != kSignature) return false;
    const uint64_t offBits = Read32(prefix, kOffBitsAt);
    const uint32_t headerSize = Read32(prefix, kFileHeaderSize);
    if (!KnownHeaderSize(headerSize) || prefix.size() < kFileHeaderSize + headerSize) return false;

    const size_t h = kFileHeaderSize;
    BITMAPINFOHEADER &bi = out.header;
    bi = BITMAPINFOHEADER{};
    int64_t width, height;
    uint32_t planes, bits, compression, clrUsed = 0, clrImportant = 0;
    if (headerSize == kCoreHeaderSize) {
        width = Read16(prefix, h + 4);
        height = Read16(prefix, h + 6);
        planes = Read16(prefix, h + 8);
        bits = Read16(prefix, h + 10);
        compression = kCompressionRgb;
        out.tableEntrySize = 3;
    } else {
        width = static_cast<int32_t>(Read32(prefix, h + 4));
        height = static_cast<int32_t>(Read32(prefix, h + 8));
        planes = Read16(prefix, h + 12);
        bits = Read16(prefix, h + 14);
        compression = Read32(prefix, h + 16);
        bi.biXPelsPerMeter = static_cast<int32_t>(Read32(prefix, h + 24));
        bi.biYPelsPerMeter = static_cast<int32_t>(Read32(prefix, h + 28));
        clrUsed = Read32(prefix, h + 32);
        clrImportant = Read32(prefix, h + 36);
        out.tableEntrySize = sizeof(RGBQUAD);
    }
    if (planes != 1 || !SupportedBitCount(bits)) return false;
    out.topDown = height < 0;
    const int64_t rows = out.topDown ? -height : height;
    if (width < 1 || width > kMaxDimension || rows < 1 || rows > kMaxDimension) return false;

    // The masks follow a 40-byte header; the longer headers hold them.
    uint64_t tableOffset = h + headerSize;
    if (compression == kCompressionBitfields) {
        if (bits != 32) return false;
        const size_t masksAt = h + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize) tableOffset += kMaskSize;
        if (tableOffset > prefix.size() || Read32(prefix, masksAt) != kStandardRedMask ||
            Read32(prefix, masksAt + 4) != kStandardGreenMask ||
            Read32(prefix, masksAt + 8) != kStandardBlueMask)
            return false;
    } else if (compression != kCompressionRgb) {
        return false;
    }

    // A palettised file's table has biClrUsed entries, 0 meaning all of them;
    // a true-colour file's optional table is skipped.
    uint32_t colours = 0;
    if (bits <= kMaxPaletteBits) {
        const uint32_t most = 1u << bits;
        colours = clrUsed == 0 ? most : clrUsed;
        if (colours > most) return false;
        bi.biClrImportant = clrImportant <= colours ? clrImportant : 0;
    }
    const uint64_t tableEnd = tableOffset + uint64_t{colours} * out.tableEntrySize;
    if (tableEnd > offBits || offBits > fileSize) return false;

    out.rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t pixelBytes = out.rowBytes * static_cast<uint64_t>(rows);
    if (pixelBytes > fileSize - offBits) return false;

    out.tableOffset = tableOffset;
    out.pixelOffset = offBits;
    bi.biSize = sizeof(BITMAPINFOHEADER);
    bi.biWidth = static_cast<int32_t>(width);
    bi.biHeight = static_cast<int32_t>(rows);
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<uint16_t>(bits);
    bi.biCompression = kCompressionRgb;
    bi.biSizeImage = static_cast<uint32_t>(pixelBytes);
    bi.biClrUsed = colours;
    return true;
}

// The block for a checked layout, with its header and colour table filled;
// the caller puts the pixels at DibPixels.
BITMAPINFO *AllocDib(const DibLayout &layout, std::span<const uint8_t> prefix) {
    const BITMAPINFOHEADER &bi = layout.header;
    const size_t tableBytes = size_t{bi.biClrUsed} * sizeof(RGBQUAD);
    auto *dib = static_cast<BITMAPINFO *>(
        GlobalAllocLocked(sizeof(BITMAPINFOHEADER) + tableBytes + bi.biSizeImage));
    if (!dib) return nullptr;
    std::memcpy(&dib->bmiHeader, &bi, sizeof bi);
    auto *table = reinterpret_cast<uint8_t *>(dib) + sizeof(BITMAPINFOHEADER);
    const uint8_t *entry = prefix.data() + layout.tableOffset;
    for (uint32_t i = 0; i < bi.biClrUsed; ++i, entry += layout.tableEntrySize) {
        // Blue, green, red; the fourth byte is reserved and a core entry has none.
        const RGBQUAD quad = {entry[0], entry[1], entry[2],
                              layout.tableEntrySize == sizeof(RGBQUAD) ? entry[3] : uint8_t{0}};
        std::memcpy(table + size_t{i} * sizeof(RGBQUAD), &quad, sizeof quad);
    }
    return dib;
}

uint8_t *DibPixels(BITMAPINFO *dib) {
    return reinterpret_cast<uint8_t *>(dib) + sizeof(BITMAPINFOHEADER) +
           size_t{dib->bmiHeader.biClrUsed} * sizeof(RGBQUAD);
}

// Top-down files come back bottom-up like every other DIB.
void MakeBottomUp(const DibLayout &layout, uint8_t *pixels) {
    if (!layout.topDown) return;
    const size_t row = layout.rowBytes;
    const size_t rows = static_cast<size_t>(layout.header.biHeight);
    for (size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels + top * row, pixels + (top + 1) * row, pixels + bottom * row);
}

BITMAPINFO *ReadDibFile(std::FILE *file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return nullptr;
    const long end = std::ftell(file);
    if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0) return nullptr;
    const uint64_t fileSize = static_cast<uint64_t>(end);

    uint8_t prefix[kMaxPrefix];
    const size_t prefixSize = static_cast<size_t>(std::min<uint64_t>(fileSize, kMaxPrefix));
    if (std::fread(prefix, 1, prefixSize, file) != prefixSize) return nullptr;
    DibLayout layout;
    const std::span<const uint8_t> head(prefix, prefixSize);
    if (!ParseDib(head, fileSize, layout)) return nullptr;

    BITMAPINFO *dib = AllocDib(layout, head);
    if (!dib) return nullptr;
    // The pixel offset lies within the file, whose size fitted in a long.
    uint8_t *pixels = DibPixels(dib);
    const size_t pixelBytes = layout.header.biSizeImage;
    if (std::fseek(file, static_cast<long>(layout.pixelOffset), SEEK_SET) != 0 ||
        std::fread(pixels, 1, pixelBytes, file) != pixelBytes) {
        GlobalFreeLocked(dib);  // the file shrank under us
        return nullptr;
    }
    MakeBottomUp(layout, pixels);
    return dib;
}

bool HasDirectory(const char *name) {
#ifdef _WIN32
    return std::strpbrk(name, "/\\:") != nullptr;
#else
    return std::strchr(name, '/') != nullptr;
#endif
}

// True when path names a regular file; dib is then what it held, or null.
// Anything else (a folder, a FIFO, a device) counts as no file, and opening
// never waits: a FIFO without a writer would block an open for reading.
bool TryFile(const char *path, BITMAPINFO *&dib) {
#ifdef _WIN32
    struct _stat64 st;
    if (_stat64(path, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return false;
    std::FILE *file = std::fopen(path, "rb");
#else
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    std::FILE *file = fdopen(fd, "rb");
    if (!file) close(fd);
#endif
    if (file) {
        dib = ReadDibFile(file);
        std::fclose(file);
    }
    return true;
}

// A path that cannot be put together for want of memory ends the search.
bool TryInFolder(const char *folder, const char *name, BITMAPINFO *&dib) {
    if (!folder || !*folder) return false;
    const size_t folderLength = std::strlen(folder);
    const size_t nameLength = std::strlen(name);
    auto *path = static_cast<char *>(std::malloc(folderLength + nameLength + 2));
    if (!path) return true;
    // A doubled separator is harmless on every system.
    std::memcpy(path, folder, folderLength);
    path[folderLength] = '/';
    std::memcpy(path + folderLength + 1, name, nameLength + 1);
    const bool found = TryFile(path, dib);
    std::free(path);
    return found;
}

// The installed data folder, the search's last step.  QUELM_DATA_DIR is the
// folder fixed when the library is configured; a folder found relative to the
// running module belongs here too.
const char *InstalledDataFolder() {
#ifdef QUELM_DATA_DIR
    return QUELM_DATA_DIR;
#else
    return nullptr;
#endif
}

}  // namespace

extern "C" BITMAPINFO *QUELMAPI OpenDIBFromMemory(const void *data, size_t size) {
    if (!data) return nullptr;
    const std::span<const uint8_t> file(static_cast<const uint8_t *>(data), size);
    const std::span<const uint8_t> head = file.first(std::min(size, kMaxPrefix));
    DibLayout layout;
    if (!ParseDib(head, size, layout)) return nullptr;
    BITMAPINFO *dib = AllocDib(layout, head);
    if (!dib) return nullptr;
    uint8_t *pixels = DibPixels(dib);
    std::memcpy(pixels, file.data() + layout.pixelOffset, layout.header.biSizeImage);
    MakeBottomUp(layout, pixels);
    return dib;
}

extern "C" BITMAPINFO *QUELMAPI OpenDIB(const char *name) {
    if (!name || !*name) return nullptr;
    BITMAPINFO *dib = nullptr;
    if (TryFile(name, dib) || HasDirectory(name)) return dib;
    if (TryInFolder(std::getenv("QUELM_DATA"), name, dib)) return dib;
    TryInFolder(InstalledDataFolder(), name, dib);
    return dib;
}
