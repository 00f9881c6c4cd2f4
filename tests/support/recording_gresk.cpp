#include "tests/support/recording_gresk.h"

#include <algorithm>

namespace recording {

namespace {

std::vector<Event> events;
int32_t clipCount = -1;

std::vector<sSPOINT> Copy(const sSPOINT *points, int32_t count) {
    const int32_t n = std::clamp<int32_t>(count, 0, GRESK_MAX_POINTS);
    return std::vector<sSPOINT>(points, points + n);
}

}  // namespace

const std::vector<Event> &Log() { return events; }

void Reset() {
    events.clear();
    clipCount = -1;
}

void SetClipCount(int32_t count) { clipCount = count; }

}  // namespace recording

extern "C" int32_t QUELMAPI ClipToRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                       sSPOINT *pts, int32_t *count) {
    recording::Event e{};
    e.call = recording::Call::Clip;
    e.buffer = pts;
    e.count = *count;
    e.points = recording::Copy(pts, *count);
    e.rect = {left, top, right, bottom};
    e.countAddress = count;
    recording::events.push_back(std::move(e));
    if (recording::clipCount >= 0) *count = recording::clipCount;
    return *count;
}

extern "C" int32_t QUELMAPI FillConvexPoly(BITMAPINFO *pBMI, uint8_t *pBits, sSPOINT *pts,
                                           int32_t count, int32_t kind, void *req) {
    recording::Event e{};
    e.call = recording::Call::Fill;
    e.buffer = pts;
    e.count = count;
    e.points = recording::Copy(pts, count);
    e.pBMI = pBMI;
    e.pBits = pBits;
    e.kind = kind;
    e.request = req;
    if (kind == GRESK_FILLPOLY && req) e.fill = *static_cast<const sFILLPOLY *>(req);
    recording::events.push_back(std::move(e));
    return 0;
}
