// quelm render: one picture of the stadium as PNG or BMP.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "tools/quelm/commands.h"
#include "tools/quelm/frame.h"
#include "tools/quelm/output_file.h"
#include "tools/quelm/scene_options.h"
#include "tools/quelm/views.h"

namespace quelm_tool {

namespace {

enum class Format { png, bmp };

Format parse_format(std::string_view text) {
    if (text == "png") return Format::png;
    if (text == "bmp") return Format::bmp;
    usage_error("'" + std::string(text) + "' is not png or bmp");
}

// The format an extension names, if any.
std::optional<Format> extension_format(const std::string &path) {
    const std::string ext = extension_of(path);
    if (ext == ".png") return Format::png;
    if (ext == ".bmp") return Format::bmp;
    return std::nullopt;
}

// --format where given, else the extension (PNG on standard output); the
// two must not disagree.
Format format_of(const std::string &path, std::optional<Format> format) {
    const std::optional<Format> named = extension_format(path);
    if (format && named && *format != *named)
        usage_error(std::string("--format ") + (*format == Format::png ? "png" : "bmp") +
                    " contradicts the extension of '" + path + "'");
    if (format) return *format;
    if (named) return *named;
    if (path == "-") return Format::png;
    usage_error("cannot tell the format of '" + path +
                "' from its extension: use .png or .bmp, or --format");
}

// A line of sight within this angle of the vertical (radians) leaves the
// library no horizontal axes to draw with (its up reference needs 1e-6).
constexpr double MIN_TILT = 1e-5;

// A camera straight above or below its target is moved sideways, towards -y
// or away from where it leans, just far enough to tilt the line of sight by
// MIN_TILT: the picture is then the view from above with +y up.
void tilt_vertical_view(std::array<double, 3> &eye, const std::array<double, 3> &target) {
    const double dx = eye[0] - target[0], dy = eye[1] - target[1], dz = eye[2] - target[2];
    const double across = std::hypot(dx, dy), least = std::fabs(dz) * MIN_TILT;
    if (across >= least || dz == 0) return;
    const double ux = across > 0 ? dx / across : 0, uy = across > 0 ? dy / across : -1;
    eye[0] = target[0] + ux * least;
    eye[1] = target[1] + uy * least;
    std::fprintf(stderr,
                 "quelm: render: the camera is straight above or below the target: moved it "
                 "%.3g inches sideways to give the picture its axes\n",
                 least - across);
}

}  // namespace

int render_command(Args args) {
    SceneOptions scene_options{.size = {DEFAULT_RENDER_WIDTH, DEFAULT_RENDER_HEIGHT}};
    std::string output = "stadium.png";
    std::optional<Format> format;
    std::array<double, 3> eye = DEFAULT_EYE, target = DEFAULT_TARGET;
    std::optional<double> magnification;
    bool fit = false;
    std::vector<Option> options = {
        {"output", "FILE",
         "picture to write, -o for short, - for standard output (default stadium.png)",
         [&](std::string_view v) { output = std::string(v); }},
        {"format", "png|bmp", "picture format (default: from the file's extension)",
         [&](std::string_view v) { format = parse_format(v); }},
        {"camera", "X,Y,Z",
         "camera position, inches (x across the field, y along it, z up); one straight above "
         "the target is moved aside by a hair to give a top view with +y up",
         [&](std::string_view v) { eye = parse_point(v); }},
        {"target", "X,Y,Z", "the point looked at, drawn at the picture's centre",
         [&](std::string_view v) { target = parse_point(v); }},
        {"magnification", "M",
         "pixels per inch at the target, at most the picture's smaller side, so that an inch "
         "shows (default: 12800 inches across, 8000 down)",
         [&](std::string_view v) { magnification = parse_double(v, 1e-6, MAX_SIDE); }},
        {"fit", nullptr,
         "magnification at which the stands just fit (the field they ring, where they reach "
         "behind the camera)",
         [&](std::string_view) { fit = true; }},
    };
    add_scene_options(options, scene_options);
    if (!parse_options("render",
                       "Renders one frame of the stadium to a palettised PNG or 8-bit BMP.\n"
                       "Without options: a high view over the whole stadium, 1280x800.",
                       args, options))
        return 0;
    try {
        const Format chosen = format_of(output, format);
        if (fit && magnification)
            usage_error("--fit and --magnification both set the magnification: give one");
        const Size size = scene_options.size;
        if (magnification && *magnification > std::min(size.width, size.height))
            usage_error("--magnification: at most " +
                        std::to_string(std::min(size.width, size.height)) + " for a " +
                        std::to_string(size.width) + "x" + std::to_string(size.height) +
                        " picture, so that at least an inch shows");
        tilt_vertical_view(eye, target);
        CAMERA camera = make_camera(eye.data(), target.data(), size.width, size.height, 1.0);
        if (!view_possible(camera)) usage_error("the camera and the target are the same point");
        if (fit) {
            const std::optional<double> fitted = fit_stadium(camera);
            if (!fitted) usage_error("--fit: part of the field lies behind the camera");
            camera.Magnification = *fitted;
        } else {
            camera.Magnification =
                magnification.value_or(
                    magnification_for(DEFAULT_RENDER_SPAN, size.width, size.height));
        }
        const Palette palette = scene_palette(scene_options);
        OutputFile file(output);
        const ScenePtr scene = make_scene(scene_options);
        HostBitmap bitmap = make_host_bitmap(size.width, size.height, palette);
        IndexedImage picture;
        render_frame(bitmap, camera, scene.get(), scene_options.background, picture);
        if (chosen == Format::png)
            write_png(file.stream(), output, picture, palette);
        else
            write_bmp(file.stream(), output, picture, palette);
        const size_t bytes = file.commit();
        if (!scene_options.quiet)
            report_written(output, bytes,
                           std::to_string(size.width) + "x" + std::to_string(size.height));
    } catch (const Failure &f) {
        throw Failure(f.status, std::string("render: ") + f.what());
    }
    return 0;
}

}  // namespace quelm_tool
