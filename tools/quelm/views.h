// views.h - the tool's standard views of the stadium, chosen by looking at
// the pictures they give.
#ifndef QUELM_TOOLS_VIEWS_H
#define QUELM_TOOLS_VIEWS_H

#include <array>

#include <quelm/quelm.h>

namespace quelm_tool {

// quelm render without options: high over the stands' -y, +x corner, inside
// the sky, looking at the middle of the field.
inline constexpr int DEFAULT_RENDER_WIDTH = 1280;
inline constexpr int DEFAULT_RENDER_HEIGHT = 800;
inline constexpr std::array<double, 3> DEFAULT_EYE = {2000, -3400, 2600};
inline constexpr std::array<double, 3> DEFAULT_TARGET = {0, 0, 0};

// How much of the target's plane a picture shows unless told otherwise,
// inches, so that the framing is the same whatever the picture's size.
struct Span {
    double across, down;
};
// The stands with a band of sky above them.
inline constexpr Span DEFAULT_RENDER_SPAN = {12800, 8000};

// The magnification that shows at least `span` in a width x height picture.
inline double magnification_for(Span span, int width, int height) {
    const double across = width / span.across, down = height / span.down;
    return across < down ? across : down;
}

// quelm spin: a full turn in 120 steps of 3 degrees around the field, over
// the stands and inside the sky, closer in than render's default view.
inline constexpr int DEFAULT_SPIN_WIDTH = 480;
inline constexpr int DEFAULT_SPIN_HEIGHT = 300;
inline constexpr int DEFAULT_SPIN_FRAMES = 120;
inline constexpr int DEFAULT_SPIN_DELAY = 4;  // hundredths of a second
inline constexpr Span DEFAULT_SPIN_SPAN = {9600, 6000};
// The spin record the GIF starts from; its magnification follows the
// picture's size (DEFAULT_SPIN_SPAN).
inline constexpr SPINDEMO_VIEW DEFAULT_SPIN_RECORD = {
    .CameraRadius = 2800,
    .TargetRadius = 0,
    .TW = 128,
    .CameraHeight = 1800,
    .TargetHeight = 0,
    .CameraStep = 30,
    .TargetStep = 0,
    .Magnification = 0,
    .CameraAngle = 0,
    .TargetAngle = 0,
};

}  // namespace quelm_tool

#endif
