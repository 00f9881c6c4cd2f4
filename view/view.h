// view.h - the projection stages behind AddModelToScene (quelm.h).
//
// A frame's projection is one of: nothing, a rapid pan, or a complete
// reprojection (loader -> visible surfaces -> near-plane cut -> divide).
// Every stage takes the scene and the shared model and works in their
// preallocated pools; nothing here allocates.
#ifndef QUELM_VIEW_VIEW_H
#define QUELM_VIEW_VIEW_H

#include "quelm.h"

// Module-wide switch: while non-zero a complete reprojection skips the
// near-plane cut.  0, and nothing in the library changes it.
extern "C" int32_t NOCLIPPING;

// driver.cpp
void QUELMAPI CompleteReprojection(SCENE *Scene, MODEL *Model);
void QUELMAPI RegisterModelWithScene(SCENE *Scene, MODEL *Model);
void QUELMAPI ResetActivationStatusToggles(SCENE *Scene);
void QUELMAPI PerspectiveDivide(SCENE *Scene);

// loaders.cpp
void QUELMAPI LoadModelPointsIntoScene(SCENE *Scene, MODEL *Model);
void QUELMAPI LoadModelVectorsIntoScene(SCENE *Scene, MODEL *Model);
void QUELMAPI ClearProjectionStatusFlags(SCENE *Scene);

// surfaces.cpp
void QUELMAPI PrepareVisibleSurfaces(SCENE *Scene, MODEL *Model);

// zclip.cpp
void QUELMAPI PerformZClipping(SCENE *Scene, MODEL *Model);

// rapidpan.cpp
void QUELMAPI RapidPan(SCENE *Scene, MODEL *Model);

#endif
