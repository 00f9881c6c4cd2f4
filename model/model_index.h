// model_index.h - the model store's private lookup of vertices by
// coordinates and edges by endpoints.
//
// It answers exactly what a search of the pools from index 0 upward would:
// the first vertex with equal x, y and z, the edge joining two vertices
// either way round.  It follows the pools by their counts, so records
// appended to them are found from the next lookup on; a vertex overwritten
// in place needs ForgetVertexIndex.
#ifndef QUELM_MODEL_MODEL_INDEX_H
#define QUELM_MODEL_MODEL_INDEX_H

#include "quelm.h"

// Allocates the index for the global Model's pools (PolygonModelInit, after
// CloseModelIndex); false when its block cannot be had.
bool OpenModelIndex();
// Releases it (PolygonModelDiscard).
void CloseModelIndex();
bool ModelIndexOpen();

// Index of the first vertex at at's coordinates, or -1.
int32_t FindVertex(const VERTEX3D &at);
// Index of the edge (a, b) or (b, a), or -1.
int32_t FindEdge(int32_t a, int32_t b);
// Vertices changed in place: the vertex lookup is rebuilt before its next use.
void ForgetVertexIndex();

#endif
