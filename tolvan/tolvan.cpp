// The BMP loader: Windows and OS/2 bitmap files into packed DIBs on the
// global heap.
//
// Nothing in a file is trusted.  The headers are parsed into a layout that
// is checked against the file's size before a single byte is allocated:
// uncompressed rows must all be in the file, and run-length data may only
// expand so far, so a small hostile file cannot ask for a large block.
#include "tolvan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "quelm_globalmem.h"
#ifdef QUELM_DATA_FROM_MODULE
#include "module_folder.h"
#endif

namespace {

// BITMAPFILEHEADER: 'BM', file size, two reserved words, offset of the pixels.
constexpr size_t kFileHeaderSize = 14;
constexpr uint16_t kSignature = 0x4D42;  // "BM" read little-endian
constexpr size_t kOffBitsAt = 10;

// Header sizes, the first DWORD after the file header.
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kOs2ShortHeaderSize = 16;  // OS/2 2.x, up to the bit count
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV2HeaderSize = 52;   // + RGB masks
constexpr uint32_t kV3HeaderSize = 56;   // + alpha mask
constexpr uint32_t kOs2HeaderSize = 64;  // OS/2 2.x, every field
constexpr uint32_t kV4HeaderSize = 108;  // + colour space
constexpr uint32_t kV5HeaderSize = 124;  // + intent and profile

constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitfields = 3;  // Huffman 1D in an OS/2 header
constexpr uint32_t kMaskSize = 12;             // red, green and blue DWORDs
// Red, green, blue, alpha: the layouts an uncompressed file implies.
constexpr uint32_t kStandardMasks[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0};
constexpr uint32_t k555Masks[4] = {0x7C00u, 0x03E0u, 0x001Fu, 0};
constexpr uint32_t kStandardAlpha = 0xFF000000u;

constexpr int64_t kMaxDimension = 16384;
constexpr uint32_t kMaxPaletteBits = 8;
// Run-length pixels may take this much whatever the data, and beyond it
// kRleMaxExpansion bytes per byte of data.
constexpr uint64_t kRleFreeBytes = uint64_t{1} << 20;
constexpr uint64_t kRleMaxExpansion = 256;

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

// How the file's pixels become the block's.
enum class Pixels { Copy, Masks, Rle8, Rle4 };

// Where everything lies in the file, and the header the block will carry.
struct DibLayout {
    BITMAPINFOHEADER header;
    uint64_t tableOffset;
    uint32_t tableEntrySize;  // 3 for a core header, 4 otherwise
    uint32_t tableEntries;    // held by the file, at most biClrUsed
    uint64_t pixelOffset;
    uint64_t sourceBytes;     // read from pixelOffset on
    uint64_t sourceRowBytes;  // of uncompressed rows
    uint32_t sourceBits;
    Pixels kind;
    uint32_t masks[4];  // red, green, blue, alpha, for Pixels::Masks
    bool topDown;
};

bool KnownHeaderSize(uint32_t size) {
    return size == kCoreHeaderSize || size == kOs2ShortHeaderSize || size == kInfoHeaderSize ||
           size == kV2HeaderSize || size == kV3HeaderSize || size == kOs2HeaderSize ||
           size == kV4HeaderSize || size == kV5HeaderSize;
}

bool SupportedBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Each mask is empty or one run of bits within the pixel.
bool UsableMasks(const uint32_t (&masks)[4], uint32_t bits) {
    for (uint32_t m : masks) {
        const uint32_t field = m >> (std::countr_zero(m) & 31);
        if ((bits == 16 && m > 0xFFFFu) || (field & (field + 1)) != 0) return false;
    }
    return true;
}

uint64_t RowBytes(int64_t width, uint32_t bits) {
    return (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
}

// prefix holds the first min(fileSize, kMaxPrefix) bytes of the file.
bool ParseDib(std::span<const uint8_t> prefix, uint64_t fileSize, DibLayout &out) {
    if (prefix.size() < kFileHeaderSize + 4 || Read16(prefix, 0) != kSignature) return false;
    const uint64_t offBits = Read32(prefix, kOffBitsAt);
    const uint32_t headerSize = Read32(prefix, kFileHeaderSize);
    if (!KnownHeaderSize(headerSize) || prefix.size() < kFileHeaderSize + headerSize) return false;

    const size_t h = kFileHeaderSize;
    out = DibLayout{};
    BITMAPINFOHEADER &bi = out.header;
    int64_t width, height;
    uint32_t planes, bits, compression = kCompressionRgb, clrUsed = 0, clrImportant = 0;
    out.tableEntrySize = sizeof(RGBQUAD);
    if (headerSize == kCoreHeaderSize) {
        width = Read16(prefix, h + 4);
        height = Read16(prefix, h + 6);
        planes = Read16(prefix, h + 8);
        bits = Read16(prefix, h + 10);
        out.tableEntrySize = 3;
    } else {
        width = static_cast<int32_t>(Read32(prefix, h + 4));
        height = static_cast<int32_t>(Read32(prefix, h + 8));
        planes = Read16(prefix, h + 12);
        bits = Read16(prefix, h + 14);
        if (headerSize > kOs2ShortHeaderSize) {
            compression = Read32(prefix, h + 16);
            bi.biXPelsPerMeter = static_cast<int32_t>(Read32(prefix, h + 24));
            bi.biYPelsPerMeter = static_cast<int32_t>(Read32(prefix, h + 28));
            clrUsed = Read32(prefix, h + 32);
            clrImportant = Read32(prefix, h + 36);
        }
    }
    if (planes != 1 || !SupportedBitCount(bits)) return false;
    out.topDown = height < 0;
    const int64_t rows = out.topDown ? -height : height;
    if (width < 1 || width > kMaxDimension || rows < 1 || rows > kMaxDimension) return false;

    // The masks follow a 40-byte header; the longer Windows headers hold them.
    uint64_t tableOffset = h + headerSize;
    const bool os2 = headerSize == kOs2ShortHeaderSize || headerSize == kOs2HeaderSize;
    if (compression == kCompressionRle8 || compression == kCompressionRle4) {
        const bool rle8 = compression == kCompressionRle8;
        if (bits != (rle8 ? 8u : 4u) || out.topDown) return false;
        out.kind = rle8 ? Pixels::Rle8 : Pixels::Rle4;
    } else if (compression == kCompressionBitfields && !os2 && (bits == 16 || bits == 32)) {
        const size_t masksAt = h + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize) tableOffset += kMaskSize;
        if (tableOffset > prefix.size()) return false;
        for (size_t i = 0; i < 3; ++i) out.masks[i] = Read32(prefix, masksAt + 4 * i);
        if (headerSize >= kV3HeaderSize) out.masks[3] = Read32(prefix, masksAt + kMaskSize);
    } else if (compression != kCompressionRgb) {
        return false;
    } else if (bits == 16 || bits == 32) {
        std::copy_n(bits == 16 ? k555Masks : kStandardMasks, 4, out.masks);
    }
    // 32-bit pixels in the standard layout are kept as they are; other
    // masked pixels are rebuilt as 32-bit ones.
    uint32_t outBits = bits;
    if (bits == 16 || bits == 32) {
        const bool standard = bits == 32 && std::equal(out.masks, out.masks + 3, kStandardMasks) &&
                              (out.masks[3] == 0 || out.masks[3] == kStandardAlpha);
        if (!standard && !UsableMasks(out.masks, bits)) return false;
        out.kind = standard ? Pixels::Copy : Pixels::Masks;
        outBits = 32;
    }

    // A palettised file's table has biClrUsed entries, 0 or too many meaning
    // all of them, as far as they lie before the pixels; a true-colour file's
    // optional table is skipped.
    uint32_t colours = 0;
    if (bits <= kMaxPaletteBits) {
        const uint32_t most = 1u << bits;
        colours = clrUsed == 0 || clrUsed > most ? most : clrUsed;
        bi.biClrImportant = clrImportant <= colours ? clrImportant : 0;
    }
    if (offBits < tableOffset || offBits > fileSize) return false;
    out.tableEntries = static_cast<uint32_t>(
        std::min<uint64_t>(colours, (offBits - tableOffset) / out.tableEntrySize));

    const uint64_t pixelBytes = RowBytes(width, outBits) * static_cast<uint64_t>(rows);
    const uint64_t available = fileSize - offBits;
    out.sourceRowBytes = RowBytes(width, bits);
    out.sourceBits = bits;
    if (out.kind == Pixels::Rle8 || out.kind == Pixels::Rle4) {
        out.sourceBytes = available;
        if (pixelBytes > kRleFreeBytes &&
            (pixelBytes - kRleFreeBytes + kRleMaxExpansion - 1) / kRleMaxExpansion > available)
            return false;
    } else {
        out.sourceBytes = out.sourceRowBytes * static_cast<uint64_t>(rows);
        if (out.sourceBytes > available) return false;
    }

    out.tableOffset = tableOffset;
    out.pixelOffset = offBits;
    bi.biSize = sizeof(BITMAPINFOHEADER);
    bi.biWidth = static_cast<int32_t>(width);
    bi.biHeight = static_cast<int32_t>(rows);
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<uint16_t>(outBits);
    bi.biCompression = kCompressionRgb;
    bi.biSizeImage = static_cast<uint32_t>(pixelBytes);
    bi.biClrUsed = colours;
    return true;
}

// One mask's field of a pixel, scaled to 0..255 with rounding.
struct Channel {
    uint32_t mask;
    int shift;
    uint64_t top;  // the field's largest value

    explicit Channel(uint32_t m) : mask(m), shift(std::countr_zero(m) & 31), top(m >> shift) {}
    uint8_t operator()(uint32_t pixel) const {
        if (top == 0) return 0;
        return static_cast<uint8_t>((uint64_t{(pixel & mask) >> shift} * 510 + top) / (2 * top));
    }
};

void UnpackRow(const DibLayout &layout, const uint8_t *from, uint8_t *to) {
    const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]),
        alpha(layout.masks[3]);
    const size_t size = layout.sourceBits / 8;
    const std::span<const uint8_t> row(from, size * static_cast<size_t>(layout.header.biWidth));
    for (size_t at = 0; at < row.size(); at += size, to += 4) {
        const uint32_t pixel = size == 4 ? Read32(row, at) : Read16(row, at);
        to[0] = blue(pixel);
        to[1] = green(pixel);
        to[2] = red(pixel);
        to[3] = alpha(pixel);
    }
}

// Rows run bottom-up in the data as in the block.  Decoding ends at the
// end-of-bitmap escape, at the end of the data, or before the first run or
// escape that is cut short or would leave its row or the picture; pixels
// never written keep index 0, which the zeroed block already holds.
void DecodeRle(const DibLayout &layout, std::span<const uint8_t> data, uint8_t *pixels) {
    const bool four = layout.kind == Pixels::Rle4;
    const uint64_t width = static_cast<uint64_t>(layout.header.biWidth);
    const uint64_t rows = static_cast<uint64_t>(layout.header.biHeight);
    const uint64_t rowBytes = layout.header.biSizeImage / rows;
    uint64_t x = 0, y = 0;
    // Each pixel is written at most once: runs only move on.
    auto put = [&](uint8_t index) {
        uint8_t *row = pixels + y * rowBytes;
        if (four)
            row[x / 2] |= static_cast<uint8_t>(x % 2 ? index : index << 4);
        else
            row[x] = index;
        ++x;
    };
    size_t at = 0;
    while (y < rows && data.size() - at >= 2) {
        const uint8_t count = data[at], value = data[at + 1];
        at += 2;
        if (count > 0) {  // `count` pixels of one index, or two alternating
            if (x + count > width) return;
            for (int i = 0; i < count; ++i) put(!four ? value : i % 2 ? value & 15 : value >> 4);
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // delta: right and up
            if (data.size() - at < 2) return;
            x += data[at];
            y += data[at + 1];
            at += 2;
            if (x > width) return;
        } else {  // `value` indices as they are, padded to a 16-bit boundary
            const size_t bytes = four ? (value + 1u) / 2 : value;
            if (data.size() - at < bytes || x + value > width) return;
            for (size_t i = 0; i < value; ++i) {
                const uint8_t b = data[at + (four ? i / 2 : i)];
                put(!four ? b : i % 2 ? b & 15 : b >> 4);
            }
            at += std::min(bytes + bytes % 2, data.size() - at);
        }
    }
}

// The block for a checked layout, from the file's first bytes and the
// source bytes it names.
BITMAPINFO *BuildDib(const DibLayout &layout, std::span<const uint8_t> prefix,
                     std::span<const uint8_t> source) {
    const BITMAPINFOHEADER &bi = layout.header;
    const size_t tableBytes = size_t{bi.biClrUsed} * sizeof(RGBQUAD);
    auto *dib = static_cast<BITMAPINFO *>(
        GlobalAllocLocked(sizeof(BITMAPINFOHEADER) + tableBytes + bi.biSizeImage));
    if (!dib) return nullptr;
    std::memcpy(&dib->bmiHeader, &bi, sizeof bi);
    // Entries the file does not hold stay black.
    auto *table = reinterpret_cast<uint8_t *>(dib) + sizeof(BITMAPINFOHEADER);
    const uint8_t *entry = prefix.data() + layout.tableOffset;
    for (uint32_t i = 0; i < layout.tableEntries; ++i, entry += layout.tableEntrySize) {
        // Blue, green, red; the fourth byte is reserved and a core entry has none.
        const RGBQUAD quad = {entry[0], entry[1], entry[2],
                              layout.tableEntrySize == sizeof(RGBQUAD) ? entry[3] : uint8_t{0}};
        std::memcpy(table + size_t{i} * sizeof(RGBQUAD), &quad, sizeof quad);
    }
    uint8_t *pixels = table + tableBytes;
    if (layout.kind == Pixels::Rle8 || layout.kind == Pixels::Rle4) {
        DecodeRle(layout, source, pixels);
        return dib;
    }
    // Top-down files come back bottom-up like every other DIB.
    const size_t rows = static_cast<size_t>(bi.biHeight), rowBytes = bi.biSizeImage / rows;
    for (size_t r = 0; r < rows; ++r) {
        const size_t fileRow = layout.topDown ? rows - 1 - r : r;
        const uint8_t *from = source.data() + fileRow * layout.sourceRowBytes;
        if (layout.kind == Pixels::Masks)
            UnpackRow(layout, from, pixels + r * rowBytes);
        else
            std::memcpy(pixels + r * rowBytes, from, rowBytes);
    }
    return dib;
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

    // Both lie within the file, whose size fitted in a long.
    std::vector<uint8_t> source(static_cast<size_t>(layout.sourceBytes));
    if (std::fseek(file, static_cast<long>(layout.pixelOffset), SEEK_SET) != 0 ||
        std::fread(source.data(), 1, source.size(), file) != source.size())
        return nullptr;  // the file shrank under us
    return BuildDib(layout, head, source);
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
    if (!file) return true;
    try {
        dib = ReadDibFile(file);
    } catch (const std::bad_alloc &) {
        dib = nullptr;  // no room for the file's pixels
    }
    std::fclose(file);
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

// The data folder of the installation that holds the loader: relative to the
// folder of its module (the shared library, or the program a static one is
// linked into), so that an installation moved to any prefix finds its art.
bool TryBesideModule(const char *name, BITMAPINFO *&dib) {
#ifdef QUELM_DATA_FROM_MODULE
    static const char kAnchor = 0;  // any address inside this module
    constexpr char kRelative[] = "/" QUELM_DATA_FROM_MODULE;
    char folder[4096];
    if (!ModuleFolder(&kAnchor, folder, sizeof folder - (sizeof kRelative - 1))) return false;
    std::strcat(folder, kRelative);
    return TryInFolder(folder, name, dib);
#else
    (void)name;
    (void)dib;
    return false;
#endif
}

// The data folder of the prefix the library was configured with.
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
    return BuildDib(layout, head,
                    file.subspan(static_cast<size_t>(layout.pixelOffset),
                                 static_cast<size_t>(layout.sourceBytes)));
}

extern "C" BITMAPINFO *QUELMAPI OpenDIB(const char *name) try {
    if (!name || !*name) return nullptr;
    BITMAPINFO *dib = nullptr;
    if (TryFile(name, dib) || HasDirectory(name)) return dib;
    if (TryInFolder(std::getenv("QUELM_DATA"), name, dib)) return dib;
    if (TryBesideModule(name, dib)) return dib;
    TryInFolder(InstalledDataFolder(), name, dib);
    return dib;
} catch (...) {
    return nullptr;  // no room for a path
}
