// The BMP loader: what it reads and how it normalises it, where it looks for
// a bare name, and that hostile files give null without reading out of
// bounds, allocating, or leaking.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "quelm_globalmem.h"
#include "tolvan.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRle8 = 1, kRle4 = 2, kBitfields = 3;
const std::vector<uint32_t> kStandard = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};

// What a test file should contain.  height < 0 writes rows top-down.
struct BmpLayout {
    uint32_t headerSize = 40;
    int32_t width = 3;
    int32_t height = 2;
    uint16_t bits = 8;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
    std::vector<uint32_t> masks = {};  // red, green, blue[, alpha]
    int entries = -1;                  // colour entries written, -1: as the header says
    uint32_t gap = 0;                  // bytes between the colour table and the pixels
    std::vector<uint8_t> data = {};    // run-length data; rows are a pattern
};

// A file, and the block the loader should make of it.
struct BmpFile {
    std::vector<uint8_t> bytes, dib;
};

// A little-endian field of `bytes` bytes, appended.
void Put(std::vector<uint8_t> &b, uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t RowBytes(int64_t width, int bits) {
    return static_cast<uint32_t>((width * bits + 31) / 32 * 4);
}

// A masked field scaled to 0..255, done the slow way.
uint8_t Scaled(uint32_t pixel, uint32_t mask) {
    const uint32_t low = mask & (~mask + 1);
    return mask ? uint8_t(std::lround((pixel & mask) / low * 255.0 / (mask / low))) : 0;
}

// A small BMP writer, independent of the loader, and the DIB it should give: rows bottom-up, in
// the file's depth unless masks widen them to 32 bits.  Uncompressed pixel bytes are a pattern the
// loader cannot guess; a run-length file's pixels are `picture`: hex rows, bottom-up, 0 past its end.
BmpFile WriteBmp(const BmpLayout &s, const std::string &picture = "") {
    const bool core = s.headerSize == 12, rle = s.compression == kRle8 || s.compression == kRle4;
    const uint32_t most = s.bits <= 8 ? 1u << s.bits : 0;
    const uint32_t entries = s.entries >= 0 ? s.entries : s.clrUsed ? s.clrUsed : most;
    const auto masksAfter = static_cast<uint32_t>(s.headerSize == 40 ? 4 * s.masks.size() : 0);
    const uint32_t offBits = 14 + s.headerSize + masksAfter + entries * (core ? 3 : 4) + s.gap;
    const uint32_t rows = uint32_t(std::abs(s.height)), rowBytes = RowBytes(s.width, s.bits);
    std::vector<uint8_t> data = s.data;
    for (uint32_t i = 0; !rle && i < rowBytes * rows; ++i) data.push_back(uint8_t(i * 31 + 1));

    BmpFile f;
    std::vector<uint8_t> &b = f.bytes = {'B', 'M'};
    for (uint32_t v : {offBits + static_cast<uint32_t>(data.size()), 0u, offBits, s.headerSize})
        Put(b, v);
    for (int32_t v : {s.width, s.height}) Put(b, static_cast<uint32_t>(v), core ? 2 : 4);
    Put(b, 1 | s.bits << 16);  // planes, bits
    // biSizeImage is left 0, as writers often do; colour space etc. is ignored.
    for (uint32_t v : {s.compression, 0u, 3780u, 2835u, s.clrUsed, s.clrImportant})
        if (b.size() < 14 + s.headerSize) Put(b, v);
    for (uint32_t m : s.masks) Put(b, m);
    b.resize(std::max<size_t>(b.size(), 14 + s.headerSize), 0);
    std::vector<uint8_t> table;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t q[4] = {uint8_t(i), uint8_t(~i), uint8_t(i * 7), uint8_t(core ? 0 : i % 3)};
        b.insert(b.end(), q, q + (core ? 3 : 4));
        table.insert(table.end(), q, q + 4);
    }
    b.resize(b.size() + s.gap, 0xEE);
    b.insert(b.end(), data.begin(), data.end());

    std::vector<uint32_t> m = s.compression == kBitfields ? s.masks
                              : s.bits == 16 ? std::vector<uint32_t>{0x7C00, 0x3E0, 0x1F}
                                             : kStandard;
    m.resize(4, 0);
    const bool standard = std::equal(kStandard.begin(), kStandard.end(), m.begin()) &&
                          (m[3] == 0 || m[3] == 0xFF000000u);
    const bool copy = s.bits != 16 && (s.bits != 32 || standard);
    const uint32_t outBits = copy ? s.bits : 32, size = RowBytes(s.width, outBits) * rows;
    // Entries beyond the depth are dropped, missing ones black.
    const uint32_t colours = s.clrUsed && s.clrUsed < most ? s.clrUsed : most;
    const uint32_t ppm = s.headerSize <= 16 ? 0 : 1;
    auto &d = f.dib;
    for (uint32_t v : {40u, uint32_t(s.width), rows, 1 | outBits << 16, 0u, size, 3780 * ppm,
                       2835 * ppm, colours, s.clrImportant <= colours ? s.clrImportant : 0u})
        Put(d, v);
    table.resize(colours * 4, 0);
    d.insert(d.end(), table.begin(), table.end());
    for (size_t i = 0; i + 1 < picture.size(); i += picture[i] == ' ' ? 1 : 2)
        if (picture[i] != ' ') d.push_back(uint8_t(std::stoul(picture.substr(i, 2), nullptr, 16)));
    for (uint32_t r = 0; !rle && r < rows; ++r) {
        const uint8_t *row = data.data() + (s.height < 0 ? rows - 1 - r : r) * rowBytes;
        for (int32_t x = 0; !copy && x < s.width; ++x) {
            uint32_t p = 0;
            std::memcpy(&p, row + x * s.bits / 8, s.bits / 8);
            d.insert(d.end(), {Scaled(p, m[2]), Scaled(p, m[1]), Scaled(p, m[0]), Scaled(p, m[3])});
        }
        if (copy) d.insert(d.end(), row, row + rowBytes);
    }
    d.resize(40 + table.size() + size, 0);
    return f;
}

// The loader's result, released at the end of the scope.
using Dib = std::unique_ptr<BITMAPINFO, decltype(&GlobalFreeLocked)>;

Dib Load(const std::vector<uint8_t> &bytes) {
    return Dib(OpenDIBFromMemory(bytes.data(), bytes.size()), GlobalFreeLocked);
}

void ExpectReads(const BmpLayout &s, const std::string &picture = "") {
    const BmpFile f = WriteBmp(s, picture);
    const Dib dib = Load(f.bytes);
    ASSERT_NE(dib, nullptr);
    const auto *block = reinterpret_cast<const uint8_t *>(dib.get());
    ASSERT_EQ(std::memcmp(block, f.dib.data(), 40), 0) << "header";
    const auto diff = std::mismatch(f.dib.begin(), f.dib.end(), block).first - f.dib.begin();
    EXPECT_EQ(diff, std::ssize(f.dib)) << "first wrong byte of " << f.dib.size();
}

// Every test must hand back each block it got.
class Tolvan : public ::testing::Test {
protected:
    void SetUp() override { live_ = QuelmGlobalBlocksLive(); }
    void TearDown() override { EXPECT_EQ(QuelmGlobalBlocksLive(), live_) << "leaked DIB blocks"; }

    // Null, and not a single allocation on the way.
    static void ExpectRefused(const std::vector<uint8_t> &bytes, const std::string &what) {
        const long before = QuelmGlobalAllocations();
        EXPECT_EQ(Load(bytes), nullptr) << what;
        EXPECT_EQ(QuelmGlobalAllocations(), before) << what << ": allocated";
    }

private:
    long live_ = 0;
};

TEST_F(Tolvan, ReadsEveryDepthOrientationAndHeader) {
    for (uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        for (uint16_t bits : {1, 4, 8, 16, 24, 32})
            for (int32_t w : {1, 3, 5, 17, 33})
                for (int32_t h : {1, 4, -1, -5}) {
                    if (size == 12 && (bits % 16 == 0 || h < 0)) continue;  // no such files
                    SCOPED_TRACE(testing::Message() << "header " << size << ", " << bits
                                                    << " bits, " << w << " x " << h);
                    ExpectReads({.headerSize = size, .width = w, .height = h, .bits = bits});
                }
}

BmpLayout Masked(uint32_t h, uint16_t b, std::vector<uint32_t> m) {
    return {.headerSize = h, .height = -3, .bits = b, .compression = kBitfields, .masks = m};
}

BmpLayout Rle(uint16_t b, int32_t w, std::vector<uint8_t> d) {
    return {.width = w, .height = 3, .bits = b, .compression = b == 8 ? kRle8 : kRle4, .data = d};
}

TEST_F(Tolvan, ReadsEveryKind) {
    const struct {
        const char *what;
        BmpLayout layout;
        const char *picture = "";
    } rows[] = {
        {"colour counts of the file's own", {.clrUsed = 5, .clrImportant = 3}},
        {"an important count beyond the table", {.bits = 4, .clrImportant = 17}},
        {"a table longer than the depth allows", {.bits = 1, .clrUsed = 3}},
        {"a table cut short by the pixels", {.bits = 4, .clrUsed = 9, .entries = 4}},
        {"a core table cut short", {.headerSize = 12, .entries = 200}},
        {"24 bits with a table to drop", {.bits = 24, .clrUsed = 6}},
        {"pixels from their offset", {.width = 9, .height = -3, .bits = 4, .gap = 100}},
        {"16384 wide", {.width = 16384, .height = -2, .bits = 1}},
        {"16384 tall", {.width = 1, .height = 16384, .bits = 1}},
        {"5-6-5", Masked(40, 16, {0xF800, 0x7E0, 0x1F})},
        {"1-5-5-5", Masked(108, 16, {0x7C00, 0x3E0, 0x1F, 0x8000})},
        {"standard with alpha", Masked(56, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u})},
        {"blue and red swapped", Masked(40, 32, {0xFF, 0xFF00, 0xFF0000})},
        {"alpha low, green all but it", Masked(124, 32, {0, 0xFFFFFF00u, 0, 0xFF})},
        {"one field of 32 bits", Masked(52, 32, {0xFFFFFFFFu, 0, 0})},
        // Run-length data, and the DIB's rows it gives in hex, bottom-up.
        {"runs, odd absolute run, end of line, delta, end of bitmap",
         Rle(8, 8, {3, 1, 0, 3, 0xA2, 3, 0xFF, 0, 0, 0, 2, 2, 0, 2, 1, 1, 1, 3, 0, 1, 9, 9}),
         "010101a203ff0000 0202000000000000 0000000300000000"},
        {"last absolute run unpadded", Rle(8, 4, {0, 3, 1, 2, 3}), "010203"},
        {"a run past its row", Rle(8, 4, {2, 7, 3, 8, 0, 0, 1, 9}), "0707"},
        {"delta to the row's end, then past",
         Rle(8, 4, {1, 5, 0, 2, 3, 0, 0, 0, 1, 6, 0, 2, 4, 0, 1, 7}), "05000000 06"},
        {"rows above the picture", Rle(8, 4, {0, 0, 0, 0, 1, 4, 0, 0, 1, 6}),
         "0000000000000000 04"},
        {"an absolute run cut short", Rle(8, 4, {1, 5, 0, 3, 1, 2}), "05"},
        {"a delta cut short", Rle(8, 4, {1, 5, 0, 2, 1}), "05"},
        {"4 bits: runs, odd absolute run, end of line, delta",
         Rle(4, 8, {5, 0x12, 0, 0, 0, 5, 0x34, 0x5F, 0x20, 0, 0, 0, 0, 2, 1, 0, 3, 0x45, 0, 1}),
         "12121000 345f2000 04540000"},
        {"4 bits: even absolute run from an odd pixel",
         Rle(4, 8, {1, 0x70, 0, 4, 0xAB, 0xCD, 0, 0, 0, 3, 0x12, 0x30, 0, 0, 4, 0xEF}),
         "7abcd000 12300000 efef0000"},
        // 1 MiB of pixels whatever the data, and 256 bytes more per byte of it.
        {"the most two bytes may give",
         {.width = 512, .height = 2049, .compression = kRle8, .data = {0, 1}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ExpectReads(row.layout, row.picture);
    }
}

// Files that hold every byte they claim, in layouts the loader does not read.
TEST_F(Tolvan, RefusesWhatItDoesNotRead) {
    const std::pair<const char *, BmpLayout> rows[] = {
        {"a mask with a hole", Masked(40, 16, {0xF800, 0x7E0, 0x1D})},
        {"an alpha mask with a hole", Masked(56, 32, {0xFF0000, 0xFF00, 0xFF, 0x81000000u})},
        {"a mask past 16 bits", Masked(108, 16, {0x1F000, 0x7E0, 0x1F})},
        {"OS/2 Huffman 1D's code at 16 bits", {.headerSize = 64, .bits = 16, .compression = 3}},
        {"RLE8 at 4 bits", {.bits = 4, .compression = kRle8, .data = {0, 1}}},
        {"RLE8 top-down", {.height = -2, .compression = kRle8, .data = {0, 1}}},
        {"more pixels than run-length data may give",
         {.width = 512, .height = 2049, .compression = kRle8, .data = {1}}},
        {"16385 wide", {.width = 16385, .height = -2, .bits = 1}},
        {"16385 tall", {.width = 1, .height = 16385, .bits = 1}},
    };
    for (const auto &[what, s] : rows) ExpectRefused(WriteBmp(s).bytes, what);
}

// Each lie overwrites one field (2, 4 or 8 bytes) of a valid file; every
// file cut short is refused.
TEST_F(Tolvan, RefusesLyingHeadersAndTruncation) {
    EXPECT_EQ(OpenDIBFromMemory(nullptr, 100), nullptr);
    const std::vector<uint8_t> info = WriteBmp({.width = 5, .height = 3}).bytes;
    const std::vector<uint8_t> core = WriteBmp({.headerSize = 12, .width = 4}).bytes;
    const std::vector<uint8_t> masked = WriteBmp(Masked(40, 16, {0xF800, 0x7E0, 0x1F})).bytes;
    for (const std::vector<uint8_t> *file : {&info, &core, &masked}) {
        ASSERT_NE(Load(*file), nullptr);
        for (size_t n = 0; n < file->size(); ++n)
            ExpectRefused({file->begin(), file->begin() + static_cast<ptrdiff_t>(n)},
                          "cut at " + std::to_string(n));
    }
    const uint64_t size = info.size(), huge = uint64_t{static_cast<uint32_t>(-16384)} << 32;
    // File, field, offset, bytes, lies.
    const std::tuple<const std::vector<uint8_t> &, const char *, size_t, int, std::vector<uint64_t>>
        fields[] = {
            {info, "signature", 0, 2, {'B' | ('A' << 8)}},
            {info, "pixel offset", 10, 4, {size, size + 1, 0xFFFFFFFFu, 14 + 39}},
            {info, "header size", 14, 4, {0, 20, 48, size, 0xFFFFFFF0u}},
            {info, "width", 18, 4, {0, 0xFFFFFFFBu, 16385, 0x7FFFFFFFu, 0x80000000u, 9}},
            {info, "height", 22, 4, {0, 16385, 0xFFFFBFFFu, 0x80000000u, 4}},
            // Claims a tiny file cannot hold must not be allocated for.
            {info, "width and height", 18, 8, {16384 | huge, 65536 | uint64_t{65536} << 32}},
            {info, "planes", 26, 2, {0, 2}},
            {info, "bits", 28, 2, {0, 2, 3, 64}},
            // bitfields at 8 bits, JPEG, PNG, alpha bitfields, unknown
            {info, "compression", 30, 4, {3, 4, 5, 6, 0x12345678u}},
            {core, "core width", 18, 2, {0, 0xFFFF}},
        };
    for (const auto &[file, name, at, width, lies] : fields)
        for (uint64_t lie : lies) {
            std::vector<uint8_t> bytes = file;
            for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(lie >> (8 * i));
            ExpectRefused(bytes, std::string(name) + " " + std::to_string(lie));
        }
}

// A bare name is looked for in the current directory, then QUELM_DATA, then
// the installed data folder the loader was compiled with; folders of the
// test's own stand in for the first two.
TEST_F(Tolvan, LooksInCurrentDirectoryThenQuelmDataThenInstalledFolder) {
    const fs::path installed = TOLVAN_INSTALLED_DIR, saved = fs::current_path();
    const fs::path root = installed.parent_path() / "tolvan_search";
    const fs::path cwd = root / "cwd", data = root / "data";
    const std::string name = "tolvan_search.bmp";
    // A one-row bitmap whose width tells where it was found, and that width.
    const auto put = [](const fs::path &file, int width) {
        fs::create_directories(file.parent_path());
        const std::vector<uint8_t> bytes = WriteBmp({.width = width, .height = 1}).bytes;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::ssize(bytes));
    };
    const auto found = [](const std::string &path) {
        const Dib dib(OpenDIB(path.c_str()), GlobalFreeLocked);
        return dib ? dib->bmiHeader.biWidth : 0;
    };
    fs::remove_all(root);
    put(cwd / name, 1);
    put(data / name, 2);
    put(installed / name, 3);
    fs::current_path(cwd);
    setenv("QUELM_DATA", data.c_str(), 1);
    EXPECT_EQ(found(name), 1);
    fs::remove(cwd / name);
    EXPECT_EQ(found(name), 2);
    // An unset QUELM_DATA is skipped.
    unsetenv("QUELM_DATA");
    EXPECT_EQ(found(name), 3);
    setenv("QUELM_DATA", data.c_str(), 1);
    fs::remove(data / name);
    EXPECT_EQ(found(name), 3);
    // A file found but cut short ends the search, and nothing is allocated.
    put(data / name, 2);
    put(cwd / name, 1);
    fs::resize_file(cwd / name, fs::file_size(cwd / name) - 1);
    const long before = QuelmGlobalAllocations();
    EXPECT_EQ(found(name), 0);
    for (const char *bad : {"absent.bmp", "", static_cast<const char *>(nullptr)})
        EXPECT_EQ(OpenDIB(bad), nullptr);
    EXPECT_EQ(QuelmGlobalAllocations(), before);
    // A name with a folder is opened as given, and only there.
    put(data / "sub" / name, 2);
    EXPECT_EQ(found("sub/" + name), 0);
    EXPECT_EQ(found((data / "sub" / name).string()), 2);
    fs::current_path(saved);
    fs::remove_all(root);
    fs::remove(installed / name);
}

}  // namespace
