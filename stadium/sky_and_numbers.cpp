// Sky pieces grown from the stands, and the yard numbers painted on the
// playing surface in three versions for three viewing distances.
#include <initializer_list>

#include "model/model.h"
#include "stadium/stadium.h"

namespace {

// Lowest z goes up to iSkyHigh (to the apex when toApex), highest z stays,
// anything between is merged into its successor or dropped from the end;
// then the polygon is turned over and added.  Scans run from the last
// vertex, as the result depends on it.
void GrowSky(int32_t *iNumVerts, VERTEX3D *p3D, int32_t iSkyHigh, bool toApex) {
    int32_t iZmin = iSkyHigh;
    int32_t iZmax = 0;
    for (int32_t i = *iNumVerts - 1; i >= 0; --i) {
        if (p3D[i].z < iZmin) iZmin = p3D[i].z;
        if (p3D[i].z > iZmax) iZmax = p3D[i].z;
    }
    for (int32_t i = *iNumVerts - 1; i >= 0; --i) {
        if (p3D[i].z == iZmin) {
            if (toApex) {
                p3D[i].x = 0;
                p3D[i].y = 0;
            }
            p3D[i].z = iSkyHigh;
        } else if (p3D[i].z != iZmax) {
            if (i < *iNumVerts - 1)
                p3D[i] = p3D[i + 1];
            else if (*iNumVerts > 0)
                *iNumVerts -= 1;
        }
    }
    ReverseVertexOrder(p3D, *iNumVerts);
    PolygonModelAdd(*iNumVerts, p3D);
    PolygonModelSetMaterial(QUELM_MAT_SKY);
}

// A digit cell is 72 across (lx) by 48 along (ly); local (lx, ly) is the
// point (h + lx, v - ly) of the cell placed at (h, v).
struct Local {
    int32_t lx, ly;
};

// Near digits are built from seven bars 8 thick, A to G.
struct Bar {
    int32_t lx0, lx1, ly0, ly1;
};
constexpr Bar kBars[7] = {
    {64, 72, 8, 40},  // A
    {40, 64, 0, 8},   // B
    {40, 64, 40, 48}, // C
    {32, 40, 8, 40},  // D
    {8, 32, 0, 8},    // E
    {8, 32, 40, 48},  // F
    {0, 8, 8, 40},    // G
};
enum : unsigned { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

// One digit as drawn on one side: its near bars, its far outline strokes and
// its medium bevelled quads, each in drawing order.
struct Glyph {
    unsigned bars;
    int strokes;
    Local stroke[5][2];
    int quads;
    Local quad[5][4];
};

constexpr Glyph kZero = {
    A | B | C | E | F | G,
    4,
    {{{64, 8}, {64, 40}}, {{64, 40}, {8, 40}}, {{8, 40}, {8, 8}}, {{8, 8}, {64, 8}}},
    4,
    {{{72, 0}, {72, 48}, {64, 40}, {64, 8}},
     {{72, 48}, {0, 48}, {8, 40}, {64, 40}},
     {{0, 48}, {0, 0}, {8, 8}, {8, 40}},
     {{0, 0}, {72, 0}, {64, 8}, {8, 8}}},
};
constexpr Glyph kTwo = {
    A | B | D | F | G,
    5,
    {{{64, 40}, {64, 8}}, {{64, 8}, {40, 8}}, {{40, 8}, {32, 40}}, {{32, 40}, {8, 40}},
     {{8, 40}, {8, 8}}},
    5,
    {{{64, 40}, {64, 0}, {72, 8}, {72, 40}},
     {{64, 0}, {72, 8}, {32, 8}, {40, 0}},
     {{32, 8}, {40, 0}, {40, 40}, {32, 40}},
     {{40, 40}, {32, 48}, {8, 48}, {0, 40}},
     {{8, 48}, {0, 40}, {0, 0}, {8, 0}}},
};
constexpr Glyph kFive = {
    A | C | D | E | G,
    5,
    {{{64, 8}, {64, 40}}, {{64, 40}, {40, 40}}, {{40, 40}, {32, 8}}, {{32, 8}, {8, 8}},
     {{8, 8}, {8, 40}}},
    5,
    {{{64, 8}, {72, 8}, {72, 40}, {64, 48}},
     {{72, 40}, {64, 48}, {40, 48}, {32, 40}},
     {{40, 48}, {32, 40}, {32, 0}, {40, 8}},
     {{32, 0}, {40, 8}, {0, 8}, {8, 0}},
     {{0, 8}, {8, 0}, {8, 40}, {0, 40}}},
};

// kGlyphs[digit][side], side 0 right of the field's centre, 1 left.  The
// left digits are the right ones turned through 180 degrees in the cell, so
// that each number reads upright from beyond the nearer sideline.
constexpr Glyph kGlyphs[6][2] = {
    {kZero, kZero},
    {{C | F, 1, {{{64, 40}, {8, 40}}}, 1, {{{64, 48}, {8, 48}, {8, 40}, {64, 40}}}},
     {B | E, 1, {{{64, 0}, {8, 0}}}, 1, {{{64, 8}, {8, 8}, {8, 0}, {64, 0}}}}},
    {kTwo, kTwo},
    {{A | C | D | F | G,
      5,
      {{{64, 8}, {64, 40}}, {{64, 40}, {40, 40}}, {{40, 40}, {40, 8}}, {{40, 40}, {8, 40}},
       {{8, 40}, {8, 8}}},
      5,
      {{{72, 0}, {72, 40}, {64, 48}, {64, 8}},
       {{64, 48}, {32, 48}, {40, 40}, {72, 40}},
       {{40, 40}, {32, 48}, {32, 0}, {40, 0}},
       {{40, 40}, {32, 48}, {8, 48}, {0, 40}},
       {{8, 48}, {0, 40}, {0, 0}, {8, 0}}}},
     {A | B | D | E | G,
      5,
      {{{64, 40}, {64, 8}}, {{64, 8}, {40, 8}}, {{40, 8}, {40, 40}}, {{40, 8}, {8, 8}},
       {{8, 8}, {8, 40}}},
      5,
      {{{64, 40}, {64, 0}, {72, 8}, {72, 40}},
       {{72, 8}, {40, 8}, {32, 0}, {64, 0}},
       {{32, 0}, {40, 8}, {40, 40}, {32, 40}},
       {{32, 0}, {40, 8}, {0, 8}, {8, 0}},
       {{0, 8}, {8, 0}, {8, 40}, {0, 40}}}}},
    {{C | D | E | F,
      4,
      {{{64, 40}, {40, 40}}, {{0, 8}, {40, 8}}, {{40, 40}, {40, 8}}, {{40, 40}, {8, 40}}},
      4,
      {{{64, 40}, {64, 48}, {40, 48}, {32, 40}},
       {{8, 8}, {8, 0}, {32, 0}, {40, 8}},
       {{32, 40}, {32, 0}, {40, 8}, {40, 48}},
       {{32, 40}, {40, 48}, {8, 48}, {8, 40}}}},
     {B | C | D | E,
      4,
      {{{64, 8}, {40, 8}}, {{64, 40}, {40, 40}}, {{40, 8}, {40, 40}}, {{40, 8}, {8, 8}}},
      4,
      {{{64, 0}, {64, 8}, {32, 8}, {40, 0}},
       {{64, 40}, {64, 48}, {32, 48}, {40, 40}},
       {{40, 0}, {40, 40}, {32, 48}, {32, 8}},
       {{40, 0}, {32, 8}, {8, 8}, {8, 0}}}}},
    {kFive, kFive},
};

XY At(int32_t h, int32_t v, Local p) { return {h + p.lx, v - p.ly}; }

// The arrow beside a number, pointing to the nearer goal line.  Beside a 10
// it moves 40 toward the number where the digit next to it is the narrow 1.
void AddArrow(VERTEX3D *p3D, int32_t h, int32_t i, int32_t c, int32_t j, int32_t k) {
    const int32_t as = h < 0 ? h + 57 : h + 33;
    if (c == 0) {
        int32_t b = j + 6;
        if (i == 1 && h >= 0) b -= 40;
        AddGround(p3D, {{as - 9, b + 35}, {as, b}, {as - 18, b}});
    } else {
        int32_t b = k - 54;
        if (i == 1 && h < 0) b += 40;
        AddGround(p3D, {{as - 18, b}, {as, b}, {as - 9, b - 35}});
    }
}

}  // namespace

void DoSkyMirror(int32_t *iNumVerts, VERTEX3D *p3D, int32_t iSkyHigh) {
    GrowSky(iNumVerts, p3D, iSkyHigh, false);
}

void DoSkyPyramid(int32_t *iNumVerts, VERTEX3D *p3D, int32_t iSkyHigh) {
    GrowSky(iNumVerts, p3D, iSkyHigh, true);
}

// Numbers 10 to 50 and back to 10, centred every 360 from y = 1440 down, a
// cell each side of x = 0 for each of the two digits.
void DoNumbers(MODEL *Model) {
    int32_t c = 0;
    const int32_t r = 456;
    const int32_t l = -528;
    int32_t j = 1500;
    int32_t k = 1428;
    VERTEX3D p3D[4] = {};
    PolygonModelSetDefaultMaterial(QUELM_MAT_NUMBER);
    int QlmCmp = 5;
    int pq = 0;
    for (int32_t i = 1; i != 0;) {
        for (const int32_t v : {j, k}) {
            for (const int32_t h : {l, r}) {
                const int32_t digit = ((v == j) != (h < 0)) ? i : 0;
                const Glyph &glyph = kGlyphs[digit][h < 0 ? 1 : 0];

                PolygonModelSetDefaultVisibility(kVisNearMarks);
                PolygonModelSetDefaultMaterial(QUELM_MAT_NUMBER);
                PolygonModelSetDefaultAction(kActionMarkRun);
                LinkTileToMarks(Model, QlmCmpPolyNum[QlmCmp], pq);
                for (int b = 0; b < 7; ++b) {
                    if (!(glyph.bars & (1u << b))) continue;
                    const Bar &bar = kBars[b];
                    AddGround(p3D, {{h + bar.lx1, v - bar.ly0},
                                  {h + bar.lx1, v - bar.ly1},
                                  {h + bar.lx0, v - bar.ly1},
                                  {h + bar.lx0, v - bar.ly0}});
                }
                if (v == k && i != 5) AddArrow(p3D, h, i, c, j, k);
                EndMarkRun(Model);
                QlmCmp += 3;
                pq ^= 1;

                PolygonModelSetDefaultVisibility(kVisFarMarks);
                PolygonModelSetDefaultAction(0);
                for (int s = 0; s < glyph.strokes; ++s)
                    AddGround(p3D, {At(h, v, glyph.stroke[s][0]), At(h, v, glyph.stroke[s][1])});

                PolygonModelSetDefaultVisibility(kVisMediumMarks);
                PolygonModelSetDefaultAction(0);
                for (int q = 0; q < glyph.quads; ++q) {
                    const Local(&quad)[4] = glyph.quad[q];
                    AddGround(p3D, {At(h, v, quad[0]), At(h, v, quad[1]), At(h, v, quad[2]),
                                  At(h, v, quad[3])});
                }
            }
        }
        j -= 360;
        k -= 360;
        if (i == 5) c = 1;
        i += c == 0 ? 1 : -1;
    }
    PolygonModelSetDefaultAction(0);
}
