// The BMP loader: what it reads and how it normalises it, where it looks for
// a bare name, and that hostile files give null without reading out of
// bounds, allocating, or leaking.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "globalmem.h"
#include "tolvan.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRle8 = 1, kRle4 = 2, kBitfields = 3;
const std::vector<uint32_t> kStandard = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};

// What a test file should contain.  height < 0 writes rows top-down.
struct BmpSpec {
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
    uint32_t trailing = 0;             // bytes after the pixels
    std::vector<uint8_t> data = {};    // run-length data, or the pattern's rows
};

// A file, and the pixels and colour table of the DIB it should give.
struct BmpFile {
    std::vector<uint8_t> bytes;
    std::vector<RGBQUAD> table;
    std::vector<uint8_t> pixels;
    uint16_t bits;
};

// Little-endian fields of `bytes` bytes, appended or overwritten.
void Put(std::vector<uint8_t> &b, uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Poke(std::vector<uint8_t> &b, size_t at, uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

size_t RowBytes(int64_t width, int bits) {
    return static_cast<size_t>((width * bits + 31) / 32 * 4);
}

// A masked field scaled to 0..255, done the slow way.
uint8_t Scaled(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    const uint32_t low = mask & (~mask + 1);
    return static_cast<uint8_t>(std::lround((pixel & mask) / low * 255.0 / (mask / low)));
}

// A small BMP writer, independent of the loader.  Uncompressed pixel bytes
// are a pattern the loader cannot guess, padding is zero; masked pixels are
// expected widened to 32 bits unless they are in the standard layout.
BmpFile WriteBmp(const BmpSpec &s) {
    BmpFile f;
    const bool core = s.headerSize == 12, rle = s.compression == kRle8 || s.compression == kRle4;
    const uint32_t most = s.bits <= 8 ? 1u << s.bits : 0;
    const uint32_t entries = s.entries >= 0 ? s.entries : s.clrUsed ? s.clrUsed : most;
    const uint32_t entrySize = core ? 3 : 4;
    const bool masksAfterHeader = !s.masks.empty() && s.headerSize == 40;
    const uint32_t offBits = 14 + s.headerSize + (masksAfterHeader ? 4 * uint32_t(s.masks.size()) : 0) +
                            entries * entrySize + s.gap;
    const int64_t rows = s.height < 0 ? -int64_t{s.height} : s.height;
    const size_t rowBytes = RowBytes(s.width, s.bits);
    std::vector<uint8_t> data = s.data;
    for (int64_t k = 0; !rle && k < rows; ++k)  // in file order
        for (size_t x = 0; x < rowBytes; ++x)
            data.push_back(x < size_t(s.width * s.bits + 7) / 8 ? static_cast<uint8_t>(x * 31 + k * 17 + 1) : 0);

    auto &b = f.bytes;
    b = {'B', 'M'};
    Put(b, offBits + static_cast<uint32_t>(data.size()));
    Put(b, 0);
    Put(b, offBits);
    Put(b, s.headerSize);
    Put(b, static_cast<uint32_t>(s.width), core ? 2 : 4);
    Put(b, static_cast<uint32_t>(s.height), core ? 2 : 4);
    Put(b, 1, 2);  // planes
    Put(b, s.bits, 2);
    // biSizeImage is left 0, as writers often do; colour space etc. ignored.
    for (uint32_t v : {s.compression, 0u, 3780u, 2835u, s.clrUsed, s.clrImportant})
        if (b.size() < 14 + s.headerSize) Put(b, v);
    for (uint32_t m : s.masks) Put(b, m);
    b.resize(std::max<size_t>(b.size(), 14 + s.headerSize), 0);
    for (uint32_t i = 0; i < entries; ++i) {
        const RGBQUAD q = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                           static_cast<BYTE>(i * 7), static_cast<BYTE>(core ? 0 : i % 3)};
        b.insert(b.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, q.rgbReserved});
        if (core) b.pop_back();
        if (i < most) f.table.push_back(q);
    }
    f.table.resize(s.bits <= 8 && s.clrUsed && s.clrUsed < most ? s.clrUsed : most, RGBQUAD{});
    b.resize(b.size() + s.gap, 0xEE);
    EXPECT_EQ(b.size(), offBits);
    b.insert(b.end(), data.begin(), data.end());
    b.resize(b.size() + s.trailing, 0xCC);

    // The DIB's rows, bottom-up.
    std::vector<uint32_t> masks = s.masks;
    if (masks.empty()) masks = s.bits == 16 ? std::vector<uint32_t>{0x7C00, 0x3E0, 0x1F} : kStandard;
    masks.resize(4, 0);
    const bool copy = s.bits != 16 && (s.bits != 32 || (std::equal(kStandard.begin(), kStandard.end(), masks.begin()) && (masks[3] == 0 || masks[3] == 0xFF000000u)));
    f.bits = copy ? s.bits : 32;
    for (int64_t r = 0; !rle && r < rows; ++r) {
        const uint8_t *row = data.data() + (s.height < 0 ? rows - 1 - r : r) * rowBytes;
        if (copy) {
            f.pixels.insert(f.pixels.end(), row, row + rowBytes);
            continue;
        }
        for (int32_t x = 0; x < s.width; ++x) {
            uint32_t p = 0;
            std::memcpy(&p, row + x * s.bits / 8, s.bits / 8);
            f.pixels.insert(f.pixels.end(), {Scaled(p, masks[2]), Scaled(p, masks[1]), Scaled(p, masks[0]), Scaled(p, masks[3])});
        }
    }
    return f;
}

// The loader's result, released at the end of the scope.
struct Dib {
    BITMAPINFO *p;
    explicit Dib(BITMAPINFO *dib) : p(dib) {}
    ~Dib() { GlobalFreeLocked(p); }
    Dib(const Dib &) = delete;
    Dib &operator=(const Dib &) = delete;
};

Dib Load(const std::vector<uint8_t> &bytes) {
    return Dib(OpenDIBFromMemory(bytes.data(), bytes.size()));
}

// Checks a result against the file it came from: the normalised header, the
// colour table and the pixels.
void ExpectReads(const BmpSpec &s, const BmpFile &f) {
    const Dib dib = Load(f.bytes);
    ASSERT_NE(dib.p, nullptr);
    const BITMAPINFOHEADER &h = dib.p->bmiHeader;
    const LONG rows = std::abs(s.height);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, s.width);
    EXPECT_EQ(h.biHeight, rows);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, f.bits);
    EXPECT_EQ(h.biCompression, 0u);
    ASSERT_EQ(h.biSizeImage, RowBytes(s.width, f.bits) * rows);
    const bool short_ = s.headerSize <= 16;
    EXPECT_EQ(h.biXPelsPerMeter, short_ ? 0 : 3780);
    EXPECT_EQ(h.biYPelsPerMeter, short_ ? 0 : 2835);
    // An important count beyond the table means nothing: all are.
    EXPECT_EQ(h.biClrImportant, s.clrImportant <= f.table.size() ? s.clrImportant : 0u);
    ASSERT_EQ(h.biClrUsed, f.table.size());
    EXPECT_EQ(std::memcmp(dib.p->bmiColors, f.table.data(), f.table.size() * sizeof(RGBQUAD)), 0);
    ASSERT_EQ(f.pixels.size(), h.biSizeImage);
    EXPECT_EQ(std::memcmp(dib.p->bmiColors + h.biClrUsed, f.pixels.data(), f.pixels.size()), 0);
}

void ExpectReads(const BmpSpec &s) { ExpectReads(s, WriteBmp(s)); }

// Every test must hand back each block it got.
class Tolvan : public ::testing::Test {
protected:
    void SetUp() override { live_ = QuelmGlobalBlocksLive(); }
    void TearDown() override { EXPECT_EQ(QuelmGlobalBlocksLive(), live_) << "leaked DIB blocks"; }

    // Null, and not a single allocation on the way.
    static void ExpectRefused(const std::vector<uint8_t> &bytes, const std::string &what) {
        const long before = QuelmGlobalAllocations();
        Dib dib = Load(bytes);
        EXPECT_EQ(dib.p, nullptr) << what;
        EXPECT_EQ(QuelmGlobalAllocations(), before) << what << ": allocated";
    }

private:
    long live_ = 0;
};

// ------------------------------------------------------------ good files

TEST_F(Tolvan, ReadsEveryDepthOrientationAndHeader) {
    for (uint32_t header : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        for (uint16_t bits : {1, 4, 8, 16, 24, 32})
            for (int32_t width : {1, 3, 5, 17, 33})
                for (int32_t height : {1, 4, -1, -5}) {
                    if (header == 12 && (bits == 16 || bits == 32 || height < 0)) continue;
                    SCOPED_TRACE(testing::Message() << "header " << header << ", " << bits
                                                    << " bits, " << width << " x " << height);
                    ExpectReads(
                        {.headerSize = header, .width = width, .height = height, .bits = bits});
                }
}

TEST_F(Tolvan, ReadsOtherLayouts) {
    const auto masks = [](uint32_t header, uint16_t bits, std::vector<uint32_t> m) {
        return BmpSpec{.headerSize = header, .height = -3, .bits = bits, .compression = kBitfields, .masks = m};
    };
    const std::pair<const char *, BmpSpec> rows[] = {
        {"colour counts of the file's own", {.clrUsed = 5, .clrImportant = 3}},
        {"an important count beyond the table", {.bits = 4, .clrImportant = 17}},
        {"a table longer than the depth allows", {.bits = 1, .clrUsed = 3}},
        {"a table cut short by the pixels", {.bits = 4, .clrUsed = 9, .entries = 4}},
        {"no table at 8 bits", {.entries = 0}},
        {"a core table cut short", {.headerSize = 12, .entries = 200}},
        {"24 bits with a table to drop", {.bits = 24, .clrUsed = 6}},
        {"16 bits with a table to drop", {.bits = 16, .clrUsed = 6}},
        {"pixels from their offset and no further",
         {.width = 9, .height = -3, .bits = 4, .gap = 100, .trailing = 64}},
        {"16384 wide", {.width = 16384, .height = -2, .bits = 1}},
        {"16384 tall", {.width = 1, .height = 16384, .bits = 1}},
        {"5-6-5", masks(40, 16, {0xF800, 0x7E0, 0x1F})},
        {"4-4-4-4", masks(124, 16, {0xF00, 0xF0, 0xF, 0xF000})},
        {"1-5-5-5", masks(108, 16, {0x7C00, 0x3E0, 0x1F, 0x8000})},
        {"16 bits, one channel empty", masks(52, 16, {0xFF00, 0, 0xF})},
        {"standard, header 40", masks(40, 32, kStandard)},
        {"standard with alpha", masks(56, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u})},
        {"blue and red swapped", masks(40, 32, {0xFF, 0xFF00, 0xFF0000})},
        {"10-10-10", masks(108, 32, {0x3FF00000, 0xFFC00, 0x3FF})},
        {"alpha low, green all but it", masks(124, 32, {0, 0xFFFFFF00u, 0, 0xFF})},
        {"one field of 32 bits", masks(52, 32, {0xFFFFFFFFu, 0, 0})},
    };
    for (const auto &[what, s] : rows) {
        SCOPED_TRACE(what);
        ExpectReads(s);
    }
}

// Run-length data and the picture it gives: each DIB row bottom-up, unpadded,
// in hex (two digits a pixel at 8 bits, one at 4).
TEST_F(Tolvan, ReadsRunLengthFiles) {
    const struct {
        const char *what;
        uint32_t compression;
        int32_t width;
        std::vector<uint8_t> data;
        std::vector<std::string> picture;
    } rows[] = {
        {"runs, odd absolute run, end of line, delta, end of bitmap", kRle8, 6,
         {3, 1, 0, 3, 0xA2, 3, 0xFF, 0, 0, 0, 2, 2, 0, 2, 1, 1, 1, 3, 0, 1, 9, 9},
         {"010101a203ff", "020200000000", "000000030000"}},
        {"even absolute run, full rows, no end of bitmap", kRle8, 4,
         {0, 4, 5, 6, 7, 8, 0, 0, 4, 9, 0, 0, 1, 1, 0},
         {"05060708", "09090909", "01000000"}},
        {"absolute run ending the data unpadded", kRle8, 4, {0, 3, 1, 2, 3},
         {"01020300", "00000000", "00000000"}},
        {"a run past its row", kRle8, 4, {2, 7, 3, 8, 0, 0, 1, 9},
         {"07070000", "00000000", "00000000"}},
        {"a delta to the row's end, and past it", kRle8, 4,
         {1, 5, 0, 2, 3, 0, 0, 0, 1, 6, 0, 2, 4, 0, 1, 7},
         {"05000000", "06000000", "00000000"}},
        {"a delta above the picture", kRle8, 4, {1, 5, 0, 2, 0, 3, 1, 6},
         {"05000000", "00000000", "00000000"}},
        {"rows above the picture", kRle8, 4, {0, 0, 0, 0, 1, 4, 0, 0, 1, 6},
         {"00000000", "00000000", "04000000"}},
        {"an absolute run cut short", kRle8, 4, {1, 5, 0, 3, 1, 2},
         {"05000000", "00000000", "00000000"}},
        {"a delta cut short", kRle8, 4, {1, 5, 0, 2, 1}, {"05000000", "00000000", "00000000"}},
        {"4 bits: runs, odd absolute run, end of line, delta", kRle4, 7,
         {5, 0x12, 0, 0, 0, 5, 0x34, 0x5F, 0x20, 0, 0, 0, 0, 2, 1, 0, 3, 0x45, 0, 1},
         {"1212100", "345f200", "0454000"}},
        {"4 bits: even absolute run from an odd pixel", kRle4, 5,
         {1, 0x70, 0, 4, 0xAB, 0xCD, 0, 0, 0, 3, 0x12, 0x30, 0, 0, 4, 0xEF},
         {"7abcd", "12300", "efef0"}},
        {"4 bits: a run past its row", kRle4, 7, {0, 5, 0x12, 0x34, 0x50, 0, 3, 0x67},
         {"1234500", "0000000", "0000000"}},
        {"4 bits: an absolute run cut short", kRle4, 7, {1, 0x90, 0, 5, 0x12, 0x34},
         {"9000000", "0000000", "0000000"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const BmpSpec s{.width = row.width, .height = 3, .bits = uint16_t(row.compression == kRle8 ? 8 : 4),
                        .compression = row.compression, .data = row.data};
        BmpFile f = WriteBmp(s);
        for (std::string hex : row.picture) {
            hex.resize(RowBytes(s.width, s.bits) * 2, '0');
            for (size_t i = 0; i < hex.size(); i += 2)
                f.pixels.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        }
        ExpectReads(s, f);
    }
    // 1 MiB of pixels whatever the data, and 256 bytes more per byte of it.
    const BmpSpec big{.width = 512, .height = 2049, .compression = kRle8, .data = {0, 1}};
    BmpFile f = WriteBmp(big);
    f.pixels.resize(512 * 2049);
    ExpectReads(big, f);
}

// Files that hold every byte they claim, in layouts the loader does not read.
TEST_F(Tolvan, RefusesWhatItDoesNotRead) {
    const auto masks = [](uint32_t header, uint16_t bits, std::vector<uint32_t> m) {
        return BmpSpec{.headerSize = header, .bits = bits, .compression = kBitfields, .masks = m};
    };
    const std::pair<const char *, BmpSpec> rows[] = {
        {"8-bit bitfields", masks(40, 8, kStandard)},
        {"24-bit bitfields", masks(40, 24, kStandard)},
        {"a mask with a hole", masks(40, 16, {0xF800, 0x7E0, 0x1D})},
        {"an alpha mask with a hole", masks(56, 32, {0xFF0000, 0xFF00, 0xFF, 0x81000000u})},
        {"a mask past 16 bits", masks(108, 16, {0x1F000, 0x7E0, 0x1F})},
        {"OS/2 Huffman 1D", {.headerSize = 64, .bits = 1, .compression = 3}},
        {"OS/2 bitfields' code", masks(64, 16, {})},
        {"OS/2 RLE24", {.headerSize = 64, .bits = 24, .compression = 4}},
        {"JPEG", {.bits = 24, .compression = 4}},
        {"alpha bitfields",
         {.bits = 32, .compression = 6, .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000u}}},
        {"RLE8 at 4 bits", {.bits = 4, .compression = kRle8, .data = {0, 1}}},
        {"RLE4 at 8 bits", {.compression = kRle4, .data = {0, 1}}},
        {"RLE8 top-down", {.height = -2, .compression = kRle8, .data = {0, 1}}},
        {"more pixels than the run-length data may give",
         {.width = 512, .height = 2049, .compression = kRle8, .data = {1}}},
        {"16385 wide", {.width = 16385, .height = -2, .bits = 1}},
        {"16385 tall", {.width = 1, .height = 16385, .bits = 1}},
        {"16385 rows top-down", {.width = 1, .height = -16385, .bits = 1}},
    };
    for (const auto &[what, s] : rows) ExpectRefused(WriteBmp(s).bytes, what);
}

// --------------------------------------------------------- hostile files

TEST_F(Tolvan, RefusesEveryTruncation) {
    EXPECT_EQ(OpenDIBFromMemory(nullptr, 100), nullptr);
    std::vector<BmpSpec> specs = {
        {.width = 5, .bits = 16, .compression = kBitfields, .masks = {0xF800, 0x7E0, 0x1F}}};
    for (uint32_t header : {12u, 16u, 40u, 124u})
        for (uint16_t bits : {1, 8, 24}) specs.push_back({.headerSize = header, .width = 5, .height = 3, .bits = bits});
    for (const BmpSpec &s : specs) {
        const std::vector<uint8_t> bytes = WriteBmp(s).bytes;
        for (size_t n = 0; n < bytes.size(); ++n)
            ExpectRefused({bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n)},
                          "cut at " + std::to_string(n));
    }
}

// Each lie overwrites one field of a valid file.
struct Field {
    const char *name;
    size_t at;  // from the start of the file
    int width;  // 2 or 4 bytes
    std::vector<uint32_t> lies;
};

TEST_F(Tolvan, RefusesLyingHeaders) {
    const BmpFile info = WriteBmp({.width = 5, .height = 3});
    const BmpFile core = WriteBmp({.headerSize = 12, .width = 4});
    const auto size = static_cast<uint32_t>(info.bytes.size());
    const std::pair<const BmpFile *, std::vector<Field>> files[] = {
        {&info,
         {{"signature", 0, 2, {'B' | ('A' << 8)}},
          {"pixel offset", 10, 4, {size, size + 1, 0xFFFFFFFFu, 14 + 39}},
          {"header size", 14, 4, {0, 20, 48, size, 0xFFFFFFF0u}},
          {"width", 18, 4, {0, static_cast<uint32_t>(-5), 16385, 0x7FFFFFFFu, 0x80000000u, 9}},
          {"height", 22, 4, {0, 16385, static_cast<uint32_t>(-16385), 0x80000000u, 4}},
          {"planes", 26, 2, {0, 2}},
          {"bits", 28, 2, {0, 2, 3, 64}},
          // bitfields at 8 bits, JPEG, PNG, alpha bitfields, unknown
          {"compression", 30, 4, {3, 4, 5, 6, 0x12345678u}}}},
        {&core,
         {{"core width", 18, 2, {0, 0xFFFF}},
          {"core height", 20, 2, {0}},
          {"core planes", 22, 2, {3}},
          {"core bits", 24, 2, {16}},
          {"core pixel offset inside the header", 10, 4, {14 + 11}}}},
    };
    for (const auto &[file, fields] : files) {
        ASSERT_NE(Load(file->bytes).p, nullptr);
        for (const Field &field : fields)
            for (uint32_t lie : field.lies) {
                std::vector<uint8_t> bytes = file->bytes;
                Poke(bytes, field.at, lie, field.width);
                ExpectRefused(bytes, std::string(field.name) + " " + std::to_string(lie));
            }
    }
}

// Dimensions whose pixel count overflows 32 bits, claimed by a tiny file,
// must not make the loader ask for the memory they would take.
TEST_F(Tolvan, HugeClaimsAllocateNothing) {
    for (uint16_t bits : {1, 8, 16, 32}) {
        std::vector<uint8_t> bytes = WriteBmp({.width = 1, .height = 1, .bits = bits}).bytes;
        Poke(bytes, 18, 16384);
        Poke(bytes, 22, static_cast<uint32_t>(-16384));
        ExpectRefused(bytes, "16384 x 16384");
        Poke(bytes, 18, 65536);
        Poke(bytes, 22, 65536);  // 2^32 pixels
        ExpectRefused(bytes, "65536 x 65536");
    }
}

// ------------------------------------------------------------- file search

#ifndef TOLVAN_INSTALLED_DIR
#error "the test build names the installed data folder the loader was compiled with"
#endif

void SetEnv(const char *name, const char *value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// Folders standing in for the current directory and QUELM_DATA, one pair per
// test, beside the installed data folder the loader was compiled with.  Tests
// may run at once, so each uses a file name of its own.
class TolvanSearch : public Tolvan {
protected:
    void SetUp() override {
        Tolvan::SetUp();
        const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
        name_ = test + ".bmp";
        root_ = installed_.parent_path() / "tolvan_search" / test;
        cwd_ = root_ / "cwd";
        data_ = root_ / "data";
        Clean();
        fs::create_directories(cwd_);
        fs::create_directories(data_);
        fs::create_directories(installed_);
        saved_ = fs::current_path();
        fs::current_path(cwd_);
        const char *env = std::getenv("QUELM_DATA");
        hadEnv_ = env != nullptr;
        savedEnv_ = env ? env : "";
        SetEnv("QUELM_DATA", data_.string().c_str());
    }
    void TearDown() override {
        fs::current_path(saved_);
        SetEnv("QUELM_DATA", hadEnv_ ? savedEnv_.c_str() : nullptr);
        Clean();
        Tolvan::TearDown();
    }
    void Clean() {
        fs::remove_all(root_);
        fs::remove(installed_ / name_);
        fs::remove_all(installed_ / root_.filename());
    }

    static void Write(const fs::path &file, const std::vector<uint8_t> &bytes) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    // A one-row bitmap whose width tells where it was found.
    static void Put(const fs::path &file, int width) {
        Write(file, WriteBmp({.width = width, .height = 1}).bytes);
    }
    // The width of what OpenDIB found, 0 for null.
    static int FoundWidth(const std::string &name) {
        const Dib dib(OpenDIB(name.c_str()));
        return dib.p ? dib.p->bmiHeader.biWidth : 0;
    }

    const fs::path installed_ = TOLVAN_INSTALLED_DIR;
    fs::path root_, cwd_, data_, saved_;
    std::string name_, savedEnv_;
    bool hadEnv_ = false;
};

TEST_F(TolvanSearch, RefusesTruncatedAndMissingFiles) {
    std::vector<uint8_t> bytes = WriteBmp(BmpSpec{}).bytes;
    bytes.pop_back();
    Write(cwd_ / name_, bytes);
    const long before = QuelmGlobalAllocations();
    EXPECT_EQ(OpenDIB(name_.c_str()), nullptr);
    EXPECT_EQ(OpenDIB("absent.bmp"), nullptr);
    EXPECT_EQ(OpenDIB(""), nullptr);
    EXPECT_EQ(OpenDIB(nullptr), nullptr);
    EXPECT_EQ(QuelmGlobalAllocations(), before);
}

TEST_F(TolvanSearch, LooksInCurrentDirectoryThenQuelmDataThenInstalledFolder) {
    Put(cwd_ / name_, 1);
    Put(data_ / name_, 2);
    Put(installed_ / name_, 3);
    EXPECT_EQ(FoundWidth(name_), 1);
    fs::remove(cwd_ / name_);
    EXPECT_EQ(FoundWidth(name_), 2);
    SetEnv("QUELM_DATA", (data_.string() + "/").c_str());
    EXPECT_EQ(FoundWidth(name_), 2);
    // An unset or empty QUELM_DATA is skipped.
    SetEnv("QUELM_DATA", nullptr);
    EXPECT_EQ(FoundWidth(name_), 3);
    SetEnv("QUELM_DATA", "");
    EXPECT_EQ(FoundWidth(name_), 3);
    SetEnv("QUELM_DATA", data_.string().c_str());
    fs::remove(data_ / name_);
    EXPECT_EQ(FoundWidth(name_), 3);
    fs::remove(installed_ / name_);
    EXPECT_EQ(FoundWidth(name_), 0);
    // A file found but not readable ends the search.
    Put(data_ / name_, 2);
    std::ofstream(cwd_ / name_, std::ios::binary) << "BM not a bitmap";
    EXPECT_EQ(FoundWidth(name_), 0);
}

TEST_F(TolvanSearch, OpensANameWithADirectoryAsGiven) {
    const std::string sub = root_.filename().string();
    const std::string relative = sub + "/" + name_;
    Put(data_ / sub / name_, 2);
    Put(installed_ / sub / name_, 3);
    EXPECT_EQ(FoundWidth(relative), 0);
    Put(cwd_ / sub / name_, 5);
    EXPECT_EQ(FoundWidth(relative), 5);
    EXPECT_EQ(FoundWidth("./" + relative), 5);
    EXPECT_EQ(FoundWidth((data_ / sub / name_).string()), 2);
}

}  // namespace
