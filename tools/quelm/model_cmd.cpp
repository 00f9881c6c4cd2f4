// quelm model: the stadium model's statistics, and the model as a
// Wavefront OBJ with its MTL for 3D viewers.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <quelm/quelm.h>
#include "tools/quelm/commands.h"
#include "tools/quelm/layers.h"
#include "tools/quelm/output_file.h"
#include "tools/quelm/scene_options.h"

namespace quelm_tool {

namespace {

// The plan a new scene draws: near marks, fine surface, stands, ground.
constexpr uint32_t DEFAULT_PLAN = PLAN_NEAR | PLAN_FINE | PLAN_SPARE | PLAN_STANDS | PLAN_GROUND;
// Lift per coplanar layer, inches: above a viewer's depth resolution at
// stadium distances, below what the eye notices.
constexpr double LIFT_STEP = 0.05;

struct Surface {
    Face face;
    int32_t material;
    uint32_t visible;
};

// The model as its exported iteration calls show it.
std::vector<Surface> read_surfaces() {
    std::vector<Surface> surfaces;
    for (int32_t n = PolygonModelFirstSurface(); n; n = PolygonModelNextSurface()) {
        Surface s{{}, PolygonModelGetMaterial(), PolygonModelGetVisibility(nullptr)};
        for (int32_t i = 0; i < n; ++i) {
            VERTEX3D v{};
            PolygonModelVertex(i, &v);
            s.face.corners.push_back({v.x, v.y, v.z});
        }
        surfaces.push_back(std::move(s));
    }
    return surfaces;
}

int count_edges() {
    VERTEX3D ends[2] = {};
    int edges = 0;
    for (int32_t more = PolygonModelFirstLine(ends); more; more = PolygonModelNextLine(ends))
        ++edges;
    return edges;
}

void print_stats(const std::vector<Surface> &surfaces) {
    static constexpr const char *SHAPES[] = {"strokes",  "triangles", "quadrilaterals",
                                             "pentagons", "hexagons", "heptagons"};
    int by_corners[QUELM_MAX_POLYGON_VERTICES + 1] = {};
    std::map<std::array<int32_t, 3>, int> vertices;  // the model shares equal corners
    std::map<int32_t, int> materials;
    for (const Surface &s : surfaces) {
        by_corners[s.face.corners.size()] += 1;
        materials[s.material] += 1;
        for (const WorldPoint &p : s.face.corners) vertices[{p.x, p.y, p.z}] = 0;
    }
    std::printf("%-16s %6zu\n", "polygons", surfaces.size());
    for (int n = 2; n <= QUELM_MAX_POLYGON_VERTICES; ++n)
        if (by_corners[n]) std::printf("  %-14s %6d\n", SHAPES[n - 2], by_corners[n]);
    std::printf("%-16s %6zu\n", "vertices", vertices.size());
    std::printf("%-16s %6d\n", "edges", count_edges());
    std::printf("\n%-8s %8s\n", "material", "polygons");
    for (const auto &[material, count] : materials) std::printf("%8d %8d\n", material, count);
}

std::string number(double value) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, end);
}

std::string material_name(int index) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "colour%03d", index);
    return buf;
}

void write_mtl(FILE *out, const std::vector<bool> &used, const Palette &palette) {
    std::fprintf(out, "# Palette colours of the stadium's materials\n");
    for (int i = 0; i < 256; ++i) {
        if (!used[size_t(i)]) continue;
        const Rgb &c = palette[size_t(i)];
        std::fprintf(out, "\nnewmtl %s\nKa 0 0 0\nKd %.6f %.6f %.6f\nKs 0 0 0\nd 1\nillum 1\n",
                     material_name(i).c_str(), c.r / 255.0, c.g / 255.0, c.b / 255.0);
    }
}

struct ObjOptions {
    std::string file;
    uint32_t plan = DEFAULT_PLAN;
    bool lift = true;
    std::string palette_file;
    bool quiet = false;
};

void write_obj(const std::vector<Surface> &model, const ObjOptions &options) {
    std::vector<Surface> surfaces;
    for (const Surface &s : model)
        if (s.visible & options.plan & VIS_PLAN_MASK) surfaces.push_back(s);
    if (surfaces.empty()) usage_error("no polygon of the model carries these plan bits");

    if (options.file == "-") usage_error("--obj needs a file name, to name its MTL file after");
    if (const std::string ext = extension_of(options.file); !ext.empty() && ext != ".obj")
        usage_error("--obj writes Wavefront OBJ, not what '" + options.file +
                    "' names: use .obj");
    const std::filesystem::path obj_path(options.file);
    std::filesystem::path mtl_path = obj_path;
    mtl_path.replace_extension(".mtl");
    const Palette palette =
        options.palette_file.empty() ? default_palette() : read_palette_file(options.palette_file);
    OutputFile obj(options.file);
    OutputFile mtl(mtl_path.string());

    std::vector<Face> faces;
    for (const Surface &s : surfaces) faces.push_back(s.face);
    const std::vector<Lift> lifts =
        options.lift ? coplanar_layers(faces) : std::vector<Lift>(faces.size());
    int top_layer = 0;
    for (const Lift &l : lifts) top_layer = std::max(top_layer, l.layer);

    FILE *out = obj.stream();
    std::fprintf(out, "# Stadium model written by quelm %s: %zu polygons of plan 0x%X\n",
                 QUELM_VERSION, surfaces.size(), unsigned(options.plan));
    std::fprintf(out,
                 "# Units: inches.  Axes: x along the field, y across it, z up; the origin is\n"
                 "# the centre of the field on the ground.  These are the model's x and y\n"
                 "# exchanged: quelm draws its model as a mirror image of a right-handed\n"
                 "# view, and the exchange makes a viewer show what quelm draws, numbers\n"
                 "# reading the right way round.\n");
    if (options.lift)
        std::fprintf(out,
                     "# Surfaces painted over others in one plane are lifted %s inch per layer\n"
                     "# (%d layers), so a depth-buffered view shows what painting order shows.\n",
                     number(LIFT_STEP).c_str(), top_layer);
    std::fprintf(out, "mtllib %s\no stadium\n", mtl_path.filename().string().c_str());

    // Vertices: one per distinct lifted position, in order of first use.
    std::map<std::array<double, 3>, size_t> index;
    std::vector<std::vector<size_t>> corners(surfaces.size());
    for (size_t i = 0; i < surfaces.size(); ++i) {
        const double lift = lifts[i].layer * LIFT_STEP;
        for (const WorldPoint &p : surfaces[i].face.corners) {
            // x and y exchanged, as the header says.
            const std::array<double, 3> at = {p.y + lift * lifts[i].direction[1],
                                              p.x + lift * lifts[i].direction[0],
                                              p.z + lift * lifts[i].direction[2]};
            auto [it, added] = index.emplace(at, index.size() + 1);
            if (added)
                std::fprintf(out, "v %s %s %s\n", number(at[0]).c_str(), number(at[1]).c_str(),
                             number(at[2]).c_str());
            corners[i].push_back(it->second);
        }
    }

    // The model winds its faces clockwise as seen from the side they show;
    // with x and y exchanged that becomes counter-clockwise, the OBJ way.
    std::vector<bool> used(256, false);
    int current = -1;
    for (size_t i = 0; i < surfaces.size(); ++i) {
        const int colour = surfaces[i].material & 0xFF;
        used[size_t(colour)] = true;
        if (colour != current) std::fprintf(out, "usemtl %s\n", material_name(colour).c_str());
        current = colour;
        std::fputs(corners[i].size() == 2 ? "l" : "f", out);
        for (size_t c : corners[i]) std::fprintf(out, " %zu", c);
        std::fputc('\n', out);
    }
    write_mtl(mtl.stream(), used, palette);
    // The OBJ, the big one, goes first; a new one goes again if its MTL fails.
    const bool obj_existed = std::filesystem::exists(obj_path);
    const size_t obj_bytes = obj.commit();
    size_t mtl_bytes = 0;
    try {
        mtl_bytes = mtl.commit();
    } catch (...) {
        if (!obj_existed) std::filesystem::remove(obj_path);
        throw;
    }
    if (!options.quiet) {
        report_written(options.file, obj_bytes, std::to_string(surfaces.size()) + " polygons");
        report_written(mtl_path.string(), mtl_bytes, "");
    }
}

}  // namespace

int model_command(Args args) {
    bool stats = false;
    ObjOptions obj;
    std::vector<Option> options = {
        {"stats", nullptr, "print the polygon, vertex and edge counts and the materials",
         [&](std::string_view) { stats = true; }},
        {"obj", "FILE", "write the model as Wavefront OBJ, with FILE.mtl beside it",
         [&](std::string_view v) { obj.file = std::string(v); }},
        {"plan", "HEX", "plan bits of the polygons the OBJ holds (default 0xE9000)",
         [&](std::string_view v) {
             obj.plan = parse_hex(v);
             if (obj.plan & ~VIS_PLAN_MASK) usage_error("plan bits lie within 0xFF000");
         }},
        {"no-lift", nullptr, "leave coplanar layers in their plane in the OBJ",
         [&](std::string_view) { obj.lift = false; }},
        {"palette", "FILE", "colours of the MTL file (as for render)",
         [&](std::string_view v) { obj.palette_file = std::string(v); }},
        {"quiet", nullptr, "no 'wrote FILE' lines on standard error",
         [&](std::string_view) { obj.quiet = true; }},
    };
    if (!parse_options("model", "The stadium model: statistics and OBJ export.", args, options))
        return 0;
    if (!stats && obj.file.empty()) usage_error("model: give --stats or --obj FILE");
    const ScenePtr scene = make_scene({});
    const std::vector<Surface> surfaces = read_surfaces();
    if (stats) print_stats(surfaces);
    if (!obj.file.empty()) {
        try {
            write_obj(surfaces, obj);
        } catch (const Failure &f) {
            throw Failure(f.status, std::string("model: ") + f.what());
        }
    }
    return 0;
}

}  // namespace quelm_tool
