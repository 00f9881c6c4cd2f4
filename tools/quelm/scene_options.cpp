// Options shared by the picture-making verbs.
#include "tools/quelm/scene_options.h"

namespace quelm_tool {

void add_scene_options(std::vector<Option> &options, SceneOptions &scene) {
    const auto change = [&scene](bool set, uint32_t bits) {
        scene.settings.emplace_back(set, bits);
    };
    options.push_back({"size", "WxH", "picture size in pixels, each side at most 16384",
                       [&scene](std::string_view v) { scene.size = parse_size(v); }});
    options.push_back({"background", "N",
                       "palette index of the pixels nothing is drawn on (default 36, the "
                       "ground's colour: the library leaves undrawn what the near plane cuts "
                       "away, which a low camera shows as holes)",
                       [&scene](std::string_view v) {
                           scene.background = uint8_t(parse_int(v, 0, 255));
                       }});
    options.push_back({"quiet", nullptr, "no 'wrote FILE' line on standard error",
                       [&scene](std::string_view) { scene.quiet = true; }});
    options.push_back({"palette", "FILE",
                       "colours from a BMP's colour table, a JASC-PAL or a GIMP .gpl file",
                       [&scene](std::string_view v) { scene.palette_file = std::string(v); }});
    options.push_back({"set", "HEX", "set these scene-settings bits (plan bits 0xFF000)",
                       [change](std::string_view v) { change(true, parse_hex(v)); }});
    options.push_back({"reset", "HEX", "clear these scene-settings bits",
                       [change](std::string_view v) { change(false, parse_hex(v)); }});
    options.push_back({"coarse", nullptr, "coarse playing surface instead of the fine one",
                       [change](std::string_view) {
                           change(false, PLAN_FINE);
                           change(true, PLAN_COARSE);
                       }});
    options.push_back({"medium", nullptr, "add the medium-distance marks and digits",
                       [change](std::string_view) { change(true, PLAN_MEDIUM); }});
    options.push_back({"far", nullptr, "add the far marks and digit outlines",
                       [change](std::string_view) { change(true, PLAN_FAR); }});
}

Palette scene_palette(const SceneOptions &scene) {
    return scene.palette_file.empty() ? default_palette() : read_palette_file(scene.palette_file);
}

ScenePtr make_scene(const SceneOptions &options) {
    ScenePtr scene(InitScene());
    if (!scene) failed("out of memory");
    for (const auto &[set, bits] : options.settings) {
        if (set)
            SetSceneSetting(scene.get(), int32_t(bits));
        else
            ResetSceneSetting(scene.get(), int32_t(bits));
    }
    return scene;
}

bool SpinOptions::any() const {
    return camera_radius || target_radius || camera_height || target_height || camera_step ||
           target_step || magnification;
}

void add_spin_options(std::vector<Option> &options, SpinOptions &spin, const SPINDEMO_VIEW &start,
                      const std::string &start_magnification) {
    constexpr int64_t FAR_AWAY = 1000000;  // world units: a few miles
    constexpr int64_t FULL_TURN = 3600;    // tenths of a degree
    const auto whole = [](std::optional<int32_t> &member, int64_t lo, int64_t hi) {
        return [&member, lo, hi](std::string_view v) { member = parse_int(v, lo, hi); };
    };
    const auto help = [](const char *what, int32_t value) {
        return std::string(what) + " (default " + std::to_string(value) + ")";
    };
    options.push_back({"camera-radius", "N",
                       help("radius of the camera's circle, inches", start.CameraRadius),
                       whole(spin.camera_radius, 0, FAR_AWAY)});
    options.push_back({"target-radius", "N",
                       help("radius of the target's circle, inches", start.TargetRadius),
                       whole(spin.target_radius, 0, FAR_AWAY)});
    options.push_back({"camera-height", "N", help("height of the camera, inches", start.CameraHeight),
                       whole(spin.camera_height, -FAR_AWAY, FAR_AWAY)});
    options.push_back({"target-height", "N", help("height of the target, inches", start.TargetHeight),
                       whole(spin.target_height, -FAR_AWAY, FAR_AWAY)});
    options.push_back({"camera-step", "N",
                       help("camera's turn per step, tenths of a degree", start.CameraStep),
                       whole(spin.camera_step, -FULL_TURN, FULL_TURN)});
    options.push_back({"target-step", "N",
                       help("target's turn per step, tenths of a degree", start.TargetStep),
                       whole(spin.target_step, -FULL_TURN, FULL_TURN)});
    options.push_back({"magnification", "M",
                       "pixels per inch at the target (default " + start_magnification + ")",
                       [&spin](std::string_view v) {
                           spin.magnification = parse_double(v, 1e-6, MAX_SIDE);
                       }});
}

void apply_spin_options(const SpinOptions &spin, SPINDEMO_VIEW &record) {
    record.CameraRadius = spin.camera_radius.value_or(record.CameraRadius);
    record.TargetRadius = spin.target_radius.value_or(record.TargetRadius);
    record.CameraHeight = spin.camera_height.value_or(record.CameraHeight);
    record.TargetHeight = spin.target_height.value_or(record.TargetHeight);
    record.CameraStep = spin.camera_step.value_or(record.CameraStep);
    record.TargetStep = spin.target_step.value_or(record.TargetStep);
    record.Magnification = spin.magnification.value_or(record.Magnification);
}

}  // namespace quelm_tool
