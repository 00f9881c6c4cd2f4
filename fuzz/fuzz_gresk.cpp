// The rasteriser fed arbitrary polygons, rectangles and bitmap headers.
//
// The bitmap is allocated at exactly the size its header describes, so that
// AddressSanitizer sees any write beyond it; each fill starts from a bitmap
// of one value unlike the colour, so that every byte written shows: a
// written byte must be a pixel (never row padding), of the fill's colour,
// within the polygon's bounds, and the fill's result must say whether one
// was written (which pixels a polygon covers is gresk_test's reference
// check).  Points are handed over in a heap block of exactly their count,
// and what the clipper leaves must not depend on the buffer beyond the count
// it was given.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "gresk.h"

namespace {

constexpr int kMaxOps = 16;
constexpr int64_t kMaxBitmapBytes = int64_t{1} << 16;

struct Bitmap {
    BITMAPINFO info;
    bool drawable;        // a header FillConvexPoly draws into
    int64_t width, height, stride;
    std::vector<uint8_t> bytes;
};

constexpr WORD kOddBitCounts[] = {0, 1, 4, 7, 16, 24, 32};

Bitmap MakeBitmap(FuzzInput &in) {
    Bitmap b{};
    BITMAPINFOHEADER &h = b.info.bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biPlanes = 1;
    h.biBitCount = in.u8() < 224 ? 8 : kOddBitCounts[in.below(sizeof kOddBitCounts / sizeof(WORD))];
    h.biCompression = in.u8() < 240 ? BI_RGB : in.u32();
    const uint8_t shape = in.u8();
    int64_t width = 1 + in.u16() % 1024, height = 1 + in.u16() % 1024;
    if (shape >= 248) width = shape & 1 ? 0 : -width;
    if (shape >= 240 && shape < 248) height = 0;
    const int64_t stride = (std::max<int64_t>(width, 0) + 3) & ~int64_t{3};
    if (stride * height > kMaxBitmapBytes) height = kMaxBitmapBytes / stride;
    h.biWidth = static_cast<LONG>(width);
    h.biHeight = static_cast<LONG>(in.u8() & 1 ? -height : height);
    b.drawable = h.biBitCount == 8 && h.biCompression == BI_RGB && width > 0 && height > 0;
    b.width = width;
    b.height = height;
    b.stride = stride;
    // A header that draws nothing gets a token buffer, which must stay as it is.
    b.bytes.resize(b.drawable ? static_cast<size_t>(stride * height) : 16);
    return b;
}

// A point near the bitmap most of the time, anywhere in 16 bits otherwise.
sSPOINT MakePoint(FuzzInput &in, const Bitmap &b) {
    if (in.u8() < 200) {
        const int32_t reachX = static_cast<int32_t>(std::clamp<int64_t>(b.width, 1, 1024)) + 64;
        const int32_t reachY = static_cast<int32_t>(std::clamp<int64_t>(b.height, 1, 1024)) + 64;
        return {static_cast<int16_t>(static_cast<int32_t>(in.below(reachX + 64)) - 64),
                static_cast<int16_t>(static_cast<int32_t>(in.below(reachY + 64)) - 64)};
    }
    return {in.i16(), in.i16()};
}

// Clips a copy of the points twice, with different values past the count,
// and checks the results agree and lie in the rectangle.
void Clip(FuzzInput &in, std::vector<sSPOINT> &pts, int32_t &count) {
    const int32_t left = in.smallish(600), top = in.smallish(600);
    const int32_t right = in.smallish(600), bottom = in.smallish(600);
    const int32_t given = count;
    std::vector<sSPOINT> first(GRESK_MAX_POINTS, {INT16_MAX, INT16_MIN});
    std::vector<sSPOINT> second(GRESK_MAX_POINTS, {INT16_MIN, INT16_MAX});
    std::copy(pts.begin(), pts.end(), first.begin());
    std::copy(pts.begin(), pts.end(), second.begin());
    int32_t firstCount = given, secondCount = given;
    const int32_t result = ClipToRect(left, top, right, bottom, first.data(), &firstCount);
    ClipToRect(left, top, right, bottom, second.data(), &secondCount);
    FUZZ_CHECK(result == firstCount, "result %d, count %d", result, firstCount);
    FUZZ_CHECK(firstCount >= 0 && firstCount <= GRESK_MAX_POINTS, "count %d", firstCount);
    if (given < 1 || given > GRESK_MAX_POINTS) FUZZ_CHECK(firstCount == 0, "from %d", given);
    FUZZ_CHECK(firstCount == secondCount &&
                   std::memcmp(first.data(), second.data(), sizeof(sSPOINT) * firstCount) == 0,
               "clipping read past the %d points it was given", given);
    const int64_t lo[2] = {std::min(left, right), std::min(top, bottom)};
    const int64_t hi[2] = {std::max(left, right), std::max(top, bottom)};
    for (int32_t i = 0; i < firstCount; ++i) {
        const int64_t x = first[i].x, y = first[i].y;
        FUZZ_CHECK(x >= lo[0] && x <= hi[0] && y >= lo[1] && y <= hi[1],
                   "corner (%lld, %lld) outside the rectangle", static_cast<long long>(x),
                   static_cast<long long>(y));
    }
    pts = std::vector<sSPOINT>(first.begin(), first.begin() + firstCount);
    count = firstCount;
}

// The points' vector holds exactly them: a read past them is a heap overflow.
void Fill(FuzzInput &in, Bitmap &b, std::vector<sSPOINT> &pts, int32_t count) {
    const uint8_t colour = in.u8();
    const uint8_t background = static_cast<uint8_t>(~colour);
    const uint8_t how = in.u8();
    const int32_t kind = how < 240 ? GRESK_FILLPOLY : in.smallish(3);
    sFILLPOLY request{static_cast<int32_t>(colour | (in.u8() << 8)), 0};
    const bool noRequest = how == 240, noHeader = how == 241, noBits = how == 242;

    std::memset(b.bytes.data(), background, b.bytes.size());
    const int32_t result = FillConvexPoly(noHeader ? nullptr : &b.info,
                                          noBits ? nullptr : b.bytes.data(),
                                          pts.data(), count, kind,
                                          noRequest ? nullptr : &request);
    const bool draws = b.drawable && kind == GRESK_FILLPOLY && !noRequest && !noHeader &&
                       !noBits && count >= 1 && count <= GRESK_MAX_POINTS;

    int64_t written = 0;
    // Row by row, skipping untouched rows quickly.
    const size_t rowBytes = b.drawable ? static_cast<size_t>(b.stride) : b.bytes.size();
    const std::vector<uint8_t> clean(rowBytes, background);
    for (size_t start = 0; start < b.bytes.size(); start += rowBytes) {
        if (std::memcmp(b.bytes.data() + start, clean.data(), rowBytes) == 0) continue;
        FUZZ_CHECK(draws, "a byte written by a request that draws nothing");
        const auto xs = std::ranges::minmax(pts, {}, &sSPOINT::x);
        const auto ys = std::ranges::minmax(pts, {}, &sSPOINT::y);
        const int64_t rowFromEnd = static_cast<int64_t>(start / rowBytes);
        const int64_t y = b.info.bmiHeader.biHeight < 0 ? rowFromEnd : b.height - 1 - rowFromEnd;
        for (size_t x = 0; x < rowBytes; ++x) {
            const uint8_t byte = b.bytes[start + x];
            if (byte == background) continue;
            FUZZ_CHECK(static_cast<int64_t>(x) < b.width, "row padding written at column %zu", x);
            FUZZ_CHECK(byte == colour, "wrote %u, not %u", byte, colour);
            FUZZ_CHECK(static_cast<int64_t>(x) >= xs.min.x && static_cast<int64_t>(x) <= xs.max.x &&
                           y >= ys.min.y && y <= ys.max.y,
                       "pixel (%zu, %lld) outside the polygon's bounds", x,
                       static_cast<long long>(y));
            ++written;
        }
    }
    FUZZ_CHECK(result == (written > 0 ? 1 : 0), "result %d with %lld pixels", result,
               static_cast<long long>(written));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    Bitmap bitmap = MakeBitmap(in);
    for (int op = 0; op < kMaxOps && !in.empty(); ++op) {
        // Counts 0 to 24, now and then one the rasteriser must refuse.
        const uint8_t countByte = in.u8();
        int32_t count = countByte < 250 ? countByte % (GRESK_MAX_POINTS + 1)
                                        : in.smallish(GRESK_MAX_POINTS * 2);
        std::vector<sSPOINT> pts(static_cast<size_t>(std::clamp(count, 0, GRESK_MAX_POINTS)));
        for (sSPOINT &p : pts) p = MakePoint(in, bitmap);
        if (in.u8() & 1) Clip(in, pts, count);
        Fill(in, bitmap, pts, count);
    }
    return 0;
}
