// The stadium builder: one straight run of model-store calls with hard-wired
// coordinates (inches; x across the field, y along it, z up).
//
// Build order is painting order: each tile row covers the lower half of the
// row before it, and every marking comes after what it lies on.  Polygon
// indices recorded on the way let the near marks and the digits chain their
// edges to the tiles beneath them.
#include "stadium/stadium.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "model/model.h"
#include "quelm_globalmem.h"
#include "tolvan.h"

int32_t QlmCmpPolyNum[kQlmCmpEntries];

namespace {

// The playing-surface art: loaded with each build, drawn by nothing.
BITMAPINFO *pdibBackground = nullptr;
constexpr size_t kArtColours = 256;  // the longest colour table a DIB has

constexpr int32_t kSkyWallHigh = 5400;
constexpr int32_t kSkyApexHigh = 7200;

constexpr int kWorkVerts = 25;
constexpr int32_t kTileWidth = 192;
constexpr int32_t kTileDepth = 360;
constexpr int kTileColumns = 10;
constexpr int kBands = 20;  // 5-yard bands between the goal lines
constexpr int32_t kBandDepth = 180;
constexpr int32_t kGoalLineY = 1800;
constexpr int32_t kFieldHalfWidth = 960;

struct XYZ {
    int32_t x, y, z;
};

// The rectangle x0..x1 by y1..y2 in ground order.
void AddRect(VERTEX3D *p3D, int32_t x0, int32_t x1, int32_t y1, int32_t y2) {
    AddGround(p3D, {{x1, y2}, {x1, y1}, {x0, y1}, {x0, y2}});
}

void AddSolid(VERTEX3D *p3D, const XYZ (&corners)[4]) {
    for (int i = 0; i < 4; ++i) {
        p3D[i].x = corners[i].x;
        p3D[i].y = corners[i].y;
        p3D[i].z = corners[i].z;
    }
    PolygonModelAdd(4, p3D);
}

void AddDoubleSided(VERTEX3D *p3D, const XYZ (&corners)[4]) {
    AddSolid(p3D, corners);
    ReverseVertexOrder(p3D, 4);
    PolygonModelAdd(4, p3D);
}

void ClearHeights(VERTEX3D *p3D) {
    for (int i = 0; i < kWorkVerts; ++i) p3D[i].z = 0;
}

// A line across the field in four pieces from +x to -x, each painted as a
// line.
void AddCrossLine(VERTEX3D *p3D, int32_t y1, int32_t y2, int32_t halfWidth) {
    const int32_t mid = halfWidth / 2;
    const int32_t pieces[4][2] = {{mid, halfWidth}, {0, mid}, {-mid, 0}, {-halfWidth, -mid}};
    for (const auto &piece : pieces) {
        AddRect(p3D, piece[0], piece[1], y1, y2);
        PolygonModelSetMaterial(QUELM_MAT_LINE);
    }
}

// Ten 192-wide tiles across the field.  Every second tile is striped, so
// that a tile's material follows the parity of its row and column; the
// columns in `marked` have their polygon index recorded first.
void AddTileRow(const MODEL *Model, VERTEX3D *p3D, int32_t y1, int32_t y2, int &t, int &QlmCmp,
                std::initializer_list<int> marked) {
    for (int c = 0; c < kTileColumns; ++c) {
        for (int m : marked)
            if (m == c) QlmCmpPolyNum[QlmCmp++] = Model->iNumPolygons;
        const int32_t x0 = -kFieldHalfWidth + kTileWidth * c;
        AddRect(p3D, x0, x0 + kTileWidth, y1, y2);
        t ^= 1;
        if (t == 1) PolygonModelSetMaterial(QUELM_MAT_TURF_ALT);
    }
}

void AddEndZoneRow(VERTEX3D *p3D, int32_t y1, int32_t y2) {
    for (int c = 0; c < kTileColumns; ++c) {
        const int32_t x0 = -kFieldHalfWidth + kTileWidth * c;
        AddRect(p3D, x0, x0 + kTileWidth, y1, y2);
    }
}

// Stands and sky: each stand quad, then its sky wall and the sky triangle
// that closes it towards the apex.
void AddStandsAndSky(VERTEX3D *p3D) {
    static constexpr XYZ kStands[6][4] = {
        {{2760, 4500, 540}, {1680, 3240, 0}, {-1680, 3240, 0}, {-2760, 4500, 540}},
        {{1680, -3240, 0}, {2760, -4500, 540}, {-2760, -4500, 540}, {-1680, -3240, 0}},
        {{-2760, 4500, 540}, {-1680, 3240, 0}, {-2220, 0, 0}, {-3300, 0, 540}},
        {{-3300, 0, 540}, {-2220, 0, 0}, {-1680, -3240, 0}, {-2760, -4500, 540}},
        {{2760, -4500, 540}, {1680, -3240, 0}, {2220, 0, 0}, {3300, 0, 540}},
        {{3300, 0, 540}, {2220, 0, 0}, {1680, 3240, 0}, {2760, 4500, 540}},
    };
    PolygonModelSetDefaultVisibility(kVisStands);
    for (const auto &stand : kStands) {
        AddSolid(p3D, stand);
        PolygonModelSetMaterial(QUELM_MAT_STANDS);
        int32_t n = 4;
        DoSkyMirror(&n, p3D, kSkyWallHigh);
        DoSkyPyramid(&n, p3D, kSkyApexHigh);
    }
}

// The ground between the border strip and the stands' inner edge.
void AddGroundAround(VERTEX3D *p3D) {
    PolygonModelSetDefaultVisibility(kVisGround);
    PolygonModelSetDefaultMaterial(QUELM_MAT_GROUND);
    for (int32_t y1 : {2232, -3240})
        for (int32_t x0 = -1032; x0 < 1032; x0 += 516) AddRect(p3D, x0, x0 + 516, y1, y1 + 1008);
    AddGround(p3D, {{-1032, 1080}, {-1032, 0}, {-2220, 0}, {-2040, 1080}});
    AddGround(p3D, {{-1032, 2160}, {-1032, 1080}, {-2040, 1080}, {-1860, 2160}});
    AddGround(p3D, {{-1032, 3240}, {-1032, 2160}, {-1860, 2160}, {-1680, 3240}});
    AddGround(p3D, {{-1032, 0}, {-1032, -1080}, {-2040, -1080}, {-2220, 0}});
    AddGround(p3D, {{-1032, -1080}, {-1032, -2160}, {-1860, -2160}, {-2040, -1080}});
    AddGround(p3D, {{-1032, -2160}, {-1032, -3240}, {-1680, -3240}, {-1860, -2160}});
    AddGround(p3D, {{1680, 3240}, {1860, 2160}, {1032, 2160}, {1032, 3240}});
    AddGround(p3D, {{1860, 2160}, {2040, 1080}, {1032, 1080}, {1032, 2160}});
    AddGround(p3D, {{2040, 1080}, {2220, 0}, {1032, 0}, {1032, 1080}});
    AddGround(p3D, {{2220, 0}, {2040, -1080}, {1032, -1080}, {1032, 0}});
    AddGround(p3D, {{2040, -1080}, {1860, -2160}, {1032, -2160}, {1032, -1080}});
    AddGround(p3D, {{1860, -2160}, {1680, -3240}, {1032, -3240}, {1032, -2160}});
}

// The coarse playing surface: end zones in halves and the field in eight
// triangles.
void AddCoarseSurface(VERTEX3D *p3D) {
    PolygonModelSetDefaultVisibility(kVisCoarseEndZone);
    AddRect(p3D, -960, 0, 1800, 2160);
    PolygonModelSetMaterial(QUELM_MAT_END_ZONE_PLUS);
    AddRect(p3D, 0, 960, 1800, 2160);
    PolygonModelSetMaterial(QUELM_MAT_END_ZONE_PLUS);
    PolygonModelSetDefaultVisibility(kVisCoarseField);
    PolygonModelSetDefaultMaterial(QUELM_MAT_TURF);
    AddGround(p3D, {{-960, 1800}, {0, 1800}, {-960, 0}});
    AddGround(p3D, {{0, 1800}, {960, 1800}, {960, 0}});
    AddGround(p3D, {{0, 1800}, {0, 0}, {-960, 0}});
    AddGround(p3D, {{0, 1800}, {960, 0}, {0, 0}});
    AddGround(p3D, {{-960, 0}, {0, 0}, {-960, -1800}});
    AddGround(p3D, {{0, 0}, {960, 0}, {960, -1800}});
    AddGround(p3D, {{0, 0}, {0, -1800}, {-960, -1800}});
    AddGround(p3D, {{0, 0}, {960, -1800}, {0, -1800}});
    PolygonModelSetDefaultVisibility(kVisCoarseEndZone);
    AddRect(p3D, 0, 960, -2160, -1800);
    PolygonModelSetMaterial(QUELM_MAT_END_ZONE_MINUS);
    AddRect(p3D, -960, 0, -2160, -1800);
    PolygonModelSetMaterial(QUELM_MAT_END_ZONE_MINUS);
}

// The fine playing surface from the +y end zone to the -y one, with the
// goal lines and yard lines over the tiles they cross.
void AddFineSurface(const MODEL *Model, VERTEX3D *p3D) {
    PolygonModelSetDefaultVisibility(kVisFine);
    int QlmCmp = 0;
    PolygonModelSetDefaultMaterial(QUELM_MAT_END_ZONE_PLUS);
    AddEndZoneRow(p3D, 1980, 2160);
    AddEndZoneRow(p3D, 1800, 1980);

    PolygonModelSetDefaultMaterial(QUELM_MAT_TURF);
    int t = 1;
    AddTileRow(Model, p3D, kGoalLineY - kTileDepth, kGoalLineY, t, QlmCmp, {0, 3, 6, 9});
    PolygonModelSetDefaultVisibility(kVisGround);
    AddCrossLine(p3D, kGoalLineY - 4, kGoalLineY + 4, kFieldHalfWidth);
    PolygonModelSetDefaultVisibility(kVisFine);

    for (int i = 1; i < kBands; ++i) {
        t ^= 1;
        const int32_t yl = kGoalLineY - kBandDepth * i;
        if (i <= 18)
            AddTileRow(Model, p3D, yl - kTileDepth, yl, t, QlmCmp, {0, 2, 3, 6, 7, 9});
        else
            AddTileRow(Model, p3D, yl - kTileDepth, yl, t, QlmCmp, {0, 3, 6, 9});
        PolygonModelSetDefaultVisibility(kVisGround);
        AddCrossLine(p3D, yl - 2, yl + 2, 952);
        PolygonModelSetDefaultVisibility(kVisFine);
    }

    PolygonModelSetDefaultMaterial(QUELM_MAT_END_ZONE_MINUS);
    AddEndZoneRow(p3D, -1980, -1800);
    AddEndZoneRow(p3D, -2160, -1980);
    PolygonModelSetDefaultVisibility(kVisGround);
    AddCrossLine(p3D, -kGoalLineY - 4, -kGoalLineY + 4, kFieldHalfWidth);
}

// End lines and sidelines with mitred corners.
void AddBorder(VERTEX3D *p3D) {
    PolygonModelSetDefaultMaterial(QUELM_MAT_LINE);
    AddGround(p3D, {{960, 2160}, {0, 2160}, {0, 2232}, {1032, 2232}});
    AddGround(p3D, {{0, 2160}, {-960, 2160}, {-1032, 2232}, {0, 2232}});
    AddGround(p3D, {{0, -2160}, {960, -2160}, {1032, -2232}, {0, -2232}});
    AddGround(p3D, {{-960, -2160}, {0, -2160}, {0, -2232}, {-1032, -2232}});
    AddGround(p3D, {{960, 2160}, {1032, 2232}, {1032, 1080}, {960, 1080}});
    AddGround(p3D, {{960, 1080}, {1032, 1080}, {1032, 0}, {960, 0}});
    AddGround(p3D, {{960, 0}, {1032, 0}, {1032, -1080}, {960, -1080}});
    AddGround(p3D, {{960, -1080}, {1032, -1080}, {1032, -2232}, {960, -2160}});
    AddGround(p3D, {{-1032, 2232}, {-960, 2160}, {-960, 1080}, {-1032, 1080}});
    AddGround(p3D, {{-1032, 1080}, {-960, 1080}, {-960, 0}, {-1032, 0}});
    AddGround(p3D, {{-1032, 0}, {-960, 0}, {-960, -1080}, {-1032, -1080}});
    AddGround(p3D, {{-1032, -1080}, {-960, -1080}, {-960, -2160}, {-1032, -2232}});
}

// Hash marks for three viewing distances; the near ones are chained to the
// tiles beneath them, so that they are projected only while a tile may be
// in view.
void AddHashMarks(const MODEL *Model, VERTEX3D *p3D) {
    PolygonModelSetDefaultVisibility(kVisFarMarks);
    PolygonModelSetDefaultMaterial(QUELM_MAT_FAR_MARK);
    AddGround(p3D, {{-240, 1766}, {-240, 0}, {-264, 0}, {-264, 1766}});
    AddGround(p3D, {{264, 1766}, {264, 0}, {240, 0}, {240, 1766}});
    AddGround(p3D, {{-240, 0}, {-240, -1766}, {-264, -1766}, {-264, 0}});
    AddGround(p3D, {{264, 0}, {264, -1766}, {240, -1766}, {240, 0}});

    PolygonModelSetDefaultVisibility(kVisMediumMarks);
    for (int i = 0; i < kBands; ++i) {
        const int32_t yt = kGoalLineY - kBandDepth * i;
        AddGround(p3D, {{-928, yt - 36}, {-928, yt - 144}, {-952, yt - 146}, {-952, yt - 34}});
        AddGround(p3D, {{-240, yt}, {-240, yt - 180}, {-264, yt - 146}, {-264, yt - 34}});
        AddGround(p3D, {{264, yt - 34}, {264, yt - 146}, {240, yt - 180}, {240, yt}});
        AddGround(p3D, {{952, yt - 34}, {952, yt - 146}, {928, yt - 144}, {928, yt - 36}});
    }

    PolygonModelSetDefaultVisibility(kVisNearMarks);
    PolygonModelSetDefaultMaterial(QUELM_MAT_END_ZONE_PLUS);
    constexpr int32_t kColumnX[4] = {-952, -264, 240, 928};
    int QlmCmp = 0;
    int pq = 1;
    for (int i = 0; i < kBands; ++i) {
        const int32_t yt = kGoalLineY - kBandDepth * i;
        for (int c = 0; c < 4; ++c) {
            LinkTileToMarks(Model, QlmCmpPolyNum[QlmCmp], pq);
            PolygonModelSetDefaultAction(kActionMarkRun);
            for (int32_t tick = 1; tick <= 4; ++tick) {
                const int32_t y = yt - 36 * tick;
                AddRect(p3D, kColumnX[c], kColumnX[c] + 24, y - 2, y + 2);
            }
            if (i >= 1 && c == 1) AddRect(p3D, -244, -240, yt - 12, yt + 12);
            if (i >= 1 && c == 2) AddRect(p3D, 240, 244, yt - 12, yt + 12);
            PolygonModelSetDefaultAction(0);
            EndMarkRun(Model);
            // Rows with digits list the digit tiles (columns 2 and 7) after
            // columns 0 and 6; the digits use those entries.
            if (i >= 1 && i <= 18 && c % 2 == 0) {
                QlmCmp += 2;
            } else {
                QlmCmp += 1;
                pq ^= 1;
            }
        }
    }

    // 2-yard marks.
    AddGround(p3D, {{18, 1730}, {18, 1726}, {-18, 1726}, {-18, 1730}});
    AddGround(p3D, {{18, -1726}, {18, -1730}, {-18, -1730}, {-18, -1726}});
}

struct FrameQuad {
    XYZ p[4];
    bool doubleSided;
};
struct GoalFrame {
    FrameQuad pad[4];    // floor, top, two crossing quads
    FrameQuad post[11];  // plate, post, arm, crossbar, two uprights
};

constexpr GoalFrame kGoalFrames[2] = {
    {{{{{-12, 2235, 0}, {-12, 2259, 0}, {12, 2259, 0}, {12, 2235, 0}}, false},
      {{{-12, 2235, 96}, {-12, 2259, 96}, {12, 2259, 96}, {12, 2235, 96}}, false},
      {{{-12, 2235, 0}, {-12, 2235, 96}, {12, 2259, 96}, {12, 2259, 0}}, true},
      {{{-12, 2259, 0}, {-12, 2259, 96}, {12, 2235, 96}, {12, 2235, 0}}, true}},
     {{{{2, 2249, 96}, {2, 2245, 96}, {-2, 2245, 96}, {-2, 2249, 96}}, false},
      {{{-2, 2249, 96}, {-2, 2249, 110}, {2, 2245, 110}, {2, 2245, 96}}, true},
      {{{-2, 2245, 96}, {-2, 2245, 110}, {2, 2249, 110}, {2, 2249, 96}}, true},
      {{{2, 2249, 106}, {2, 2158, 118}, {-2, 2158, 122}, {-2, 2249, 110}}, true},
      {{{2, 2249, 110}, {2, 2158, 122}, {-2, 2158, 118}, {-2, 2249, 106}}, true},
      {{{143, 2162, 122}, {143, 2158, 118}, {-143, 2158, 118}, {-143, 2162, 122}}, true},
      {{{143, 2162, 118}, {143, 2158, 122}, {-143, 2158, 122}, {-143, 2162, 118}}, true},
      {{{-142, 2158, 120}, {-142, 2158, 360}, {-138, 2162, 360}, {-138, 2162, 120}}, true},
      {{{-142, 2162, 120}, {-142, 2162, 360}, {-138, 2158, 360}, {-138, 2158, 120}}, true},
      {{{138, 2158, 120}, {138, 2158, 360}, {142, 2162, 360}, {142, 2162, 120}}, true},
      {{{138, 2162, 120}, {138, 2162, 360}, {142, 2158, 360}, {142, 2158, 120}}, true}}},
    {{{{{-12, -2259, 0}, {-12, -2235, 0}, {12, -2235, 0}, {12, -2259, 0}}, false},
      {{{-12, -2259, 96}, {-12, -2235, 96}, {12, -2235, 96}, {12, -2259, 96}}, false},
      {{{-12, -2259, 0}, {-12, -2259, 96}, {12, -2235, 96}, {12, -2235, 0}}, true},
      {{{-12, -2235, 0}, {-12, -2235, 96}, {12, -2259, 96}, {12, -2259, 0}}, true}},
     {{{{2, -2249, 96}, {2, -2245, 96}, {-2, -2245, 96}, {-2, -2249, 96}}, false},
      {{{-2, -2245, 96}, {-2, -2245, 110}, {2, -2249, 110}, {2, -2249, 96}}, true},
      {{{-2, -2249, 96}, {-2, -2249, 110}, {2, -2245, 110}, {2, -2245, 96}}, true},
      {{{2, -2249, 106}, {2, -2162, 118}, {-2, -2162, 122}, {-2, -2249, 110}}, true},
      {{{2, -2249, 110}, {2, -2162, 122}, {-2, -2162, 118}, {-2, -2249, 106}}, true},
      {{{143, -2158, 122}, {143, -2162, 118}, {-143, -2162, 118}, {-143, -2158, 122}}, true},
      {{{143, -2158, 118}, {143, -2162, 122}, {-143, -2162, 122}, {-143, -2158, 118}}, true},
      {{{-142, -2162, 120}, {-142, -2162, 360}, {-138, -2158, 360}, {-138, -2158, 120}}, true},
      {{{-142, -2158, 120}, {-142, -2158, 360}, {-138, -2162, 360}, {-138, -2162, 120}}, true},
      {{{138, -2162, 120}, {138, -2162, 360}, {142, -2158, 360}, {142, -2158, 120}}, true},
      {{{138, -2158, 120}, {138, -2158, 360}, {142, -2162, 360}, {142, -2162, 120}}, true}}},
};

void AddFrameQuads(VERTEX3D *p3D, const FrameQuad *quads, int count) {
    for (int q = 0; q < count; ++q) {
        if (quads[q].doubleSided)
            AddDoubleSided(p3D, quads[q].p);
        else
            AddSolid(p3D, quads[q].p);
    }
}

void AddGoalFrames(VERTEX3D *p3D) {
    PolygonModelSetDefaultVisibility(kVisGround);
    for (const GoalFrame &frame : kGoalFrames) {
        PolygonModelSetDefaultMaterial(QUELM_MAT_PAD);
        AddFrameQuads(p3D, frame.pad, 4);
        PolygonModelSetDefaultMaterial(QUELM_MAT_GOAL_FRAME);
        AddFrameQuads(p3D, frame.post, 11);
    }
}

// A vertical quad 18 high from P to Q, seen from both sides.
void AddPylonSide(VERTEX3D *p3D, XY P, XY Q) {
    constexpr int32_t kHigh = 18;
    AddDoubleSided(p3D, {{P.x, P.y, 0}, {P.x, P.y, kHigh}, {Q.x, Q.y, kHigh}, {Q.x, Q.y, 0}});
}

// Twelve pylons, each two crossing quads over a 3 x 3 footprint that extends
// outward from its inner corner.
void AddPylons(VERTEX3D *p3D) {
    constexpr XY kInnerCorners[12] = {
        {-960, 2160},  {-240, 2160},  {240, 2160},  {960, 2160},
        {-960, 1800},  {960, 1800},   {-960, -1800}, {960, -1800},
        {-960, -2160}, {-240, -2160}, {240, -2160}, {960, -2160},
    };
    constexpr int32_t kSide = 3;
    PolygonModelSetDefaultVisibility(kVisPylons);
    PolygonModelSetDefaultMaterial(QUELM_MAT_PYLON);
    for (const XY &corner : kInnerCorners) {
        const int32_t sx = corner.x < 0 ? -kSide : kSide;
        const int32_t sy = corner.y < 0 ? -kSide : kSide;
        AddPylonSide(p3D, {corner.x, corner.y}, {corner.x + sx, corner.y + sy});
        AddPylonSide(p3D, {corner.x + sx, corner.y}, {corner.x, corner.y + sy});
    }
}

}  // namespace

void AddGround(VERTEX3D *p3D, std::initializer_list<XY> corners) {
    int32_t n = 0;
    for (const XY &c : corners) {
        p3D[n].x = c.x;
        p3D[n].y = c.y;
        ++n;
    }
    PolygonModelAdd(n, p3D);
}

void LinkTileToMarks(const MODEL *Model, int32_t tile, int pq) {
    const int32_t next = Model->iNumEdges;
    if (pq == 1)
        PolygonModelSetSurfaceAction(tile, kActionSentinel, next, -1);
    else
        PolygonModelSetSurfaceAction(tile, kActionSentinel, -1, next);
}

void EndMarkRun(const MODEL *Model) {
    PolygonModelSetEdgeAction(Model->iNumEdges - 1, kActionRunEnd, 0, 0);
}

#ifdef _WIN32
// The bitmap may come from another copy of the bitmap library, whose heap
// this one must not free: it is kept as loaded and never released.
void ReleaseQuelmSourceArt(void) { pdibBackground = nullptr; }

void OpenQuelmSourceArt(void) { pdibBackground = OpenDIB("quelm.bmp"); }
#else
void ReleaseQuelmSourceArt(void) {
    GlobalFreeLocked(pdibBackground);
    pdibBackground = nullptr;
}

// Nothing draws the art, so only its header and colour table are kept, at
// most 1064 bytes whatever the size of the file.
void OpenQuelmSourceArt(void) {
    ReleaseQuelmSourceArt();
    BITMAPINFO *dib = OpenDIB("quelm.bmp");
    if (!dib) return;
    const size_t colours = std::min<size_t>(dib->bmiHeader.biClrUsed, kArtColours);
    const size_t bytes = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    pdibBackground = static_cast<BITMAPINFO *>(GlobalAllocLocked(bytes));
    if (pdibBackground) std::memcpy(pdibBackground, dib, bytes);
    GlobalFreeLocked(dib);
}
#endif

void MakeQuelm(MODEL *Model) {
    OpenQuelmSourceArt();
    if (!PolygonModelInit()) return;
    VERTEX3D p3D[kWorkVerts] = {};
    ClearHeights(p3D);
    AddStandsAndSky(p3D);
    ClearHeights(p3D);
    AddGroundAround(p3D);
    AddCoarseSurface(p3D);
    AddFineSurface(Model, p3D);
    AddBorder(p3D);
    AddHashMarks(Model, p3D);
    DoNumbers(Model);
    AddGoalFrames(p3D);
    AddPylons(p3D);
}
