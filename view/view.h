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
void CompleteReprojection(SCENE *Scene, MODEL *Model);
void RegisterModelWithScene(SCENE *Scene, MODEL *Model);
void ResetActivationStatusToggles(SCENE *Scene);

// loaders.cpp
void LoadModelPointsIntoScene(SCENE *Scene, MODEL *Model);
void LoadModelVectorsIntoScene(SCENE *Scene, MODEL *Model);
void ClearProjectionStatusFlags(SCENE *Scene);

// surfaces.cpp
void PrepareVisibleSurfaces(SCENE *Scene, MODEL *Model);

// zclip.cpp
void PerformZClipping(SCENE *Scene, MODEL *Model);

// divide.cpp
void PerspectiveDivide(SCENE *Scene);

// rapidpan.cpp: false, with only the tally counted, when the target's
// reference points cannot be placed on the screen; the driver then reprojects.
bool RapidPan(SCENE *Scene);

#endif
