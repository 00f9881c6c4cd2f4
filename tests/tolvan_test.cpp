// The BMP loader: what it reads and how it normalises it, where it looks for
// a bare name, and that hostile files give null without reading out of
// bounds, allocating, or leaking.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "globalmem.h"
#include "tolvan.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kBitfields = 3;

// What a test file should contain.  height < 0 writes rows top-down.
struct BmpSpec {
    uint32_t headerSize = 40;
    int32_t width = 3;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bits = 8;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
    uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    uint32_t gap = 0;  // bytes between the colour table and the pixels
};

struct BmpFile {
    std::vector<uint8_t> bytes;
    std::vector<RGBQUAD> table;              // as the DIB should hold it
    std::vector<std::vector<uint8_t>> rows;  // image rows top to bottom, padded
    size_t offBitsAt = 10, headerAt = 14;
};

void Put16(std::vector<uint8_t> &b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t> &b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Poke32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Poke16(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

size_t RowBytes(int64_t width, int bits) {
    return static_cast<size_t>((width * bits + 31) / 32 * 4);
}

// A small BMP writer, independent of the loader.  The pixel bytes are a
// pattern the loader cannot guess, padding is zero.
BmpFile WriteBmp(const BmpSpec &s) {
    BmpFile f;
    const bool core = s.headerSize == 12;
    const uint32_t entries = s.bits <= 8 && s.clrUsed == 0 ? 1u << s.bits : s.clrUsed;
    const uint32_t entrySize = core ? 3 : 4;
    const bool masksAfterHeader = s.compression == kBitfields && s.headerSize == 40;
    const uint32_t offBits =
        14 + s.headerSize + (masksAfterHeader ? 12 : 0) + entries * entrySize + s.gap;
    const int64_t rows = s.height < 0 ? -int64_t{s.height} : s.height;
    const size_t rowBytes = RowBytes(s.width, s.bits);

    auto &b = f.bytes;
    b.push_back('B');
    b.push_back('M');
    Put32(b, offBits + static_cast<uint32_t>(rowBytes * rows));
    Put32(b, 0);
    Put32(b, offBits);
    if (core) {
        Put32(b, 12);
        Put16(b, static_cast<uint32_t>(s.width));
        Put16(b, static_cast<uint32_t>(s.height));
        Put16(b, s.planes);
        Put16(b, s.bits);
    } else {
        Put32(b, s.headerSize);
        Put32(b, static_cast<uint32_t>(s.width));
        Put32(b, static_cast<uint32_t>(s.height));
        Put16(b, s.planes);
        Put16(b, s.bits);
        Put32(b, s.compression);
        Put32(b, 0);  // biSizeImage, which writers often leave 0
        Put32(b, 3780);
        Put32(b, 2835);
        Put32(b, s.clrUsed);
        Put32(b, s.clrImportant);
        const size_t headerEnd = 14 + s.headerSize;
        if (s.headerSize > 40 || masksAfterHeader)
            for (uint32_t m : s.masks) Put32(b, m);
        if (s.headerSize > 52) b.resize(headerEnd, 0x5A);  // colour space etc.: ignored
    }
    for (uint32_t i = 0; i < entries; ++i) {
        const RGBQUAD q = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                           static_cast<BYTE>(i * 7), static_cast<BYTE>(core ? 0 : i % 3)};
        b.push_back(q.rgbBlue);
        b.push_back(q.rgbGreen);
        b.push_back(q.rgbRed);
        if (!core) b.push_back(q.rgbReserved);
        if (s.bits <= 8) f.table.push_back(q);
    }
    b.resize(b.size() + s.gap, 0xEE);
    EXPECT_EQ(b.size(), offBits);

    const size_t used = static_cast<size_t>((int64_t{s.width} * s.bits + 7) / 8);
    for (int64_t y = 0; y < rows; ++y) {
        std::vector<uint8_t> row(rowBytes, 0);
        for (size_t x = 0; x < used; ++x) row[x] = static_cast<uint8_t>(x * 31 + y * 17 + 1);
        f.rows.push_back(row);
    }
    for (int64_t k = 0; k < rows; ++k) {
        const auto &row = f.rows[static_cast<size_t>(s.height < 0 ? k : rows - 1 - k)];
        b.insert(b.end(), row.begin(), row.end());
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
    const uint8_t *Pixels() const {
        return reinterpret_cast<const uint8_t *>(p) + sizeof(BITMAPINFOHEADER) +
               p->bmiHeader.biClrUsed * sizeof(RGBQUAD);
    }
    size_t Size() const {
        return sizeof(BITMAPINFOHEADER) + p->bmiHeader.biClrUsed * sizeof(RGBQUAD) +
               p->bmiHeader.biSizeImage;
    }
};

Dib Load(const std::vector<uint8_t> &bytes) {
    return Dib(OpenDIBFromMemory(bytes.data(), bytes.size()));
}

// Checks a result against the file it came from: normalised header, the
// colour table, and rows bottom-up whatever the file's order.
void ExpectDib(const Dib &dib, const BmpSpec &s, const BmpFile &f) {
    ASSERT_NE(dib.p, nullptr);
    const BITMAPINFOHEADER &h = dib.p->bmiHeader;
    const size_t rows = f.rows.size();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, s.width);
    EXPECT_EQ(h.biHeight, static_cast<LONG>(rows));
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, s.bits);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, RowBytes(s.width, s.bits) * rows);
    ASSERT_EQ(h.biClrUsed, f.table.size());
    for (size_t i = 0; i < f.table.size(); ++i) {
        const RGBQUAD &got = dib.p->bmiColors[i], &want = f.table[i];
        EXPECT_TRUE(got.rgbBlue == want.rgbBlue && got.rgbGreen == want.rgbGreen &&
                    got.rgbRed == want.rgbRed && got.rgbReserved == want.rgbReserved)
            << "colour " << i;
    }
    const uint8_t *px = dib.Pixels();
    for (size_t k = 0; k < rows; ++k) {
        const auto &want = f.rows[rows - 1 - k];
        EXPECT_EQ(std::memcmp(px + k * want.size(), want.data(), want.size()), 0)
            << "DIB row " << k;
    }
}

// Every test must hand back each block it got.
class Tolvan : public ::testing::Test {
protected:
    void SetUp() override { live_ = QuelmGlobalBlocksLive(); }
    void TearDown() override { EXPECT_EQ(QuelmGlobalBlocksLive(), live_) << "leaked DIB blocks"; }

    // Null, and not a single allocation on the way.
    static void ExpectRefused(const std::vector<uint8_t> &bytes, const char *what) {
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
    for (uint32_t header : {40u, 52u, 56u, 108u, 124u})
        for (uint16_t bits : {1, 4, 8, 24, 32})
            for (int32_t width : {1, 3, 5, 17, 33})
                for (int32_t height : {1, 4, -1, -5}) {
                    const BmpSpec s{
                        .headerSize = header, .width = width, .height = height, .bits = bits};
                    SCOPED_TRACE(testing::Message() << "header " << header << ", " << bits
                                                    << " bits, " << width << " x " << height);
                    const BmpFile f = WriteBmp(s);
                    ExpectDib(Load(f.bytes), s, f);
                }
}

TEST_F(Tolvan, WidensCoreHeaderColourEntries) {
    for (uint16_t bits : {1, 4, 8, 24}) {
        const BmpSpec s{.headerSize = 12, .width = 7, .height = 3, .bits = bits};
        SCOPED_TRACE(testing::Message() << bits << " bits");
        const BmpFile f = WriteBmp(s);
        const Dib dib = Load(f.bytes);
        ExpectDib(dib, s, f);
        if (dib.p) {
            EXPECT_EQ(dib.p->bmiHeader.biXPelsPerMeter, 0);
            if (bits == 8) {
                EXPECT_EQ(dib.p->bmiColors[200].rgbRed, static_cast<BYTE>(200 * 7));
            }
        }
    }
}

TEST_F(Tolvan, KeepsTheColourCountsOfTheFile) {
    const BmpSpec s{.clrUsed = 5, .clrImportant = 3};
    const BmpFile f = WriteBmp(s);
    const Dib dib = Load(f.bytes);
    ExpectDib(dib, s, f);
    ASSERT_NE(dib.p, nullptr);
    EXPECT_EQ(dib.p->bmiHeader.biClrUsed, 5u);
    EXPECT_EQ(dib.p->bmiHeader.biClrImportant, 3u);
    EXPECT_EQ(dib.p->bmiHeader.biXPelsPerMeter, 3780);
    EXPECT_EQ(dib.p->bmiHeader.biYPelsPerMeter, 2835);

    // An important count beyond the table means nothing: all are.
    const Dib all = Load(WriteBmp({.bits = 4, .clrImportant = 17}).bytes);
    ASSERT_NE(all.p, nullptr);
    EXPECT_EQ(all.p->bmiHeader.biClrUsed, 16u);
    EXPECT_EQ(all.p->bmiHeader.biClrImportant, 0u);
}

TEST_F(Tolvan, DropsTheOptionalTableOfTrueColourFiles) {
    for (uint16_t bits : {24, 32}) {
        const BmpSpec s{.bits = bits, .clrUsed = 6};
        const BmpFile f = WriteBmp(s);
        ExpectDib(Load(f.bytes), s, f);  // f.table is empty: biClrUsed must be 0
    }
}

TEST_F(Tolvan, TakesThePixelsFromTheirOffsetAndNoFurther) {
    const BmpSpec s{.width = 9, .height = -3, .bits = 4, .gap = 100};
    BmpFile f = WriteBmp(s);
    f.bytes.resize(f.bytes.size() + 64, 0xCC);
    ExpectDib(Load(f.bytes), s, f);
}

TEST_F(Tolvan, ReadsStandardBitfieldsAsPlainRgb) {
    for (uint32_t header : {40u, 56u, 108u, 124u}) {
        const BmpSpec s{.headerSize = header, .height = -3, .bits = 32, .compression = kBitfields};
        SCOPED_TRACE(testing::Message() << "header " << header);
        const BmpFile f = WriteBmp(s);
        ExpectDib(Load(f.bytes), s, f);
    }
}

TEST_F(Tolvan, RefusesOtherBitfields) {
    const BmpSpec standard{.bits = 32, .compression = kBitfields};
    BmpSpec swapped = standard;
    std::swap(swapped.masks[0], swapped.masks[2]);
    ExpectRefused(WriteBmp(swapped).bytes, "blue and red swapped");
    for (int i = 0; i < 3; ++i) {
        BmpSpec s = standard;
        s.masks[i] <<= 8;  // each channel alone off its byte
        ExpectRefused(WriteBmp(s).bytes, "a channel moved");
    }
    for (uint32_t header : {40u, 108u})
        ExpectRefused(WriteBmp({.headerSize = header, .bits = 16, .compression = kBitfields}).bytes,
                      "16-bit bitfields");
    ExpectRefused(WriteBmp({.compression = kBitfields}).bytes, "8-bit bitfields");
}

TEST_F(Tolvan, CapsDimensionsAt16384) {
    const BmpSpec wide{.width = 16384, .height = -2, .bits = 1};
    BmpSpec tall{.width = 1, .height = 16384, .bits = 1};
    for (BmpSpec s : {wide, tall}) {
        const BmpFile f = WriteBmp(s);
        ExpectDib(Load(f.bytes), s, f);
        // One more pixel, in a file that holds every byte of it.
        if (s.width == 1)
            s.height += 1;
        else
            s.width += 1;
        ExpectRefused(WriteBmp(s).bytes, "beyond 16384");
    }
    tall.height = -16385;
    ExpectRefused(WriteBmp(tall).bytes, "16385 rows top-down");
}

// --------------------------------------------------------- hostile files

TEST_F(Tolvan, RefusesEveryTruncation) {
    for (uint32_t header : {12u, 40u, 124u})
        for (uint16_t bits : {1, 8, 24}) {
            const BmpFile f =
                WriteBmp({.headerSize = header, .width = 5, .height = 3, .bits = bits});
            for (size_t n = 0; n < f.bytes.size(); ++n) {
                const std::vector<uint8_t> cut(f.bytes.begin(), f.bytes.begin() + n);
                ExpectRefused(cut, ("cut at " + std::to_string(n)).c_str());
            }
        }
}

TEST_F(Tolvan, RefusesNullAndEmptyData) {
    EXPECT_EQ(OpenDIBFromMemory(nullptr, 100), nullptr);
    const uint8_t bm[2] = {'B', 'M'};
    EXPECT_EQ(OpenDIBFromMemory(bm, 0), nullptr);
    EXPECT_EQ(OpenDIBFromMemory(bm, sizeof bm), nullptr);
}

// One field of a valid file overwritten.
struct Lie {
    const char *what;
    size_t at;  // from the start of the file
    uint32_t value;
    int width;  // 2 or 4 bytes
};

std::vector<uint8_t> Told(std::vector<uint8_t> bytes, const Lie &lie) {
    if (lie.width == 2)
        Poke16(bytes, lie.at, lie.value);
    else
        Poke32(bytes, lie.at, lie.value);
    return bytes;
}

TEST_F(Tolvan, RefusesLyingHeaders) {
    const BmpFile f = WriteBmp({.width = 5, .height = 3});
    ASSERT_NE(Load(f.bytes).p, nullptr);
    const uint32_t size = static_cast<uint32_t>(f.bytes.size());
    const uint32_t tableEnd = 14 + 40 + 256 * 4;
    const Lie lies[] = {
        {"signature", 0, 'B' | ('A' << 8), 2},
        {"pixels beyond the file", 10, size, 4},
        {"pixel offset past the end", 10, size + 1, 4},
        {"pixel offset at 4 GiB", 10, 0xFFFFFFFFu, 4},
        {"pixel offset inside the table", 10, tableEnd - 4, 4},
        {"pixel offset inside the header", 10, 20, 4},
        {"header size 0", 14, 0, 4},
        {"header size 64", 14, 64, 4},
        {"header size past the file", 14, size, 4},
        {"header size huge", 14, 0xFFFFFFF0u, 4},
        {"width 0", 18, 0, 4},
        {"width negative", 18, static_cast<uint32_t>(-5), 4},
        {"width beyond 16384", 18, 16385, 4},
        {"width INT_MAX", 18, 0x7FFFFFFFu, 4},
        {"width INT_MIN", 18, 0x80000000u, 4},
        {"height 0", 22, 0, 4},
        {"height beyond 16384", 22, 16385, 4},
        {"height -16385", 22, static_cast<uint32_t>(-16385), 4},
        {"height INT_MIN", 22, 0x80000000u, 4},
        {"more rows than the file holds", 22, 4, 4},
        {"wider than the file holds", 18, 9, 4},
        {"planes 0", 26, 0, 2},
        {"planes 2", 26, 2, 2},
        {"0 bits", 28, 0, 2},
        {"2 bits", 28, 2, 2},
        {"16 bits", 28, 16, 2},
        {"64 bits", 28, 64, 2},
        {"RLE8", 30, 1, 4},
        {"RLE4", 30, 2, 4},
        {"JPEG", 30, 4, 4},
        {"PNG", 30, 5, 4},
        {"alpha bitfields", 30, 6, 4},
        {"unknown compression", 30, 0x12345678u, 4},
        {"257 colours", 46, 257, 4},
        {"colour count at 4 GiB", 46, 0xFFFFFFFFu, 4},
    };
    for (const Lie &lie : lies) ExpectRefused(Told(f.bytes, lie), lie.what);
}

TEST_F(Tolvan, RefusesColourCountsBeyondTheDepth) {
    for (uint16_t bits : {1, 4})  // the table is written in full
        ExpectRefused(WriteBmp({.bits = bits, .clrUsed = (1u << bits) + 1}).bytes,
                      "count beyond 2^bits");
}

TEST_F(Tolvan, RefusesCoreHeadersThatLie) {
    const BmpFile f = WriteBmp({.headerSize = 12, .width = 4});
    ASSERT_NE(Load(f.bytes).p, nullptr);
    const Lie lies[] = {
        {"width 0", 18, 0, 2},          {"height 0", 20, 0, 2},
        {"planes 3", 22, 3, 2},         {"16 bits", 24, 16, 2},
        {"width 65535", 18, 0xFFFF, 2}, {"table inside the pixel offset", 10, 14 + 12 + 255 * 3, 4},
    };
    for (const Lie &lie : lies) ExpectRefused(Told(f.bytes, lie), lie.what);
}

// Dimensions whose pixel count overflows 32 bits, claimed by a tiny file,
// must not make the loader ask for the memory they would take.
TEST_F(Tolvan, HugeClaimsAllocateNothing) {
    for (uint16_t bits : {1, 8, 32}) {
        std::vector<uint8_t> bytes = WriteBmp({.width = 1, .height = 1, .bits = bits}).bytes;
        Poke32(bytes, 18, 16384);
        Poke32(bytes, 22, static_cast<uint32_t>(-16384));
        ExpectRefused(bytes, "16384 x 16384");
        Poke32(bytes, 18, 65536);
        Poke32(bytes, 22, 65536);  // 2^32 pixels
        ExpectRefused(bytes, "65536 x 65536");
    }
}

// Random damage to valid files: whatever comes back must be a well-formed
// DIB no larger than the file could fill.  Mostly a job for the sanitizers.
TEST_F(Tolvan, SurvivesRandomDamage) {
    std::mt19937 rng(12345);
    int accepted = 0;
    for (uint32_t header : {12u, 40u, 108u})
        for (uint16_t bits : {1, 4, 8, 24, 32}) {
            const BmpFile f = WriteBmp({.headerSize = header,
                                        .width = 6,
                                        .height = header == 12 ? 3 : -3,
                                        .bits = bits,
                                        .clrUsed = bits == 8 && header != 12 ? 20u : 0u});
            const size_t headerEnd = 14 + header + 8;  // damage mostly where it matters
            for (int trial = 0; trial < 300; ++trial) {
                std::vector<uint8_t> bytes = f.bytes;
                const int hits = 1 + static_cast<int>(rng() % 4);
                for (int i = 0; i < hits; ++i) {
                    const size_t at = rng() % std::min(bytes.size(), headerEnd);
                    bytes[at] = static_cast<uint8_t>(rng());
                }
                if (rng() % 4 == 0) bytes.resize(rng() % bytes.size());
                const Dib dib = Load(bytes);
                if (!dib.p) continue;
                ++accepted;
                const BITMAPINFOHEADER &h = dib.p->bmiHeader;
                EXPECT_EQ(h.biSize, 40u);
                EXPECT_GT(h.biWidth, 0);
                EXPECT_GT(h.biHeight, 0);
                EXPECT_LE(h.biClrUsed, h.biBitCount <= 8 ? 1u << h.biBitCount : 0u);
                EXPECT_EQ(h.biSizeImage, RowBytes(h.biWidth, h.biBitCount) * h.biHeight);
                EXPECT_LE(h.biSizeImage, bytes.size());
            }
        }
    EXPECT_GT(accepted, 0);  // the damage leaves some files readable
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

TEST_F(TolvanSearch, ReadsAFileAsItsMemoryImage) {
    const BmpSpec s{.width = 11, .height = -7, .bits = 24};
    const BmpFile f = WriteBmp(s);
    Write(cwd_ / name_, f.bytes);
    const Dib fromFile(OpenDIB((cwd_ / name_).string().c_str()));
    ExpectDib(fromFile, s, f);
    const Dib fromMemory = Load(f.bytes);
    ASSERT_NE(fromFile.p, nullptr);
    ASSERT_NE(fromMemory.p, nullptr);
    ASSERT_EQ(fromFile.Size(), fromMemory.Size());
    EXPECT_EQ(std::memcmp(fromFile.p, fromMemory.p, fromFile.Size()), 0);
}

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
    fs::remove(data_ / name_);
    EXPECT_EQ(FoundWidth(name_), 3);
    fs::remove(installed_ / name_);
    EXPECT_EQ(FoundWidth(name_), 0);
}

TEST_F(TolvanSearch, SkipsAnUnsetOrEmptyQuelmData) {
    Put(installed_ / name_, 3);
    SetEnv("QUELM_DATA", nullptr);
    EXPECT_EQ(FoundWidth(name_), 3);
    SetEnv("QUELM_DATA", "");
    EXPECT_EQ(FoundWidth(name_), 3);
    // The folder with and without a trailing separator.
    Put(data_ / name_, 2);
    SetEnv("QUELM_DATA", data_.string().c_str());
    EXPECT_EQ(FoundWidth(name_), 2);
    SetEnv("QUELM_DATA", (data_.string() + "/").c_str());
    EXPECT_EQ(FoundWidth(name_), 2);
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

TEST_F(TolvanSearch, AnUnreadableFirstFindEndsTheSearch) {
    std::ofstream(cwd_ / name_, std::ios::binary) << "BM not a bitmap";
    Put(data_ / name_, 2);
    EXPECT_EQ(FoundWidth(name_), 0);
}

}  // namespace
