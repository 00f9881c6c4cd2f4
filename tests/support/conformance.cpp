#include "tests/support/conformance.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
        if (index < n)
            return n == 1 ? m.name
                          : std::string(m.name) + "[" + std::to_string(index / 3) + "][" +
                                std::to_string(index % 3) + "]";
        index -= n;
    }
    return "?";
}

// CameraState::doubles in order; a camera step may set the first seven.
constexpr const char *kCameraNames[] = {"Xcamera", "Ycamera", "Zcamera", "Xtarget", "Ytarget",
                                        "Ztarget", "Magnification", "Xn", "Yn", "Zn"};
double CAMERA::*const kCameraDoubles[] = {&CAMERA::Xcamera, &CAMERA::Ycamera, &CAMERA::Zcamera,
                                          &CAMERA::Xtarget, &CAMERA::Ytarget, &CAMERA::Ztarget,
                                          &CAMERA::Magnification, &CAMERA::Xn, &CAMERA::Yn,
                                          &CAMERA::Zn};
static_assert(std::size(kCameraNames) == sizeof(CameraState::doubles) / sizeof(double));
constexpr size_t kCameraSettable = 7;

// The header fields, in the order both the digest and the differences take them.
constexpr const char *kHeaderNames[] = {"setview", "tally",  "limit", "settings",
                                        "nverts",  "nedges", "npolys"};
std::array<int64_t, 7> Header(const FrameState &s) {
    return {s.setview, s.tally, s.limit, s.settings, s.nverts, s.nedges, s.npolys};
}

int64_t InRange(const Json &v, int64_t lo, int64_t hi) {
    if (!v.is_number_integer()) throw std::runtime_error("JSON: expected an integer, got " + v.dump());
    const int64_t i = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t{INT64_MAX}
                          ? INT64_MAX
                          : v.get<int64_t>();
    if (i < lo || i > hi) throw std::runtime_error("JSON: " + v.dump() + " does not fit 32 bits");
    return i;
}
int32_t Int32(const Json &v) {
    return static_cast<int32_t>(InRange(v, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max()));
}
// Words are written unsigned; masks may be given either way.
uint32_t Word(const Json &v) {
    return static_cast<uint32_t>(InRange(v, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<uint32_t>::max()));
}
double Double(const Json &v) {
    if (!v.is_number()) throw std::runtime_error("JSON: expected a number, got " + v.dump());
    return v.get<double>();
}

// An array of `size` elements, the last of them an array.
const Json &Tuple(const Json &v, size_t size, const char *what) {
    if (!v.is_array() || v.size() != size || !v.back().is_array())
        throw std::runtime_error(std::string("JSON: malformed ") + what);
    return v;
}

PointState PointFromJson(const Json &p, bool withStatus) {
    const size_t base = withStatus ? 1 : 0;
    if (!p.is_array() || p.size() != base + 2) throw std::runtime_error("JSON: malformed point");
    return {withStatus ? Word(p[0]) : 0u, Int32(p[base]), Int32(p[base + 1])};
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
    for (int32_t i = 0; i < std::clamp(s.nverts, 0, QUELM_MAX_VERTICES); ++i)
        s.points.push_back({scene.PointList[i].visible, scene.ScreenPointList[i].x,
                            scene.ScreenPointList[i].y});
    for (int32_t i = 0; i < std::clamp(s.npolys, 0, QUELM_MAX_POLYGONS); ++i) {
        const POLYGONLIST &p = scene.ScenePolygonList[i];
        s.polys.push_back({p.visible, p.numv,
                           std::vector<int32_t>(p.v, p.v + std::clamp(p.numv, 0, QUELM_MAX_POLYGON_VERTICES))});
    }
    for (int32_t i = 0; i < std::clamp(s.nedges, 0, QUELM_MAX_EDGES); ++i)
        s.acts.push_back(scene.EdgeList[i].act);
    s.calls = CallsFromLog();
    std::memcpy(s.perspective.data(), &scene.Perspective, sizeof(VANTAGE));
    for (size_t i = 0; i < std::size(kCameraDoubles); ++i) s.camera.doubles[i] = camera.*kCameraDoubles[i];
    const RECT &r = camera.RenderRect;
    s.camera.rect = {r.left, r.top, r.right, r.bottom};
    return s;
}

// --------------------------------------------------------------- scenario

void ApplyCamera(const Json &step, CAMERA &camera) {
    for (const auto &[key, value] : step.items()) {
        const auto *name = std::find(kCameraNames, kCameraNames + kCameraSettable, key);
        if (key == "op") continue;
        if (name != kCameraNames + kCameraSettable) {
            camera.*kCameraDoubles[name - kCameraNames] = Double(value);
        } else if (key == "RenderRect") {
            if (!value.is_array() || value.size() != 4) throw std::runtime_error("RenderRect: 4 numbers");
            camera.RenderRect = {Int32(value[0]), Int32(value[1]), Int32(value[2]), Int32(value[3])};
        } else {
            throw std::runtime_error("camera step: unknown member \"" + key + "\"");
        }
    }
}

void ApplySpin(const Json &step, CAMERA &camera) {
    auto *spin = static_cast<SPINDEMO_VIEW *>(camera.Control);
    if (!spin) throw std::runtime_error("spin_set on a camera without a spin record");
    using V = SPINDEMO_VIEW;
    static constexpr std::pair<const char *, int32_t V::*> kInts[] = {
        {"CameraRadius", &V::CameraRadius}, {"TargetRadius", &V::TargetRadius}, {"TW", &V::TW},
        {"CameraHeight", &V::CameraHeight}, {"TargetHeight", &V::TargetHeight},
        {"CameraStep", &V::CameraStep},     {"TargetStep", &V::TargetStep}};
    static constexpr std::pair<const char *, double V::*> kDoubles[] = {
        {"Magnification", &V::Magnification}, {"CameraAngle", &V::CameraAngle},
        {"TargetAngle", &V::TargetAngle}};
    for (const auto &[key, value] : step.items()) {
        auto named = [&k = key](const auto &m) { return k == m.first; };  // clang 14: no [&key]
        const auto i = std::find_if(std::begin(kInts), std::end(kInts), named);
        const auto d = std::find_if(std::begin(kDoubles), std::end(kDoubles), named);
        if (i != std::end(kInts))
            spin->*(i->second) = Int32(value);
        else if (d != std::end(kDoubles))
            spin->*(d->second) = Double(value);
        else if (key != "op")
            throw std::runtime_error("spin_set step: unknown member \"" + key + "\"");
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

// FNV-1a over the little-endian bytes of 64-bit values.
class Hash {
public:
    void Add(uint64_t value) {
        for (int i = 0; i < 8; ++i) h_ = (h_ ^ ((value >> (8 * i)) & 0xFF)) * 0x100000001B3ull;
    }
    void AddSigned(int64_t value) { Add(static_cast<uint64_t>(value)); }
    void AddDouble(double value) { Add(std::bit_cast<uint64_t>(value)); }
    uint64_t Value() const { return h_; }

private:
    uint64_t h_ = 0xCBF29CE484222325ull;
};

// ------------------------------------------------------------ differences

std::string Text(double d) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
}

template <typename T, typename Show>
std::string List(const std::vector<T> &items, Show show) {
    std::string s;
    for (const T &item : items) s += (s.empty() ? "" : ",") + show(item);
    return "[" + s + "]";
}

std::string Text(const PointState &p, bool withStatus) {
    return "[" + (withStatus ? std::to_string(p.visible) + "," : "") + std::to_string(p.x) + "," +
           std::to_string(p.y) + "]";
}

std::string Number(int32_t v) { return std::to_string(v); }

std::string Text(const SurfaceState &p) {
    return "[" + std::to_string(p.visible) + "," + Number(p.numv) + "," + List(p.v, Number) + "]";
}

std::string Text(const CallState &c) {
    return "[" + Number(c.clip) + "," + Number(c.colour) + "," +
           List(c.points, [](const PointState &p) { return Text(p, false); }) + "]";
}

std::string Text(uint32_t word) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08" PRIX32, word);
    return buf;
}

// Doubles compare by their bits: signed zeros differ.
void DoubleDifference(const std::string &name, double expected, double actual,
                      std::vector<std::string> &out) {
    if (std::bit_cast<uint64_t>(expected) != std::bit_cast<uint64_t>(actual))
        out.push_back(name + ": expected " + Text(expected) + ", got " + Text(actual));
}

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
    if (first != SIZE_MAX)
        line += (line.empty() ? "" : "; ") + std::string(name) + "[" + std::to_string(first) +
                "]: expected " + show(expected[first]) + ", got " + show(actual[first]) + " (" +
                std::to_string(count) + " of " + std::to_string(n) + " differ)";
    if (!line.empty()) out.push_back(line);
}

}  // namespace

// ------------------------------------------------------------------- public

FrameState FrameFromJson(const Json &f) {
    FrameState s;
    s.frame = InRange(f.at("frame"), 0, INT64_MAX);
    s.setview = Int32(f.at("setview"));
    s.tally = Int32(f.at("tally"));
    s.limit = Int32(f.at("limit"));
    s.settings = Word(f.at("settings"));
    s.nverts = Int32(f.at("nverts"));
    s.nedges = Int32(f.at("nedges"));
    s.npolys = Int32(f.at("npolys"));
    for (const Json &p : f.at("points")) s.points.push_back(PointFromJson(p, true));
    for (const Json &p : f.at("polys")) {
        SurfaceState &surface = s.polys.emplace_back();
        surface.visible = Word(Tuple(p, 3, "surface")[0]);
        surface.numv = Int32(p[1]);
        for (const Json &v : p[2]) surface.v.push_back(Int32(v));
    }
    for (const Json &a : f.at("acts")) s.acts.push_back(Word(a));
    for (const Json &c : f.at("calls")) {
        CallState &call = s.calls.emplace_back();
        call.clip = Int32(Tuple(c, 3, "call")[0]);
        call.colour = Int32(c[1]);
        for (const Json &p : c[2]) call.points.push_back(PointFromJson(p, false));
    }
    const Json &view = f.at("perspective");
    size_t k = 0;
    for (const auto &m : kPerspectiveMembers) {
        const Json &v = view.at(m.name);
        if (m.doubles == 1) {
            s.perspective[k++] = Double(v);
            continue;
        }
        if (!v.is_array() || v.size() != 4) throw std::runtime_error("JSON: matrix of 4 rows");
        for (const Json &row : v) {
            if (!row.is_array() || row.size() != 3) throw std::runtime_error("JSON: matrix row of 3");
            for (const Json &x : row) s.perspective[k++] = Double(x);
        }
    }
    const Json &cam = f.at("camera");
    for (size_t i = 0; i < std::size(kCameraNames); ++i)
        s.camera.doubles[i] = Double(cam.at(kCameraNames[i]));
    const Json &rect = cam.at("RenderRect");
    if (!rect.is_array() || rect.size() != 4) throw std::runtime_error("RenderRect: 4 numbers");
    for (size_t i = 0; i < 4; ++i) s.camera.rect[i] = Int32(rect[i]);
    return s;
}

void RunScenario(const Json &scenario,
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
    for (const Json &step : scenario.at("steps")) {
        const std::string op = step.at("op").get<std::string>();
        if (op == "camera") {
            ApplyCamera(step, camera);
        } else if (op == "spin_init") {
            InitSpinDemoView(&camera);
        } else if (op == "spin_step") {
            MakeSpinDemoView(&camera);
        } else if (op == "spin_set") {
            ApplySpin(step, camera);
        } else if (op == "set") {
            SetSceneSetting(&scene, static_cast<int32_t>(Word(step.at("mask"))));
        } else if (op == "reset") {
            ResetSceneSetting(&scene, static_cast<int32_t>(Word(step.at("mask"))));
        } else if (op == "rate") {
            RenderRate(&scene, Int32(step.at("want")), Int32(step.at("took")));
        } else if (op == "render") {
            // What RenderScene's own SetView will return, seen on copies.
            CAMERA cameraCopy = camera;
            VANTAGE viewCopy = scene.Perspective;
            const int32_t setview = SetView(&cameraCopy, &viewCopy);
            recording::Reset();
            RenderScene(&bitmap, bits, &camera, &scene);
            if (!onFrame(Capture(frame++, setview, scene, camera))) return;
        } else {
            throw std::runtime_error("unknown step \"" + op + "\"");
        }
    }
}

const char *const kDigestPartNames[7] = {"header", "points", "polys", "acts",
                                         "calls", "perspective", "camera"};

FrameDigest Digest(const FrameState &s) {
    Hash header, points, polys, acts, calls, view, cam;
    for (int64_t v : Header(s)) header.AddSigned(v);
    points.Add(s.points.size());
    for (const PointState &p : s.points) {
        points.Add(p.visible);
        points.AddSigned(p.x);
        points.AddSigned(p.y);
    }
    polys.Add(s.polys.size());
    for (const SurfaceState &p : s.polys) {
        polys.Add(p.visible);
        polys.AddSigned(p.numv);
        polys.Add(p.v.size());
        for (int32_t v : p.v) polys.AddSigned(v);
    }
    acts.Add(s.acts.size());
    for (uint32_t a : s.acts) acts.Add(a);
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
    for (double v : s.perspective) view.AddDouble(v);
    // The position, then the rectangle, then the rest.
    for (size_t i = 0; i < 6; ++i) cam.AddDouble(s.camera.doubles[i]);
    for (int32_t v : s.camera.rect) cam.AddSigned(v);
    for (size_t i = 6; i < std::size(s.camera.doubles); ++i) cam.AddDouble(s.camera.doubles[i]);
    return {s.frame, s.setview,
            {header.Value(), points.Value(), polys.Value(), acts.Value(), calls.Value(),
             view.Value(), cam.Value()}};
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
    const auto eh = Header(e), ah = Header(a);
    for (size_t i = 0; i < eh.size(); ++i)
        if (eh[i] != ah[i])
            out.push_back(std::string(kHeaderNames[i]) + ": expected " + std::to_string(eh[i]) +
                          ", got " + std::to_string(ah[i]));
    ListDifference("points", e.points, a.points, [](const PointState &p) { return Text(p, true); }, out);
    ListDifference("polys", e.polys, a.polys, [](const SurfaceState &p) { return Text(p); }, out);
    ListDifference("acts", e.acts, a.acts, [](uint32_t w) { return Text(w); }, out);
    ListDifference("calls", e.calls, a.calls, [](const CallState &c) { return Text(c); }, out);
    for (size_t i = 0; i < kPerspectiveDoubles; ++i)
        DoubleDifference("perspective." + PerspectiveName(i), e.perspective[i], a.perspective[i], out);
    for (size_t i = 0; i < std::size(kCameraNames); ++i)
        DoubleDifference(std::string("camera.") + kCameraNames[i], e.camera.doubles[i],
                         a.camera.doubles[i], out);
    if (e.camera.rect != a.camera.rect) out.push_back("camera.RenderRect differs");
    return out;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ScenarioNames(const std::string &dir) {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(std::filesystem::path(dir) / "scenarios"))
        if (e.path().extension() == ".json") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<FrameDigest> ReadDigests(const std::string &dir, const std::string &name) {
    std::vector<FrameDigest> digests;
    std::istringstream lines(ReadFile(dir + "/digests/" + name + ".txt"));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) digests.push_back(ParseDigest(line));
    return digests;
}

Json ReadScenario(const std::string &dir, const std::string &name) {
    return Json::parse(ReadFile(dir + "/scenarios/" + name + ".json"));
}

}  // namespace conformance
