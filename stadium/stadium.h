// stadium.h - the stadium builder.
#ifndef QUELM_STADIUM_STADIUM_H
#define QUELM_STADIUM_STADIUM_H

#include <initializer_list>

#include "quelm.h"
#include "stadium/materials.h"

// Fills the shared model with the whole stadium, in painting order.  Reads
// only iNumEdges and iNumPolygons of its argument; every addition goes to the
// global Model.  A model whose pools cannot all be had is left empty.
void MakeQuelm(MODEL *Model);

// Loads the playing-surface art "quelm.bmp", releasing what an earlier build
// loaded; a missing file leaves nothing loaded.
void OpenQuelmSourceArt(void);
// Releases the art; called when the model is discarded.
void ReleaseQuelmSourceArt(void);

// Sky pieces made from the polygon left in p3D (*iNumVerts vertices): a wall
// raised to iSkyHigh, or a triangle to the apex (0, 0, iSkyHigh).  Both leave
// their polygon (reversed, possibly shorter) in p3D and add it in QUELM_MAT_SKY.
void DoSkyMirror(int32_t *iNumVerts, VERTEX3D *p3D, int32_t iSkyHigh);
void DoSkyPyramid(int32_t *iNumVerts, VERTEX3D *p3D, int32_t iSkyHigh);

// The yard numbers in near, far and medium versions, the near ones chained to
// the tiles named by QlmCmpPolyNum.  Reads only iNumEdges of its argument.
void DoNumbers(MODEL *Model);

// Visibility words the builder stamps: the draw bit with the plan bits of
// the groups a piece belongs to.  The bits above the plans on the coarse
// playing surface are carried along and read by nothing.
constexpr int32_t kVisStands = PLAN_STANDS | VIS_DRAW;                 // 0x40001
constexpr int32_t kVisGround = PLAN_GROUND | VIS_DRAW;                 // 0x80001
constexpr int32_t kVisCoarseEndZone = 0xA00000 | PLAN_COARSE | VIS_DRAW;   // 0xA10001
constexpr int32_t kVisCoarseField = 0x1900000 | PLAN_COARSE | VIS_DRAW;    // 0x1910001
constexpr int32_t kVisFine = PLAN_FINE | VIS_DRAW;                     // 0x8001
constexpr int32_t kVisNearMarks = PLAN_FINE | PLAN_NEAR | VIS_DRAW;    // 0x9001
constexpr int32_t kVisMediumMarks = PLAN_MEDIUM | VIS_DRAW;            // 0x2001
constexpr int32_t kVisFarMarks = PLAN_FAR | VIS_DRAW;                  // 0x4001
constexpr int32_t kVisPylons = PLAN_NEAR | VIS_DRAW;                   // 0x1001

// Edge actions: a run of near marks is made active and chained edge to edge,
// the tile under it becomes a sentinel linking to the run's first edge, and
// the run's last edge ends the chain.
constexpr int32_t kActionMarkRun = ACT_ACTIVE | ACT_CHAIN;         // 0x18
constexpr int32_t kActionSentinel = ACT_CONSTANTLY | ACT_ACTIVE;   // 12
constexpr int32_t kActionRunEnd = ACT_ACTIVE;                      // 8

// Makes every edge of the tile a sentinel whose link p (pq 1) or link q (pq
// 0) names the next edge to be created: the first edge of the marks that
// follow.  The tile's other link is kept.
void LinkTileToMarks(const MODEL *Model, int32_t tile, int pq);
// Ends the run of marks at the last edge made.
void EndMarkRun(const MODEL *Model);

// A point on the ground.  Ground polygons write only x and y into the work
// array, whose z the builder keeps at 0, and add them as one polygon.
struct XY {
    int32_t x, y;
};
void AddGround(VERTEX3D *p3D, std::initializer_list<XY> corners);

// Indices of the playing-surface tiles that carry marks, row by row: columns
// 0, 3, 6, 9 of rows 0 and 19, and 0, 2, 3, 6, 7, 9 of rows 1 to 18.
// Entry 5 + 3 m is the tile under the m-th digit drawn.
constexpr int kQlmCmpEntries = 116;
extern int32_t QlmCmpPolyNum[kQlmCmpEntries];

#endif
