// scene.h - scene-wide state owned by the scene interface.
#ifndef QUELM_SCENE_SCENE_H
#define QUELM_SCENE_SCENE_H

#include "quelm.h"

// Live scenes; the model lives while it is above 0.
extern "C" int32_t SceneryCount;

#endif
