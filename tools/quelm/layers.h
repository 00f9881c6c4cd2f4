// layers.h - painter's order turned into depth for viewers with a depth
// buffer.  The renderer paints surfaces in build order, so a marking simply
// covers the tile it lies on; a depth-buffered viewer sees the two in one
// plane and flickers between them.  Each surface gets a layer: one above
// the highest earlier surface it covers in the same plane, so lifting
// surfaces by a hair per layer shows what painting shows.
#ifndef QUELM_TOOLS_LAYERS_H
#define QUELM_TOOLS_LAYERS_H

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace quelm_tool {

struct WorldPoint {
    int32_t x, y, z;
};

// A model polygon (convex, 2 to 7 corners in the model's order) or a
// 2-corner stroke.
struct Face {
    std::vector<WorldPoint> corners;
};

struct Lift {
    int layer = 0;
    // Unit direction to lift along: the side of the face that the model
    // shows (a stroke takes that of the face it covers); zero for layer 0.
    std::array<double, 3> direction{};
};

// Layers for faces in build order.  Two faces interact only when they lie
// in one plane and their insides overlap; faces that merely touch along an
// edge or at a corner do not.
std::vector<Lift> coplanar_layers(std::span<const Face> faces);

}  // namespace quelm_tool

#endif
