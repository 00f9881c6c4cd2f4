// quelm bench: whole-frame times on the fixed views at the sizes asked for,
// a complete reprojection against a rapid pan, as a table or as JSON.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/views.h"
#include "tools/quelm/commands.h"
#include "tools/quelm/frame.h"
#include "tools/quelm/scene_options.h"

namespace quelm_tool {

namespace {

using quelm_bench::BenchMoves;
using quelm_bench::BenchView;

enum class Loader { edge_driven, vertex };

const char *loader_name(Loader loader) {
    return loader == Loader::edge_driven ? "edge-driven" : "vertex";
}

std::vector<Loader> parse_loaders(std::string_view text) {
    if (text == "edge-driven") return {Loader::edge_driven};
    if (text == "vertex") return {Loader::vertex};
    if (text == "both") return {Loader::edge_driven, Loader::vertex};
    usage_error("'" + std::string(text) + "' is not edge-driven, vertex or both");
}

const BenchView *parse_view(std::string_view text) {
    if (const BenchView *view = quelm_bench::FindView(text)) return view;
    std::string names;
    for (const BenchView &v : quelm_bench::kViews)
        names += std::string(names.empty() ? "" : ", ") + v.name;
    usage_error("no view '" + std::string(text) + "' (views: " + names + ")");
}

struct Result {
    Size size;
    const BenchView *view;
    Loader loader;
    double complete;  // seconds, median
    double still;     // nothing moved: drawing only
    double pan;
    int fallbacks;    // pan frames that reprojected completely instead

    // The projection's share of the two kinds of frame, each less the
    // drawing: how much cheaper the pan is.  0 where the difference is lost
    // in the noise.
    double projection_ratio() const {
        return pan > still && complete > still ? (complete - still) / (pan - still) : 0;
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Frames take turns: one after a camera move (a complete reprojection), one
// with nothing moved (drawing only), one after a target move (a rapid pan
// from the complete reprojection).  The first frame, which registers the
// model with the scene, is not counted.
Result measure(Size size, const BenchView &view, Loader loader, int frames) {
    SceneOptions options{.size = size};
    if (loader == Loader::vertex) options.settings = {{false, PLAN_FINE}, {true, PLAN_COARSE}};
    const ScenePtr scene = make_scene(options);
    quelm_bench::AllowPans(scene.get());
    HostBitmap bitmap = make_host_bitmap(size.width, size.height, default_palette());
    CAMERA camera = quelm_bench::MakeBenchCamera(view, size.width, size.height);
    BenchMoves moves(camera);
    const auto frame = [&] {
        const auto start = std::chrono::steady_clock::now();
        RenderScene(bitmap.info(), bitmap.bits.data(), &camera, scene.get());
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    frame();
    Result r{size, &view, loader, 0, 0, 0, 0};
    std::vector<double> complete, still, pan;
    for (int i = 0; i < frames; ++i) {
        moves.Complete(camera);
        complete.push_back(frame());
        still.push_back(frame());
        moves.Pan(camera);
        pan.push_back(frame());
        r.fallbacks += scene->iRapidPansTally == 0;
    }
    r.complete = median(complete);
    r.still = median(still);
    r.pan = median(pan);
    return r;
}

void print_table(const std::vector<Result> &results, int frames) {
    std::printf("median of %d frames each, milliseconds; the projection's share is each frame\n"
                "less the still one\n",
                frames);
    std::printf("%-11s %-9s %-12s %9s %9s %9s %8s %12s\n", "size", "view", "loader", "complete",
                "still", "pan", "frame x", "projection x");
    for (const Result &r : results) {
        const std::string size = std::to_string(r.size.width) + "x" + std::to_string(r.size.height);
        char projection[16] = "-";
        if (r.projection_ratio() > 0)
            std::snprintf(projection, sizeof projection, "%.2f", r.projection_ratio());
        std::printf("%-11s %-9s %-12s %9.3f %9.3f %9.3f %8.2f %12s", size.c_str(), r.view->name,
                    loader_name(r.loader), r.complete * 1e3, r.still * 1e3, r.pan * 1e3,
                    r.complete / r.pan, projection);
        if (r.fallbacks) std::printf("  (%d pans reprojected completely)", r.fallbacks);
        std::printf("\n");
    }
}

void print_json(const std::vector<Result> &results, int frames) {
    std::printf("{\"frames\": %d, \"results\": [", frames);
    for (size_t i = 0; i < results.size(); ++i) {
        const Result &r = results[i];
        std::printf("%s\n  {\"width\": %d, \"height\": %d, \"view\": \"%s\", \"loader\": \"%s\", "
                    "\"complete_ms\": %.6f, \"still_ms\": %.6f, \"pan_ms\": %.6f, "
                    "\"frame_ratio\": %.4f, \"projection_ratio\": %.4f, \"pan_fallbacks\": %d}",
                    i ? "," : "", r.size.width, r.size.height, r.view->name,
                    loader_name(r.loader), r.complete * 1e3, r.still * 1e3, r.pan * 1e3,
                    r.complete / r.pan, r.projection_ratio(), r.fallbacks);
    }
    std::printf("\n]}\n");
}

}  // namespace

int bench_command(Args args) {
    std::vector<Size> sizes;
    std::vector<const BenchView *> views;
    std::vector<Loader> loaders = {Loader::edge_driven, Loader::vertex};
    int frames = 50;
    bool json = false;
    std::string view_names;
    for (const BenchView &v : quelm_bench::kViews)
        view_names += "\n" + std::string(v.name) + ": " + v.about;
    const std::vector<Option> options = {
        {"size", "WxH", "picture size; repeat for more (default 640x480)",
         [&](std::string_view v) { sizes.push_back(parse_size(v)); }},
        {"view", "NAME", "a fixed view; repeat for more (default all):" + view_names,
         [&](std::string_view v) { views.push_back(parse_view(v)); }},
        {"frames", "N", "frames of each kind to take the median of (default 50)",
         [&](std::string_view v) { frames = parse_int(v, 1, 100000); }},
        {"loader", "KIND",
         "edge-driven (fine playing surface), vertex (coarse) or both (default)",
         [&](std::string_view v) { loaders = parse_loaders(v); }},
        {"json", nullptr, "JSON instead of a table",
         [&](std::string_view) { json = true; }},
    };
    if (!parse_options("bench",
                       "Times whole frames (RenderScene into an 8-bit bitmap) on fixed views: a\n"
                       "frame after a camera move, which reprojects the model completely, against\n"
                       "a frame after a target-only move, which pans the last projection, and a\n"
                       "frame with nothing moved, which only draws.",
                       args, options))
        return 0;
    if (sizes.empty()) sizes.push_back({640, 480});
    if (views.empty())
        for (const BenchView &v : quelm_bench::kViews) views.push_back(&v);
    try {
        std::vector<Result> results;
        const int total = int(sizes.size() * views.size() * loaders.size());
        const bool progress = progress_wanted();
        for (const Size size : sizes)
            for (const BenchView *view : views)
                for (const Loader loader : loaders) {
                    results.push_back(measure(size, *view, loader, frames));
                    if (progress) show_progress("bench", int(results.size()), total);
                }
        if (json)
            print_json(results, frames);
        else
            print_table(results, frames);
    } catch (const Failure &f) {
        throw Failure(f.status, std::string("bench: ") + f.what());
    }
    return 0;
}

}  // namespace quelm_tool
