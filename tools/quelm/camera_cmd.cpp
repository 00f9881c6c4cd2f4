// quelm camera: what a library camera says after some updates, for scripts.
#include <cstdio>
#include <string>

#include "tools/quelm/commands.h"
#include "tools/quelm/scene_options.h"

namespace quelm_tool {

namespace {

// Named modes, or a number handed to InitCamera as it is (0 and 2 give a
// spin camera, 1 a dolly camera, anything else an idle one).
struct Mode {
    int32_t requested = VIEW_SPIN;
    bool idle = false;  // InitCamera turns 0 into spin: reach idle from dolly
};

Mode parse_mode(std::string_view text) {
    if (text == "spin") return {VIEW_SPIN, false};
    if (text == "dolly") return {VIEW_DOLLY, false};
    if (text == "idle") return {VIEW_DOLLY, true};
    try {
        return {parse_int(text, INT32_MIN, INT32_MAX), false};
    } catch (const Failure &) {
        usage_error("'" + std::string(text) + "' is not spin, dolly, idle or a number");
    }
}

void print_number(const char *name, double value) { std::printf("%s %.17g\n", name, value); }

void print_point(const char *name, double x, double y, double z) {
    std::printf("%s %.17g %.17g %.17g\n", name, x, y, z);
}

}  // namespace

int camera_command(Args args) {
    Mode mode;
    int32_t steps = 0;
    SpinOptions spin;
    std::vector<Option> options = {
        {"mode", "MODE", "spin (default), dolly, idle, or a number for InitCamera",
         [&](std::string_view v) { mode = parse_mode(v); }},
        {"steps", "N", "camera updates to make before printing (default 0)",
         [&](std::string_view v) { steps = parse_int(v, 0, 10000000); }},
    };
    // --help shows the library's own spin defaults, read from a spin camera.
    const CameraPtr probe(InitCamera(VIEW_SPIN));
    const SPINDEMO_VIEW start = probe && probe->Control
                                    ? *static_cast<const SPINDEMO_VIEW *>(probe->Control)
                                    : SPINDEMO_VIEW{};
    char magnification[32];
    std::snprintf(magnification, sizeof magnification, "%g", start.Magnification);
    add_spin_options(options, spin, start, magnification);
    if (!parse_options("camera",
                       "Makes a library camera, sets its spin record, updates it N times and\n"
                       "prints its mode and members, one per line.",
                       args, options))
        return 0;
    const CameraPtr camera(InitCamera(mode.requested));
    if (!camera) failed("camera: cannot create a camera: out of memory");
    if (mode.idle) ChangeCamera(camera.get(), VIEW_IDLE);
    auto *record = static_cast<SPINDEMO_VIEW *>(camera->Control);
    if (spin.any()) {
        if (!record) usage_error("camera: spin options need a spin camera (--mode spin)");
        apply_spin_options(spin, *record);
    }
    for (int32_t i = 0; i < steps; ++i) UpdateCamera(camera.get());

    std::printf("mode %s\n", CameraTerm(camera.get()));
    std::printf("view %d\n", int(camera->View));
    print_point("camera", camera->Xcamera, camera->Ycamera, camera->Zcamera);
    print_point("target", camera->Xtarget, camera->Ytarget, camera->Ztarget);
    print_number("magnification", camera->Magnification);
    print_number("bank-angle", camera->BankAngle);
    if (record) {
        std::printf("camera-radius %d\ntarget-radius %d\ncamera-height %d\ntarget-height %d\n",
                    int(record->CameraRadius), int(record->TargetRadius),
                    int(record->CameraHeight), int(record->TargetHeight));
        std::printf("camera-step %d\ntarget-step %d\n", int(record->CameraStep),
                    int(record->TargetStep));
        print_number("camera-angle", record->CameraAngle);
        print_number("target-angle", record->TargetAngle);
    }
    return 0;
}

}  // namespace quelm_tool
