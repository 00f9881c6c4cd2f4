// quelm render: one picture of the stadium as PNG or BMP.
#include <cstdio>
#include <filesystem>
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
    std::string ext = std::filesystem::path(path).extension().string();
    for (char &c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".png") return Format::png;
    if (ext == ".bmp") return Format::bmp;
    return std::nullopt;
}

// --format where given, else the extension; the two must not disagree.
Format format_of(const std::string &path, std::optional<Format> format) {
    const std::optional<Format> named = extension_format(path);
    if (format && named && *format != *named)
        usage_error(std::string("--format ") + (*format == Format::png ? "png" : "bmp") +
                    " contradicts the extension of '" + path + "'");
    if (format) return *format;
    if (named) return *named;
    usage_error("cannot tell the format of '" + path +
                "' from its extension: use .png or .bmp, or --format");
}

}  // namespace

int render_command(Args args) {
    SceneOptions scene_options{{DEFAULT_RENDER_WIDTH, DEFAULT_RENDER_HEIGHT}, 0, {}, {}};
    std::string output = "stadium.png";
    std::optional<Format> format;
    std::array<double, 3> eye = DEFAULT_EYE, target = DEFAULT_TARGET;
    std::optional<double> magnification;
    bool fit = false;
    std::vector<Option> options = {
        {"output", "FILE", "picture to write, -o for short (default stadium.png)",
         [&](std::string_view v) { output = std::string(v); }},
        {"format", "png|bmp", "picture format (default: from the file's extension)",
         [&](std::string_view v) { format = parse_format(v); }},
        {"camera", "X,Y,Z", "camera position, inches (x across the field, y along it, z up)",
         [&](std::string_view v) { eye = parse_point(v); }},
        {"target", "X,Y,Z", "the point looked at, drawn at the picture's centre",
         [&](std::string_view v) { target = parse_point(v); }},
        {"magnification", "M",
         "pixels per inch at the target (default: 12800 inches across, 8000 down)",
         [&](std::string_view v) {
             magnification = parse_double(v, 1e-6, MAX_SIDE);
         }},
        {"fit", nullptr, "magnification at which the whole stadium, sky included, fits",
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
        CAMERA camera = make_camera(eye.data(), target.data(), size.width, size.height, 1.0);
        if (!view_possible(camera)) usage_error("the camera and the target are the same point");
        if (fit) {
            const std::optional<double> fitted = fit_stadium(camera);
            if (!fitted) usage_error("--fit: part of the stadium lies behind the camera");
            camera.Magnification = *fitted;
        } else {
            camera.Magnification =
                magnification.value_or(
                    magnification_for(DEFAULT_RENDER_SPAN, size.width, size.height));
        }
        if (!view_possible(camera))
            usage_error("magnification " + std::to_string(camera.Magnification) +
                        " leaves less than one inch across the picture");
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
        file.commit();
    } catch (const Failure &f) {
        throw Failure(f.status, std::string("render: ") + f.what());
    }
    return 0;
}

}  // namespace quelm_tool
