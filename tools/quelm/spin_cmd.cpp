// quelm spin: the spin demonstration as an animated GIF.
#include <cstdio>
#include <string>

#include "tools/quelm/commands.h"
#include "tools/quelm/frame.h"
#include "tools/quelm/output_file.h"
#include "tools/quelm/scene_options.h"
#include "tools/quelm/views.h"

namespace quelm_tool {

int spin_command(Args args) {
    SceneOptions scene_options{.size = {DEFAULT_SPIN_WIDTH, DEFAULT_SPIN_HEIGHT}};
    SpinOptions spin;
    std::string output = "spin.gif";
    int frames = DEFAULT_SPIN_FRAMES;
    int delay = DEFAULT_SPIN_DELAY;
    std::vector<Option> options = {
        {"output", "FILE",
         "animated GIF to write, -o for short, - for standard output (default spin.gif)",
         [&](std::string_view v) { output = std::string(v); }},
        {"frames", "N", "number of frames, one spin step each (default 120)",
         [&](std::string_view v) { frames = parse_int(v, 1, 100000); }},
        {"delay", "CS", "time each frame stays up, hundredths of a second (default 4)",
         [&](std::string_view v) { delay = parse_int(v, 1, 65535); }},
    };
    add_spin_options(options, spin, DEFAULT_SPIN_RECORD,
                     std::to_string(int(DEFAULT_SPIN_SPAN.across)) + " inches across the picture");
    add_scene_options(options, scene_options);
    if (!parse_options("spin",
                       "Renders the spin demonstration, one frame per camera update, as an\n"
                       "animated GIF.  Defaults: a full turn in 120 steps of 3 degrees, 480x300.",
                       args, options))
        return 0;
    bool bar_open = false;  // a progress line waiting for its end
    try {
        if (const std::string ext = extension_of(output); !ext.empty() && ext != ".gif")
            usage_error("spin writes an animated GIF, not what '" + output +
                        "' names: use .gif");
        const Size size = scene_options.size;
        const CameraPtr camera(InitCamera(VIEW_SPIN));
        if (!camera || !camera->Control) failed("out of memory");
        // A new spin camera stands at angle 0, as the start record does.
        SPINDEMO_VIEW &record = *static_cast<SPINDEMO_VIEW *>(camera->Control);
        record = DEFAULT_SPIN_RECORD;
        record.Magnification = magnification_for(DEFAULT_SPIN_SPAN, size.width, size.height);
        apply_spin_options(spin, record);
        camera->RenderRect = {0, 0, size.width - 1, size.height - 1};

        const Palette palette = scene_palette(scene_options);
        OutputFile file(output);
        const ScenePtr scene = make_scene(scene_options);
        HostBitmap bitmap = make_host_bitmap(size.width, size.height, palette);
        IndexedImage picture;
        GifWriter gif(file.stream(), output, size.width, size.height, palette);
        const bool progress = progress_wanted();
        for (int frame = 0; frame < frames; ++frame) {
            UpdateCamera(camera.get());
            if (!view_possible(*camera))
                usage_error("step " + std::to_string(frame + 1) +
                            " puts the camera on the target, or leaves less than one inch "
                            "across the picture");
            render_frame(bitmap, *camera, scene.get(), scene_options.background, picture);
            gif.add_frame(picture, delay);
            if (progress) show_progress("spin", frame + 1, frames);
            bar_open = progress && frame + 1 < frames;
        }
        gif.finish();
        const size_t bytes = file.commit();
        if (!scene_options.quiet)
            report_written(output, bytes,
                           std::to_string(size.width) + "x" + std::to_string(size.height) + ", " +
                               std::to_string(frames) + " frames");
    } catch (const Failure &f) {
        if (bar_open) std::fputc('\n', stderr);
        throw Failure(f.status, std::string("spin: ") + f.what());
    }
    return 0;
}

}  // namespace quelm_tool
