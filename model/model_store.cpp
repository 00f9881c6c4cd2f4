// The polygon model store: the shared model's pools, its builder calls and
// its read-only iteration.
//
// Every call works on the global Model.  Vertices are shared by coordinates
// and edges by endpoints (either direction); the first match in pool order is
// reused (model_index.h finds it).  Defaults set once are stamped into
// everything added afterwards.
#include <algorithm>

#include "model/model.h"
#include "model/model_index.h"
#include "quelm_globalmem.h"

extern "C" {
MODEL *Model = nullptr;
}

namespace {

// New polygons are ground surfaces until the builder says otherwise.
constexpr int32_t kInitialVisibility = PLAN_GROUND | VIS_DRAW;  // 0x80001

uint32_t DefaultPlanBits() {
    return static_cast<uint32_t>(Model->iDefaultVisibility) & VIS_PLAN_MASK;
}

// The act of an edge made (or first given an action) now: the default
// flags, and under the chain flag a first link to `link`.
uint32_t DefaultEdgeAction(int32_t link) {
    const auto action = static_cast<uint32_t>(Model->iDefaultAction);
    uint32_t act = action & ACT_FLAGS;
    if (action & ACT_CHAIN) act |= static_cast<uint32_t>(link) << ACT_LINK_P_SHIFT;
    return act;
}

// A found edge without an action takes the default one; the chain link names
// the edge after the next one to be created.
void StampFoundEdge(EDGELIST &edge) {
    if ((static_cast<uint32_t>(Model->iDefaultAction) & ACT_FLAGS) != 0 && edge.act == 0)
        edge.act = DefaultEdgeAction(Model->iNumEdges + 1);
}

int32_t AppendEdge(int32_t a, int32_t b) {
    const int32_t j = Model->iNumEdges;
    EDGELIST &edge = Model->EdgeList[j];
    edge.a = a;
    edge.b = b;
    edge.act = DefaultEdgeAction(j + 1);
    Model->iNumEdges = j + 1;
    return j;
}

int32_t AppendVertex(const VERTEX3D &from) {
    const int32_t j = Model->iNumVerts;
    VERTEX3D &vertex = Model->VertexList[j];
    vertex.x = from.x;
    vertex.y = from.y;
    vertex.z = from.z;
    vertex.visible = DefaultPlanBits();
    Model->iNumVerts = j + 1;
    return j;
}

// Records a finished polygon in the next slot and makes it current.
int32_t RecordPolygon(const POLYGONLIST &polygon) {
    const int32_t k = Model->iNumPolygons;
    POLYGONLIST &slot = Model->PolygonList[k];
    slot = polygon;
    slot.material = Model->iDefaultMaterial;
    slot.visible = static_cast<uint32_t>(Model->iDefaultVisibility);
    Model->iCurrentSurface = k;
    Model->iNumPolygons = k + 1;
    return k;
}

// The polygon the per-surface calls address, or null when the cursor names
// no polygon.
POLYGONLIST *CurrentPolygon() {
    const int32_t k = Model->iCurrentSurface;
    return (k >= 0 && k < Model->iNumPolygons) ? &Model->PolygonList[k] : nullptr;
}

uint32_t ActionWord(uint32_t old, int32_t action, int32_t p, int32_t q) {
    const uint32_t first = p >= 0 ? static_cast<uint32_t>(p) << ACT_LINK_P_SHIFT
                                  : old & ACT_LINK_P_MASK;
    const uint32_t second =
        q >= 0 ? (static_cast<uint32_t>(q) & (ACT_LINK_Q_MASK >> ACT_LINK_Q_SHIFT))
                     << ACT_LINK_Q_SHIFT
               : old & ACT_LINK_Q_MASK;
    return (static_cast<uint32_t>(action) & ACT_FLAGS) | first | second;
}

// The index after a cursor, never before 0 nor beyond count, so that a
// cursor the host has written cannot lead outside a pool.
int32_t StepForward(int32_t cursor, int32_t count) {
    return cursor < count ? std::max(cursor + 1, 0) : count;
}

}  // namespace

int32_t SurfaceWalkNext(const POLYGONLIST *list, int32_t count, int32_t *cursor) {
    int32_t k = StepForward(*cursor, count);
    while (k < count && !(list[k].visible & VIS_DRAW)) ++k;
    *cursor = k;
    return k < count ? list[k].numv : 0;
}

int32_t SurfaceWalkPrevious(const POLYGONLIST *list, int32_t count, int32_t *cursor) {
    *cursor = std::min(*cursor, count);
    while (*cursor > 0) {
        --*cursor;
        if (list[*cursor].visible & VIS_DRAW) return list[*cursor].numv;
    }
    return 0;
}

extern "C" int32_t QUELMAPI PolygonModelInit(void) {
    Model->VertexList =
        static_cast<VERTEX3D *>(GlobalAllocLocked(sizeof(VERTEX3D) * QUELM_MAX_VERTICES));
    Model->EdgeList =
        static_cast<EDGELIST *>(GlobalAllocLocked(sizeof(EDGELIST) * QUELM_MAX_EDGES));
    Model->PolygonList =
        static_cast<POLYGONLIST *>(GlobalAllocLocked(sizeof(POLYGONLIST) * QUELM_MAX_POLYGONS));
    Model->iNumVerts = 0;
    Model->iNumEdges = 0;
    Model->iNumPolygons = 0;
    Model->iCurrentLine = 0;
    Model->iCurrentSurface = 0;
    Model->iDefaultMaterial = 0;
    Model->iDefaultAction = 0;
    Model->iDefaultVisibility = kInitialVisibility;
    // The index exists only over a complete set of pools: without it no
    // add goes ahead.
    CloseModelIndex();
    if (!Model->VertexList || !Model->EdgeList || !Model->PolygonList) return 0;
    return OpenModelIndex();
}

extern "C" void QUELMAPI PolygonModelDiscard(void) {
    CloseModelIndex();
    GlobalFreeLocked(Model->VertexList);
    GlobalFreeLocked(Model->EdgeList);
    GlobalFreeLocked(Model->PolygonList);
    Model->VertexList = nullptr;
    Model->EdgeList = nullptr;
    Model->PolygonList = nullptr;
}

// Without an index the model was never set up: nothing is added.
extern "C" int32_t QUELMAPI PolygonModelAdd(int32_t iMag, VERTEX3D *Verts) {
    if (!ModelIndexOpen() || Model->iNumPolygons >= QUELM_MAX_POLYGONS ||
        iMag > QUELM_MAX_POLYGON_VERTICES || iMag < 2)
        return 0;
    POLYGONLIST polygon{};
    for (int32_t i = 0; i < iMag; ++i) {
        const int32_t j = FindVertex(Verts[i]);
        if (j >= 0) {
            Model->VertexList[j].visible |= DefaultPlanBits();
            polygon.v[i] = j;
        } else if (Model->iNumVerts >= QUELM_MAX_VERTICES) {
            return 0;
        } else {
            polygon.v[i] = AppendVertex(Verts[i]);
        }
    }
    for (int32_t i = 0; i < iMag;) {
        const int32_t next = (i + 1) % iMag;
        const int32_t j = FindEdge(polygon.v[i], polygon.v[next]);
        if (j >= 0) {
            StampFoundEdge(Model->EdgeList[j]);
            polygon.e[i] = j;
        } else if (Model->iNumEdges >= QUELM_MAX_EDGES) {
            return 0;
        } else if (polygon.v[i] == polygon.v[next]) {
            // A repeated vertex makes no edge: close the gap and look at
            // position i again with its new successor.
            std::copy(polygon.v + i + 1, polygon.v + iMag, polygon.v + i);
            iMag -= 1;
            polygon.v[iMag] = 0;
            continue;
        } else {
            polygon.e[i] = AppendEdge(polygon.v[i], polygon.v[next]);
        }
        ++i;
    }
    polygon.numv = iMag;
    RecordPolygon(polygon);
    return 1;
}

// Refuses, recording nothing, what the pools or a polygon record cannot hold
// and vertex indices that name no vertex.
extern "C" int32_t QUELMAPI PolygonModelAddSurface(int32_t iMag, int32_t *PolyVerts) {
    if (!ModelIndexOpen() || Model->iNumPolygons >= QUELM_MAX_POLYGONS || iMag < 1 ||
        iMag > QUELM_MAX_POLYGON_VERTICES)
        return 0;
    for (int32_t i = 0; i < iMag; ++i)
        if (PolyVerts[i] < 0 || PolyVerts[i] >= Model->iNumVerts) return 0;
    POLYGONLIST polygon{};
    for (int32_t i = 0; i < iMag; ++i) {
        const int32_t a = PolyVerts[i];
        const int32_t b = PolyVerts[(i + 1) % iMag];
        int32_t j = FindEdge(a, b);
        if (j >= 0) {
            StampFoundEdge(Model->EdgeList[j]);
        } else if (Model->iNumEdges >= QUELM_MAX_EDGES) {
            return 0;
        } else {
            j = AppendEdge(a, b);
            Model->VertexList[a].visible |= DefaultPlanBits();
            Model->VertexList[b].visible |= DefaultPlanBits();
        }
        polygon.e[i] = j;
        polygon.v[i] = a;
    }
    polygon.numv = iMag;
    return RecordPolygon(polygon);
}

extern "C" int32_t QUELMAPI PolygonModelAddVertex(VERTEX3D *Verts) {
    if (Model->iNumVerts >= QUELM_MAX_VERTICES) return 0;
    return AppendVertex(*Verts);
}

extern "C" void QUELMAPI PolygonModelMoveVertex(int32_t iMag, VERTEX3D *Verts) {
    if (iMag < 0 || iMag >= Model->iNumVerts) return;
    Model->VertexList[iMag] = *Verts;
    ForgetVertexIndex();
}

extern "C" int32_t QUELMAPI PolygonModelFirstSurface(void) {
    Model->iCurrentSurface = -1;
    return PolygonModelNextSurface();
}

extern "C" int32_t QUELMAPI PolygonModelNextSurface(void) {
    return SurfaceWalkNext(Model->PolygonList, Model->iNumPolygons, &Model->iCurrentSurface);
}

extern "C" int32_t QUELMAPI PolygonModelPreviousSurface(void) {
    return SurfaceWalkPrevious(Model->PolygonList, Model->iNumPolygons, &Model->iCurrentSurface);
}

extern "C" int32_t QUELMAPI PolygonModelCurrentSurface(void) { return Model->iCurrentSurface; }

extern "C" uint32_t QUELMAPI PolygonModelVertex(int32_t iMag, VERTEX3D *Verts) {
    const POLYGONLIST *polygon = CurrentPolygon();
    if (!polygon || iMag < 0 || iMag >= polygon->numv) return 0;
    *Verts = Model->VertexList[polygon->v[iMag]];
    return Verts->visible;
}

extern "C" int32_t QUELMAPI PolygonModelFirstLine(VERTEX3D *Verts) {
    Model->iCurrentLine = -1;
    return PolygonModelNextLine(Verts);
}

extern "C" int32_t QUELMAPI PolygonModelNextLine(VERTEX3D *Verts) {
    const int32_t j = StepForward(Model->iCurrentLine, Model->iNumEdges);
    Model->iCurrentLine = j;
    if (j >= Model->iNumEdges) return 0;
    const VERTEX3D &a = Model->VertexList[Model->EdgeList[j].a];
    const VERTEX3D &b = Model->VertexList[Model->EdgeList[j].b];
    Verts[0].x = a.x;
    Verts[0].y = a.y;
    Verts[0].z = a.z;
    Verts[1].x = b.x;
    Verts[1].y = b.y;
    Verts[1].z = b.z;
    return 1;
}

extern "C" int32_t QUELMAPI PolygonModelGetMaterial(void) {
    const POLYGONLIST *polygon = CurrentPolygon();
    return polygon ? polygon->material : 0;
}

extern "C" void QUELMAPI PolygonModelSetMaterial(int32_t iMag) {
    if (POLYGONLIST *polygon = CurrentPolygon()) polygon->material = iMag;
}

extern "C" void QUELMAPI PolygonModelSetDefaultMaterial(int32_t iMag) {
    Model->iDefaultMaterial = iMag;
}

extern "C" uint32_t QUELMAPI PolygonModelGetVisibility(SCENE *) {
    const POLYGONLIST *polygon = CurrentPolygon();
    return polygon ? polygon->visible : 0;
}

extern "C" void QUELMAPI PolygonModelSetVisibility(int32_t iMag) {
    if (POLYGONLIST *polygon = CurrentPolygon()) polygon->visible = static_cast<uint32_t>(iMag);
}

extern "C" void QUELMAPI PolygonModelSetDefaultVisibility(int32_t iMag) {
    Model->iDefaultVisibility = iMag;
}

void PolygonModelSetEdgeAction(int32_t edgenum, int32_t action, int32_t p, int32_t q) {
    if (edgenum < 0 || edgenum >= Model->iNumEdges) return;
    EDGELIST &edge = Model->EdgeList[edgenum];
    edge.act = ActionWord(edge.act, action, p, q);
}

void PolygonModelSetSurfaceAction(int32_t polynum, int32_t action, int32_t p, int32_t q) {
    if (polynum < 0 || polynum >= Model->iNumPolygons) return;
    const POLYGONLIST &polygon = Model->PolygonList[polynum];
    for (int32_t i = 0; i < polygon.numv; ++i)
        PolygonModelSetEdgeAction(polygon.e[i], action, p, q);
}

void PolygonModelSetDefaultAction(int32_t action) { Model->iDefaultAction = action; }

// Turns the winding of a polygon's vertex array; all four members move.
extern "C" void QUELMAPI ReverseVertexOrder(VERTEX3D *p3D, int32_t iNumPts) {
    if (iNumPts > 1) std::reverse(p3D, p3D + iNumPts);
}
