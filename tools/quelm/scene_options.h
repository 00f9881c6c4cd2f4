// scene_options.h - what the picture-making verbs (render, spin) share:
// picture size, background, palette and scene-settings bits, plus the
// scene and camera records held for the length of a command.
#ifndef QUELM_TOOLS_SCENE_OPTIONS_H
#define QUELM_TOOLS_SCENE_OPTIONS_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <quelm/quelm.h>

#include "common/palette.h"
#include "tools/quelm/cli.h"
#include "tools/quelm/image.h"

namespace quelm_tool {

// The ground's colour: where the near plane cuts surfaces away, the
// library leaves pixels undrawn, and a low camera would show black holes.
inline constexpr uint8_t GROUND_INDEX = QUELM_MAT_GROUND;

struct SceneOptions {
    Size size;
    uint8_t background = GROUND_INDEX;
    std::string palette_file{};  // empty: the default palette
    // Scene-settings changes in command-line order: set when true, else reset.
    std::vector<std::pair<bool, uint32_t>> settings{};
    bool quiet = false;  // no "wrote FILE" line
};

// Appends the options that fill `scene` (which must outlive them).
void add_scene_options(std::vector<Option> &options, SceneOptions &scene);

Palette scene_palette(const SceneOptions &scene);

struct SceneDeleter {
    void operator()(SCENE *scene) const { DestroyScene(scene); }
};
using ScenePtr = std::unique_ptr<SCENE, SceneDeleter>;

// A scene (the first builds the stadium) with the settings changes applied.
ScenePtr make_scene(const SceneOptions &options);

struct CameraDeleter {
    void operator()(CAMERA *camera) const { DestroyCamera(camera); }
};
using CameraPtr = std::unique_ptr<CAMERA, CameraDeleter>;

// The spin record's members as the command line gives them; unset ones keep
// whatever default the verb chooses.
struct SpinOptions {
    std::optional<int32_t> camera_radius, target_radius, camera_height, target_height;
    std::optional<int32_t> camera_step, target_step;
    std::optional<double> magnification;
    bool any() const;
};

// Appends the spin record's options; `start` is the record the verb starts
// from, whose values --help shows.  The magnification's default is given as
// text, since it may depend on the picture.
void add_spin_options(std::vector<Option> &options, SpinOptions &spin, const SPINDEMO_VIEW &start,
                      const std::string &start_magnification);
void apply_spin_options(const SpinOptions &spin, SPINDEMO_VIEW &record);

}  // namespace quelm_tool

#endif
