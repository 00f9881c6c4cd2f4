#include "tests/support/conformance.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "tests/support/recording_gresk.h"

namespace conformance {

namespace {

// VANTAGE's members in declared order; matrices count 12 doubles (4 rows of 3).
struct PerspectiveMember {
    const char *name;
    int doubles;
};
constexpr PerspectiveMember kPerspectiveMembers[] = {
    {"XPC", 1},  {"YPC", 1},  {"ZPC", 1},  {"DXPC", 1}, {"DYPC", 1}, {"DZPC", 1},
    {"XT", 1},   {"YT", 1},   {"ZT", 1},   {"DXT", 1},  {"DYT", 1},  {"DZT", 1},
    {"ADXT", 1}, {"ADYT", 1}, {"ADZT", 1}, {"DXN", 1},  {"DYN", 1},  {"DZN", 1},
    {"DXUP", 1}, {"DYUP", 1}, {"DZUP", 1}, {"CM", 12},  {"QM", 12},  {"TM", 12},
    {"VIEW_DEPTH", 1}, {"CAMARA_DIST", 1}, {"QUELMX", 1}, {"QUELMY", 1},
    {"RESX", 1}, {"RESY", 1}, {"W_CLIP_INSET", 1}};

constexpr size_t CountPerspectiveDoubles() {
    size_t n = 0;
    for (const auto &m : kPerspectiveMembers) n += static_cast<size_t>(m.doubles);
    return n;
}
static_assert(CountPerspectiveDoubles() == kPerspectiveDoubles, "VANTAGE is all doubles");

// Name of perspective double i, e.g. "TM[3][1]".
std::string PerspectiveName(size_t index) {
    for (const auto &m : kPerspectiveMembers) {
        const auto n = static_cast<size_t>(m.doubles);
        if (index < n) {
            if (n == 1) return m.name;
            return std::string(m.name) + "[" + std::to_string(index / 3) + "][" +
                   std::to_string(index % 3) + "]";
        }
        index -= n;
    }
    return "?";
}

constexpr const char *kCameraDoubleNames[] = {"Xcamera", "Ycamera", "Zcamera",
                                               "Xtarget", "Ytarget", "Ztarget"};

double CAMERA::*const kCameraDoubles[] = {&CAMERA::Xcamera, &CAMERA::Ycamera, &CAMERA::Zcamera,
                                          &CAMERA::Xtarget, &CAMERA::Ytarget, &CAMERA::Ztarget};

int32_t Int32(const json::Value &v) {
    const int64_t i = v.AsInt();
    if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max())
        throw json::Error("JSON: " + std::to_string(i) + " does not fit 32 bits");
    return static_cast<int32_t>(i);
}

// Words are written unsigned; masks may be given either way.
uint32_t Word(const json::Value &v) {
    const int64_t i = v.AsInt();
    if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<uint32_t>::max())
        throw json::Error("JSON: " + std::to_string(i) + " does not fit 32 bits");
    return static_cast<uint32_t>(i);
}

PointState PointFromJson(const json::Value &p, bool withStatus) {
    const size_t base = withStatus ? 1 : 0;
    if (!p.IsArray() || p.Size() != base + 2) throw json::Error("JSON: malformed point");
    return {withStatus ? Word(p.At(0)) : 0u, Int32(p.At(base)), Int32(p.At(base + 1))};
}

// ---------------------------------------------------------------- capture

std::vector<CallState> CallsFromLog() {
    std::vector<CallState> calls;
    const recording::Event *clip = nullptr;
    for (const recording::Event &e : recording::Log()) {
        if (e.call == recording::Call::Clip) {
            clip = &e;
            continue;
        }
        CallState c{clip ? 1 : 0, e.fill.pic, {}};
        for (const sSPOINT &p : clip ? clip->points : e.points) c.points.push_back({0, p.x, p.y});
        calls.push_back(std::move(c));
        clip = nullptr;
    }
    return calls;
}

FrameState Capture(int64_t frame, int32_t setview, const SCENE &scene, const CAMERA &camera) {
    FrameState s;
    s.frame = frame;
    s.setview = setview;
    s.tally = scene.iRapidPansTally;
    s.limit = scene.iRapidPansLimit;
    s.settings = scene.SceneSettings;
    s.nverts = scene.iScreenNumVerts;
    s.nedges = scene.iScreenNumEdges;
    s.npolys = scene.iScreenNumPolygons;
    // A broken count must not read beyond the pools.
    const int32_t nverts = std::clamp(s.nverts, 0, QUELM_MAX_VERTICES);
    const int32_t nedges = std::clamp(s.nedges, 0, QUELM_MAX_EDGES);
    const int32_t npolys = std::clamp(s.npolys, 0, QUELM_MAX_POLYGONS);
    for (int32_t i = 0; i < nverts; ++i)
        s.points.push_back({scene.PointList[i].visible, scene.ScreenPointList[i].x,
                            scene.ScreenPointList[i].y});
    for (int32_t i = 0; i < npolys; ++i) {
        const POLYGONLIST &p = scene.ScenePolygonList[i];
        const int32_t n = std::clamp(p.numv, 0, QUELM_MAX_POLYGON_VERTICES);
        s.polys.push_back({p.visible, p.numv, std::vector<int32_t>(p.v, p.v + n)});
    }
    for (int32_t i = 0; i < nedges; ++i) s.acts.push_back(scene.EdgeList[i].act);
    s.calls = CallsFromLog();
    std::memcpy(s.perspective.data(), &scene.Perspective, sizeof(VANTAGE));
    for (size_t i = 0; i < 6; ++i) s.camera.position[i] = camera.*kCameraDoubles[i];
    s.camera.rect[0] = camera.RenderRect.left;
    s.camera.rect[1] = camera.RenderRect.top;
    s.camera.rect[2] = camera.RenderRect.right;
    s.camera.rect[3] = camera.RenderRect.bottom;
    s.camera.magnification = camera.Magnification;
    s.camera.n[0] = camera.Xn;
    s.camera.n[1] = camera.Yn;
    s.camera.n[2] = camera.Zn;
    return s;
}

// --------------------------------------------------------------- scenario

void ApplyCamera(const json::Value &step, CAMERA &camera) {
    for (const auto &[key, value] : step.members) {
        if (key == "op") continue;
        bool known = false;
        for (size_t i = 0; i < 6; ++i) {
            if (key == kCameraDoubleNames[i]) {
                camera.*kCameraDoubles[i] = value.AsDouble();
                known = true;
            }
        }
        if (known) continue;
        if (key == "Magnification") {
            camera.Magnification = value.AsDouble();
        } else if (key == "RenderRect") {
            if (!value.IsArray() || value.Size() != 4) throw json::Error("RenderRect: 4 numbers");
            camera.RenderRect = {Int32(value.At(0)), Int32(value.At(1)), Int32(value.At(2)),
                                 Int32(value.At(3))};
        } else {
            throw json::Error("camera step: unknown member \"" + key + "\"");
        }
    }
}

void ApplySpin(const json::Value &step, CAMERA &camera) {
    auto *spin = static_cast<SPINDEMO_VIEW *>(camera.Control);
    if (!spin) throw std::runtime_error("spin_set on a camera without a spin record");
    struct IntMember {
        const char *name;
        int32_t SPINDEMO_VIEW::*member;
    };
    static constexpr IntMember kInts[] = {
        {"CameraRadius", &SPINDEMO_VIEW::CameraRadius}, {"TargetRadius", &SPINDEMO_VIEW::TargetRadius},
        {"TW", &SPINDEMO_VIEW::TW},                     {"CameraHeight", &SPINDEMO_VIEW::CameraHeight},
        {"TargetHeight", &SPINDEMO_VIEW::TargetHeight}, {"CameraStep", &SPINDEMO_VIEW::CameraStep},
        {"TargetStep", &SPINDEMO_VIEW::TargetStep}};
    for (const auto &[key, value] : step.members) {
        if (key == "op") continue;
        const auto i = std::find_if(std::begin(kInts), std::end(kInts),
                                    [&](const IntMember &m) { return key == m.name; });
        if (i != std::end(kInts))
            spin->*(i->member) = Int32(value);
        else if (key == "Magnification")
            spin->Magnification = value.AsDouble();
        else if (key == "CameraAngle")
            spin->CameraAngle = value.AsDouble();
        else if (key == "TargetAngle")
            spin->TargetAngle = value.AsDouble();
        else
            throw json::Error("spin_set step: unknown member \"" + key + "\"");
    }
}

// The scene and the camera's spin record go, whatever ends the run.
struct Run {
    SCENE *scene = nullptr;
    CAMERA camera{};
    ~Run() {
        if (camera.View == VIEW_SPIN && camera.Control) ChangeCamera(&camera, VIEW_IDLE);
        DestroyScene(scene);
    }
};

// ---------------------------------------------------------------- digests

class Hash {
public:
    void Add(uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            h_ ^= (value >> (8 * i)) & 0xFF;
            h_ *= 0x100000001B3ull;
        }
    }
    void AddSigned(int64_t value) { Add(static_cast<uint64_t>(value)); }
    void AddDouble(double value) { Add(std::bit_cast<uint64_t>(value)); }
    uint64_t Value() const { return h_; }

private:
    uint64_t h_ = 0xCBF29CE484222325ull;  // FNV-1a
};

// ------------------------------------------------------------ differences

std::string Text(double d) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

std::string Text(const PointState &p, bool withStatus) {
    std::string s = "[";
    if (withStatus) s += std::to_string(p.visible) + ",";
    return s + std::to_string(p.x) + "," + std::to_string(p.y) + "]";
}

std::string Text(const SurfaceState &p) {
    std::string s = "[" + std::to_string(p.visible) + "," + std::to_string(p.numv) + ",[";
    for (size_t i = 0; i < p.v.size(); ++i) s += (i ? "," : "") + std::to_string(p.v[i]);
    return s + "]]";
}

std::string Text(const CallState &c) {
    std::string s = "[" + std::to_string(c.clip) + "," + std::to_string(c.colour) + ",[";
    for (size_t i = 0; i < c.points.size(); ++i) s += (i ? "," : "") + Text(c.points[i], false);
    return s + "]]";
}

std::string Text(uint32_t word) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08" PRIX32, word);
    return buf;
}

bool SameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

// The first differing element of two lists and how many differ.
template <typename T, typename Show>
void ListDifference(const char *name, const std::vector<T> &expected, const std::vector<T> &actual,
                    Show show, std::vector<std::string> &out) {
    size_t first = SIZE_MAX, count = 0;
    const size_t n = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < n; ++i) {
        if (!(expected[i] == actual[i])) {
            if (first == SIZE_MAX) first = i;
            ++count;
        }
    }
    std::string line;
    if (expected.size() != actual.size())
        line = std::string(name) + ": expected " + std::to_string(expected.size()) + " entries, got " +
               std::to_string(actual.size());
    if (first != SIZE_MAX) {
        if (!line.empty()) line += "; ";
        line += std::string(name) + "[" + std::to_string(first) + "]: expected " +
                show(expected[first]) + ", got " + show(actual[first]) + " (" +
                std::to_string(count) + " of " + std::to_string(n) + " differ)";
    }
    if (!line.empty()) out.push_back(line);
}

}  // namespace

// ------------------------------------------------------------------- public

FrameState FrameFromJson(const json::Value &f) {
    FrameState s;
    s.frame = f.At("frame").AsInt();
    s.setview = Int32(f.At("setview"));
    s.tally = Int32(f.At("tally"));
    s.limit = Int32(f.At("limit"));
    s.settings = Word(f.At("settings"));
    s.nverts = Int32(f.At("nverts"));
    s.nedges = Int32(f.At("nedges"));
    s.npolys = Int32(f.At("npolys"));
    for (const json::Value &p : f.At("points").items) s.points.push_back(PointFromJson(p, true));
    for (const json::Value &p : f.At("polys").items) {
        if (!p.IsArray() || p.Size() != 3 || !p.At(2).IsArray())
            throw json::Error("JSON: malformed surface");
        SurfaceState surface{Word(p.At(0)), Int32(p.At(1)), {}};
        for (const json::Value &v : p.At(2).items) surface.v.push_back(Int32(v));
        s.polys.push_back(std::move(surface));
    }
    for (const json::Value &a : f.At("acts").items) s.acts.push_back(Word(a));
    for (const json::Value &c : f.At("calls").items) {
        if (!c.IsArray() || c.Size() != 3 || !c.At(2).IsArray())
            throw json::Error("JSON: malformed call");
        CallState call{Int32(c.At(0)), Int32(c.At(1)), {}};
        for (const json::Value &p : c.At(2).items) call.points.push_back(PointFromJson(p, false));
        s.calls.push_back(std::move(call));
    }
    const json::Value &view = f.At("perspective");
    size_t k = 0;
    for (const auto &m : kPerspectiveMembers) {
        const json::Value &v = view.At(m.name);
        if (m.doubles == 1) {
            s.perspective[k++] = v.AsDouble();
            continue;
        }
        if (!v.IsArray() || v.Size() != 4) throw json::Error("JSON: matrix of 4 rows");
        for (const json::Value &row : v.items) {
            if (!row.IsArray() || row.Size() != 3) throw json::Error("JSON: matrix row of 3");
            for (const json::Value &x : row.items) s.perspective[k++] = x.AsDouble();
        }
    }
    const json::Value &cam = f.At("camera");
    for (size_t i = 0; i < 6; ++i) s.camera.position[i] = cam.At(kCameraDoubleNames[i]).AsDouble();
    const json::Value &rect = cam.At("RenderRect");
    for (size_t i = 0; i < 4; ++i) s.camera.rect[i] = Int32(rect.At(i));
    s.camera.magnification = cam.At("Magnification").AsDouble();
    s.camera.n[0] = cam.At("Xn").AsDouble();
    s.camera.n[1] = cam.At("Yn").AsDouble();
    s.camera.n[2] = cam.At("Zn").AsDouble();
    return s;
}

void RunScenario(const json::Value &scenario,
                 const std::function<bool(const FrameState &)> &onFrame) {
    Run run;
    run.scene = InitScene();
    if (!run.scene) throw std::runtime_error("InitScene failed (is QUELM_DATA set?)");
    SCENE &scene = *run.scene;
    CAMERA &camera = run.camera;
    // The stand-in rasteriser never looks at the bitmap.
    BITMAPINFO bitmap{};
    uint8_t bits[4] = {};
    int64_t frame = 0;
    for (const json::Value &step : scenario.At("steps").items) {
        const std::string &op = step.At("op").AsString();
        if (op == "camera") {
            ApplyCamera(step, camera);
        } else if (op == "spin_init") {
            InitSpinDemoView(&camera);
        } else if (op == "spin_step") {
            MakeSpinDemoView(&camera);
        } else if (op == "spin_set") {
            ApplySpin(step, camera);
        } else if (op == "set") {
            SetSceneSetting(&scene, static_cast<int32_t>(Word(step.At("mask"))));
        } else if (op == "reset") {
            ResetSceneSetting(&scene, static_cast<int32_t>(Word(step.At("mask"))));
        } else if (op == "rate") {
            RenderRate(&scene, Int32(step.At("want")), Int32(step.At("took")));
        } else if (op == "render") {
            // What RenderScene's own SetView will return, seen on copies.
            CAMERA cameraCopy = camera;
            VANTAGE viewCopy = scene.Perspective;
            const int32_t setview = SetView(&cameraCopy, &viewCopy);
            recording::Reset();
            RenderScene(&bitmap, bits, &camera, &scene);
            if (!onFrame(Capture(frame++, setview, scene, camera))) return;
        } else {
            throw json::Error("unknown step \"" + op + "\"");
        }
    }
}

const char *const kDigestPartNames[7] = {"header", "points", "polys", "acts",
                                         "calls", "perspective", "camera"};

FrameDigest Digest(const FrameState &s) {
    FrameDigest d;
    d.frame = s.frame;
    d.setview = s.setview;
    Hash header;
    for (int64_t v : {int64_t{s.setview}, int64_t{s.tally}, int64_t{s.limit},
                      int64_t{s.settings}, int64_t{s.nverts}, int64_t{s.nedges},
                      int64_t{s.npolys}})
        header.AddSigned(v);
    Hash points;
    points.Add(s.points.size());
    for (const PointState &p : s.points) {
        points.Add(p.visible);
        points.AddSigned(p.x);
        points.AddSigned(p.y);
    }
    Hash polys;
    polys.Add(s.polys.size());
    for (const SurfaceState &p : s.polys) {
        polys.Add(p.visible);
        polys.AddSigned(p.numv);
        polys.Add(p.v.size());
        for (int32_t v : p.v) polys.AddSigned(v);
    }
    Hash acts;
    acts.Add(s.acts.size());
    for (uint32_t a : s.acts) acts.Add(a);
    Hash calls;
    calls.Add(s.calls.size());
    for (const CallState &c : s.calls) {
        calls.AddSigned(c.clip);
        calls.AddSigned(c.colour);
        calls.Add(c.points.size());
        for (const PointState &p : c.points) {
            calls.AddSigned(p.x);
            calls.AddSigned(p.y);
        }
    }
    Hash view;
    for (double v : s.perspective) view.AddDouble(v);
    Hash cam;
    for (double v : s.camera.position) cam.AddDouble(v);
    for (int32_t v : s.camera.rect) cam.AddSigned(v);
    cam.AddDouble(s.camera.magnification);
    for (double v : s.camera.n) cam.AddDouble(v);
    d.parts = {header.Value(), points.Value(), polys.Value(), acts.Value(),
               calls.Value(),  view.Value(),   cam.Value()};
    return d;
}

std::string FormatDigest(const FrameDigest &d) {
    std::string line = std::to_string(d.frame) + " " + std::to_string(d.setview);
    for (uint64_t part : d.parts) {
        char buf[24];
        std::snprintf(buf, sizeof buf, " %016" PRIx64, part);
        line += buf;
    }
    return line;
}

FrameDigest ParseDigest(const std::string &line) {
    FrameDigest d;
    std::istringstream in(line);
    in >> d.frame >> d.setview;
    for (uint64_t &part : d.parts) in >> std::hex >> part;
    std::string rest;
    if (!in || (in >> rest)) throw std::runtime_error("malformed digest line: " + line);
    return d;
}

std::vector<std::string> Differences(const FrameState &e, const FrameState &a) {
    std::vector<std::string> out;
    const std::pair<const char *, std::pair<int64_t, int64_t>> header[] = {
        {"setview", {e.setview, a.setview}}, {"tally", {e.tally, a.tally}},
        {"limit", {e.limit, a.limit}},       {"settings", {e.settings, a.settings}},
        {"nverts", {e.nverts, a.nverts}},    {"nedges", {e.nedges, a.nedges}},
        {"npolys", {e.npolys, a.npolys}}};
    for (const auto &[name, values] : header)
        if (values.first != values.second)
            out.push_back(std::string(name) + ": expected " + std::to_string(values.first) +
                          ", got " + std::to_string(values.second));
    ListDifference("points", e.points, a.points,
                   [](const PointState &p) { return Text(p, true); }, out);
    ListDifference("polys", e.polys, a.polys, [](const SurfaceState &p) { return Text(p); }, out);
    ListDifference("acts", e.acts, a.acts, [](uint32_t w) { return Text(w); }, out);
    ListDifference("calls", e.calls, a.calls, [](const CallState &c) { return Text(c); }, out);
    for (size_t i = 0; i < kPerspectiveDoubles; ++i)
        if (!SameBits(e.perspective[i], a.perspective[i]))
            out.push_back("perspective." + PerspectiveName(i) + ": expected " +
                          Text(e.perspective[i]) + ", got " + Text(a.perspective[i]));
    const CameraState &ec = e.camera, &ac = a.camera;
    for (size_t i = 0; i < 6; ++i)
        if (!SameBits(ec.position[i], ac.position[i]))
            out.push_back(std::string("camera.") + kCameraDoubleNames[i] + ": expected " +
                          Text(ec.position[i]) + ", got " + Text(ac.position[i]));
    if (!std::equal(std::begin(ec.rect), std::end(ec.rect), std::begin(ac.rect)))
        out.push_back("camera.RenderRect differs");
    const std::pair<const char *, std::pair<double, double>> rest[] = {
        {"Magnification", {ec.magnification, ac.magnification}},
        {"Xn", {ec.n[0], ac.n[0]}}, {"Yn", {ec.n[1], ac.n[1]}}, {"Zn", {ec.n[2], ac.n[2]}}};
    for (const auto &[name, values] : rest)
        if (!SameBits(values.first, values.second))
            out.push_back(std::string("camera.") + name + ": expected " + Text(values.first) +
                          ", got " + Text(values.second));
    return out;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace conformance
