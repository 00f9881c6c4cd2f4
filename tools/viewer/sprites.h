// sprites.h - the host's own figures over the stadium: a ball and two teams
// lined up on a yard line, placed with the library's transforms as a host
// game places its sprites: WorldToScreen for the spot, WorldToScreenZ for
// the size, WorldToScreenZSquare for the drawing order, and nothing for a
// figure behind the camera.
#ifndef QUELM_VIEWER_SPRITES_H
#define QUELM_VIEWER_SPRITES_H

#include <cstdint>
#include <span>
#include <vector>

#include <quelm/quelm.h>
#include "tools/quelm/frame.h"

namespace quelm_viewer {

struct Marker {
    enum Kind : uint8_t { BALL, PLAYER };
    Kind kind;
    int32_t x, y, z;  // the figure's foot on the ground, world units
    uint8_t team;     // PLAYER: 0 offence, 1 defence
};

// The ball on the -y 35-yard line and eleven players a side around it.
std::span<const Marker> lineup();

// Heights, world units: a player with his helmet, the ball lying down.
inline constexpr int32_t PLAYER_HEIGHT = 76;
inline constexpr int32_t BALL_HEIGHT = 12;  // drawn a little large, so it is found

struct PlacedMarker {
    const Marker *marker;
    int32_t x, y;       // the foot, screen pixels
    int32_t height;     // pixels, at least 1
    int32_t distance2;  // WorldToScreenZSquare, for the order
};

// Places the markers in the scene's last view, farthest first, leaving out
// those WorldToScreen refuses.  `placed` is reused from frame to frame.
void place_markers(VANTAGE &view, std::span<const Marker> markers,
                   std::vector<PlacedMarker> &placed);

// Draws them into the 8-bit picture in that order, each clipped to it.
void draw_markers(quelm_tool::HostBitmap &picture, std::span<const PlacedMarker> placed);

}  // namespace quelm_viewer

#endif
