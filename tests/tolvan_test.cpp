// The BMP loader: what it reads and how it normalises it, where it looks for
// a bare name, and that hostile files give null without reading out of
// bounds, allocating, or leaking.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "quelm_globalmem.h"
#include "tolvan.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kBitfields = 3;

// What a test file should contain.  height < 0 writes rows top-down.
struct BmpSpec {
    uint32_t headerSize = 40;
    int32_t width = 3;
    int32_t height = 2;
    uint16_t bits = 8;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
    uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    uint32_t gap = 0;       // bytes between the colour table and the pixels
    uint32_t trailing = 0;  // bytes after the pixels
};

struct BmpFile {
    std::vector<uint8_t> bytes;
    std::vector<RGBQUAD> table;              // as the DIB should hold it
    std::vector<std::vector<uint8_t>> rows;  // image rows top to bottom, padded
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
    b = {'B', 'M'};
    Put(b, offBits + static_cast<uint32_t>(rowBytes * rows));
    Put(b, 0);
    Put(b, offBits);
    Put(b, s.headerSize);
    Put(b, static_cast<uint32_t>(s.width), core ? 2 : 4);
    Put(b, static_cast<uint32_t>(s.height), core ? 2 : 4);
    Put(b, 1, 2);  // planes
    Put(b, s.bits, 2);
    if (!core) {
        // biSizeImage is left 0, as writers often do.
        for (uint32_t v : {s.compression, 0u, 3780u, 2835u, s.clrUsed, s.clrImportant}) Put(b, v);
        if (s.headerSize > 40 || masksAfterHeader)
            for (uint32_t m : s.masks) Put(b, m);
        if (s.headerSize > 52) b.resize(14 + s.headerSize, 0x5A);  // colour space etc.: ignored
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
    b.resize(b.size() + s.trailing, 0xCC);
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
};

Dib Load(const std::vector<uint8_t> &bytes) {
    return Dib(OpenDIBFromMemory(bytes.data(), bytes.size()));
}

// Checks a result against the file it came from: normalised header, the
// colour table (a core header's entries widened), and rows bottom-up whatever
// the file's order.
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
    const bool core = s.headerSize == 12;
    EXPECT_EQ(h.biXPelsPerMeter, core ? 0 : 3780);
    EXPECT_EQ(h.biYPelsPerMeter, core ? 0 : 2835);
    // An important count beyond the table means nothing: all are.
    EXPECT_EQ(h.biClrImportant, s.clrImportant <= f.table.size() ? s.clrImportant : 0u);
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

void ExpectReads(const BmpSpec &s) {
    const BmpFile f = WriteBmp(s);
    ExpectDib(Load(f.bytes), s, f);
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
    for (uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u})
        for (uint16_t bits : {1, 4, 8, 24, 32})
            for (int32_t width : {1, 3, 5, 17, 33})
                for (int32_t height : {1, 4, -1, -5}) {
                    if (header == 12 && (bits == 32 || height < 0)) continue;  // no such core files
                    SCOPED_TRACE(testing::Message() << "header " << header << ", " << bits
                                                    << " bits, " << width << " x " << height);
                    ExpectReads(
                        {.headerSize = header, .width = width, .height = height, .bits = bits});
                }
}

TEST_F(Tolvan, ReadsOtherLayouts) {
    std::vector<std::pair<std::string, BmpSpec>> rows = {
        {"colour counts of the file's own", {.clrUsed = 5, .clrImportant = 3}},
        {"an important count beyond the table", {.bits = 4, .clrImportant = 17}},
        {"24 bits with a table to drop", {.bits = 24, .clrUsed = 6}},
        {"32 bits with a table to drop", {.bits = 32, .clrUsed = 6}},
        {"pixels from their offset and no further",
         {.width = 9, .height = -3, .bits = 4, .gap = 100, .trailing = 64}},
        {"16384 wide", {.width = 16384, .height = -2, .bits = 1}},
        {"16384 tall", {.width = 1, .height = 16384, .bits = 1}},
    };
    for (uint32_t header : {40u, 56u, 108u, 124u}) {
        const BmpSpec s{.headerSize = header, .height = -3, .bits = 32, .compression = kBitfields};
        rows.push_back({"standard bitfields, header " + std::to_string(header), s});
    }
    for (const auto &[what, s] : rows) {
        SCOPED_TRACE(what);
        ExpectReads(s);
    }
}

// Files that hold every byte they claim, in layouts the loader does not read.
TEST_F(Tolvan, RefusesWhatItDoesNotRead) {
    const BmpSpec bitfields{.bits = 32, .compression = kBitfields};
    std::vector<std::pair<std::string, BmpSpec>> rows = {
        {"16-bit bitfields", {.bits = 16, .compression = kBitfields}},
        {"16-bit V4 bitfields", {.headerSize = 108, .bits = 16, .compression = kBitfields}},
        {"8-bit bitfields", {.compression = kBitfields}},
        {"1 bit, 3 colours", {.bits = 1, .clrUsed = 3}},
        {"4 bits, 17 colours", {.bits = 4, .clrUsed = 17}},
        {"16385 wide", {.width = 16385, .height = -2, .bits = 1}},
        {"16385 tall", {.width = 1, .height = 16385, .bits = 1}},
        {"16385 rows top-down", {.width = 1, .height = -16385, .bits = 1}},
        {"blue and red swapped", bitfields},
    };
    std::swap(rows.back().second.masks[0], rows.back().second.masks[2]);
    for (int i = 0; i < 3; ++i) {
        rows.push_back({"channel " + std::to_string(i) + " off its byte", bitfields});
        rows.back().second.masks[i] <<= 8;
    }
    for (const auto &[what, s] : rows) ExpectRefused(WriteBmp(s).bytes, what.c_str());
}

// --------------------------------------------------------- hostile files

TEST_F(Tolvan, RefusesEveryTruncation) {
    EXPECT_EQ(OpenDIBFromMemory(nullptr, 100), nullptr);
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
    const uint32_t tableEnd = 14 + 40 + 256 * 4;
    const std::pair<const BmpFile *, std::vector<Field>> files[] = {
        {&info,
         {{"signature", 0, 2, {'B' | ('A' << 8)}},
          {"pixel offset", 10, 4, {size, size + 1, 0xFFFFFFFFu, tableEnd - 4, 20}},
          {"header size", 14, 4, {0, 64, size, 0xFFFFFFF0u}},
          {"width", 18, 4, {0, static_cast<uint32_t>(-5), 16385, 0x7FFFFFFFu, 0x80000000u, 9}},
          {"height", 22, 4, {0, 16385, static_cast<uint32_t>(-16385), 0x80000000u, 4}},
          {"planes", 26, 2, {0, 2}},
          {"bits", 28, 2, {0, 2, 16, 64}},
          // RLE8, RLE4, JPEG, PNG, alpha bitfields, unknown
          {"compression", 30, 4, {1, 2, 4, 5, 6, 0x12345678u}},
          {"colours", 46, 4, {257, 0xFFFFFFFFu}}}},
        {&core,
         {{"core width", 18, 2, {0, 0xFFFF}},
          {"core height", 20, 2, {0}},
          {"core planes", 22, 2, {3}},
          {"core bits", 24, 2, {16}},
          {"core pixel offset inside the table", 10, 4, {14 + 12 + 255 * 3}}}},
    };
    for (const auto &[file, fields] : files) {
        ASSERT_NE(Load(file->bytes).p, nullptr);
        for (const Field &field : fields)
            for (uint32_t lie : field.lies) {
                std::vector<uint8_t> bytes = file->bytes;
                Poke(bytes, field.at, lie, field.width);
                ExpectRefused(bytes, (std::string(field.name) + " " + std::to_string(lie)).c_str());
            }
    }
}

// Dimensions whose pixel count overflows 32 bits, claimed by a tiny file,
// must not make the loader ask for the memory they would take.
TEST_F(Tolvan, HugeClaimsAllocateNothing) {
    for (uint16_t bits : {1, 8, 32}) {
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
