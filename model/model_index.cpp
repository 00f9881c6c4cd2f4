// Hash lookup of model vertices by coordinates and edges by endpoints, so
// that building the stadium is not quadratic in its size.
//
// Open addressing over tables twice the pools' capacities.  Records are
// entered in pool order and an entry is never replaced, so among equal
// vertices the lowest index is the one found, as a search from 0 upward
// would find it.
#include "model/model_index.h"

#include <algorithm>
#include <cstring>

#include "model/model.h"
#include "quelm_globalmem.h"

namespace {

constexpr uint32_t kVertexSlots = 16384;
constexpr uint32_t kEdgeSlots = 16384;
static_assert(kVertexSlots >= 2 * QUELM_MAX_VERTICES && (kVertexSlots & (kVertexSlots - 1)) == 0);
static_assert(kEdgeSlots >= 2 * QUELM_MAX_EDGES && (kEdgeSlots & (kEdgeSlots - 1)) == 0);

// A slot holds a record's index + 1; 0 is empty.  The pools entered are
// remembered, so that a model given new pools is entered afresh.
struct ModelIndex {
    const VERTEX3D *vertexPool;
    const EDGELIST *edgePool;
    int32_t verts;  // vertices entered; -1 when the table must be rebuilt
    int32_t edges;
    int32_t vertexSlot[kVertexSlots];
    int32_t edgeSlot[kEdgeSlots];
};

ModelIndex *Index = nullptr;

uint32_t Mix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

uint32_t VertexHash(const VERTEX3D &v) {
    uint32_t h = static_cast<uint32_t>(v.x) * 0x9E3779B1u;
    h = (h ^ static_cast<uint32_t>(v.y)) * 0x85EBCA77u;
    h = (h ^ static_cast<uint32_t>(v.z)) * 0xC2B2AE3Du;
    return Mix(h);
}

// The same for (a, b) and (b, a).
uint32_t EdgeHash(int32_t a, int32_t b) {
    const auto lo = static_cast<uint32_t>(std::min(a, b));
    const auto hi = static_cast<uint32_t>(std::max(a, b));
    return Mix((lo * 0x9E3779B1u) ^ hi);
}

bool SamePlace(const VERTEX3D &v, const VERTEX3D &at) {
    return v.x == at.x && v.y == at.y && v.z == at.z;
}

bool Joins(const EDGELIST &e, int32_t a, int32_t b) {
    return (e.a == a && e.b == b) || (e.a == b && e.b == a);
}

// The slot naming a vertex at at's place, or the empty slot where one would
// be entered.
int32_t &VertexSlot(const VERTEX3D &at) {
    uint32_t s = VertexHash(at) & (kVertexSlots - 1);
    while (Index->vertexSlot[s] != 0 &&
           !SamePlace(Model->VertexList[Index->vertexSlot[s] - 1], at))
        s = (s + 1) & (kVertexSlots - 1);
    return Index->vertexSlot[s];
}

int32_t &EdgeSlot(int32_t a, int32_t b) {
    uint32_t s = EdgeHash(a, b) & (kEdgeSlots - 1);
    while (Index->edgeSlot[s] != 0 && !Joins(Model->EdgeList[Index->edgeSlot[s] - 1], a, b))
        s = (s + 1) & (kEdgeSlots - 1);
    return Index->edgeSlot[s];
}

// Enters the vertices appended since the last lookup, or all of them when
// the table is stale.
void CatchUpVertices() {
    const int32_t count = std::min(Model->iNumVerts, int32_t{QUELM_MAX_VERTICES});
    if (Index->vertexPool != Model->VertexList || Index->verts < 0 || Index->verts > count) {
        std::memset(Index->vertexSlot, 0, sizeof Index->vertexSlot);
        Index->vertexPool = Model->VertexList;
        Index->verts = 0;
    }
    for (; Index->verts < count; ++Index->verts) {
        int32_t &slot = VertexSlot(Model->VertexList[Index->verts]);
        if (slot == 0) slot = Index->verts + 1;
    }
}

void CatchUpEdges() {
    const int32_t count = std::min(Model->iNumEdges, int32_t{QUELM_MAX_EDGES});
    if (Index->edgePool != Model->EdgeList || Index->edges > count) {
        std::memset(Index->edgeSlot, 0, sizeof Index->edgeSlot);
        Index->edgePool = Model->EdgeList;
        Index->edges = 0;
    }
    for (; Index->edges < count; ++Index->edges) {
        const EDGELIST &e = Model->EdgeList[Index->edges];
        int32_t &slot = EdgeSlot(e.a, e.b);
        if (slot == 0) slot = Index->edges + 1;
    }
}

}  // namespace

bool OpenModelIndex() {
    Index = static_cast<ModelIndex *>(GlobalAllocLocked(sizeof(ModelIndex)));
    if (!Index) return false;
    // Zero-filled: empty tables for the pools just made.
    Index->vertexPool = Model->VertexList;
    Index->edgePool = Model->EdgeList;
    return true;
}

void CloseModelIndex() {
    GlobalFreeLocked(Index);
    Index = nullptr;
}

bool ModelIndexOpen() { return Index != nullptr; }

int32_t FindVertex(const VERTEX3D &at) {
    CatchUpVertices();
    return VertexSlot(at) - 1;
}

int32_t FindEdge(int32_t a, int32_t b) {
    CatchUpEdges();
    return EdgeSlot(a, b) - 1;
}

void ForgetVertexIndex() {
    if (Index) Index->verts = -1;
}
