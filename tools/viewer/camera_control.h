// camera_control.h - how the viewer moves a dolly camera: orbiting around
// the target, turning (the target moves alone, which the library answers
// with rapid pans), walking, rising, moving in and zooming.  Every move
// keeps the camera inside the world box the coordinate dialog can reach.
#ifndef QUELM_VIEWER_CAMERA_CONTROL_H
#define QUELM_VIEWER_CAMERA_CONTROL_H

#include <cstdint>

#include <quelm/quelm.h>

namespace quelm_viewer {

// Camera and target stay within +-WORLD_LIMIT on each axis: the range of the
// coordinate dialog's sliders, and near enough that WorldToScreenZSquare of
// any point of the stadium stays within 32 bits.
inline constexpr double WORLD_LIMIT = 15000;
inline constexpr double MIN_DISTANCE = 12;         // camera to target
inline constexpr double MIN_MAGNIFICATION = 0.001; // the dialog's smallest step
inline constexpr double MAX_MAGNIFICATION = 50;
inline constexpr double MAX_PITCH = 1.48;          // radians, short of straight down
inline constexpr double MIN_EYE_HEIGHT = 24;       // orbiting and moving in stop a little
                                                   // above the ground

// The view the viewer opens with (and Home returns to) for a picture of
// width x height pixels: high over a corner of the stands.
void place_start_view(CAMERA &camera, int width, int height);

// What SetView would return for this camera on a scene whose view state is
// `perspective`: the change bits, 0, or -1 for a camera it refuses.  Works
// on copies; nothing is touched.
int32_t view_changes(const CAMERA &camera, const VANTAGE &perspective);

// Moves around the target by yaw (about the vertical) and pitch (up, +),
// radians, at the same distance.
void orbit(CAMERA &camera, double yaw, double pitch);
// Moves the target alone, across the picture (right, +) and up or down
// (world z): the camera turns in place.
void turn(CAMERA &camera, double right, double up);
// Moves camera and target together over the ground, along the line of
// sight (forward, +) and across it (right, +).
void walk(CAMERA &camera, double forward, double right);
// Moves camera and target together up (+) or down.
void rise(CAMERA &camera, double up);
// Multiplies the camera's distance from the target by factor.
void move_in(CAMERA &camera, double factor);
// Multiplies the magnification by factor, within its limits.
void zoom(CAMERA &camera, double factor);

// The unit vector across the picture to the right, on the ground.
void screen_right(const CAMERA &camera, double &x, double &y);
double camera_distance(const CAMERA &camera);

}  // namespace quelm_viewer

#endif
