// The rasteriser fed arbitrary polygons, rectangles and bitmap headers.
// Bitmaps and points are heap blocks of exactly their size, for
// AddressSanitizer.  Each fill starts from a bitmap of one value unlike the
// colour: a written byte must be a pixel of the colour within the polygon's
// bounds, and the result must say whether one was written (which pixels,
// exactly, is gresk_test's).  What the clipper leaves must not depend on the
// buffer past the count given.
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
    int64_t &width = b.width, &height = b.height, &stride = b.stride;
    width = 1 + in.u16() % 1024;
    height = 1 + in.u16() % 1024;
    if (shape >= 248) width = shape & 1 ? 0 : -width;
    if (shape >= 240 && shape < 248) height = 0;
    stride = (std::max<int64_t>(width, 0) + 3) & ~int64_t{3};
    if (stride * height > kMaxBitmapBytes) height = kMaxBitmapBytes / stride;
    h.biWidth = static_cast<LONG>(width);
    h.biHeight = static_cast<LONG>(in.u8() & 1 ? -height : height);
    b.drawable = h.biBitCount == 8 && h.biCompression == BI_RGB && width > 0 && height > 0;
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
    for (int32_t i = 0; i < firstCount; ++i)
        FUZZ_CHECK(first[i].x >= std::min(left, right) && first[i].x <= std::max(left, right) &&
                       first[i].y >= std::min(top, bottom) && first[i].y <= std::max(top, bottom),
                   "corner %d outside the rectangle", i);
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

    if (!draws) {
        FUZZ_CHECK(result == 0 && std::ranges::count(b.bytes, background) == std::ssize(b.bytes),
                   "a request that draws nothing wrote a byte or gave %d", result);
        return;
    }
    const auto xs = std::ranges::minmax(pts, {}, &sSPOINT::x);
    const auto ys = std::ranges::minmax(pts, {}, &sSPOINT::y);
    int64_t written = 0;
    for (size_t at = 0; at < b.bytes.size(); ++at) {
        if (b.bytes[at] == background) continue;
        const int64_t x = static_cast<int64_t>(at) % b.stride, row = static_cast<int64_t>(at) / b.stride;
        const int64_t y = b.info.bmiHeader.biHeight < 0 ? row : b.height - 1 - row;
        FUZZ_CHECK(x < b.width, "row padding written at column %lld", static_cast<long long>(x));
        FUZZ_CHECK(b.bytes[at] == colour, "wrote %u, not %u", b.bytes[at], colour);
        FUZZ_CHECK(x >= xs.min.x && x <= xs.max.x && y >= ys.min.y && y <= ys.max.y,
                   "pixel (%lld, %lld) outside the polygon's bounds", static_cast<long long>(x),
                   static_cast<long long>(y));
        ++written;
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
