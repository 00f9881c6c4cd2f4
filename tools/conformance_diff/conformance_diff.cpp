// conformance_diff - replays conformance scenarios and compares each frame
// with the full expected state, printing the first difference field by
// field; or regenerates the per-frame digests that conformance_run checks.
//
//   conformance_diff [--write-digests] [--expected DIR] [--out DIR] [--all] [NAME ...]
//
// DIR holds expected/NAME.jsonl.gz (default: ../shared/conformance beside the
// sources); without names, every scenario in data/conformance/scenarios.
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/conformance.h"

namespace {

namespace fs = std::filesystem;
using conformance::CallState;
using conformance::Double;
using conformance::FrameState;
using conformance::Int32;
using conformance::Json;
using conformance::kCameraNames;
using conformance::kPerspectiveDoubles;
using conformance::PointState;
using conformance::SurfaceState;
using conformance::Word;


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

// The header fields, in the order Header gives them.
constexpr const char *kHeaderNames[] = {"setview", "tally",  "limit", "settings",
                                        "nverts",  "nedges", "npolys"};

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

// One line of an expected-state file.
FrameState FrameFromJson(const Json &f) {
    FrameState s;
    s.frame = f.at("frame").get<int64_t>();
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

// The first difference in each part of the frame, one line each ("points[13]:
// expected [...], got [...]"); empty when the frames are identical.
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

struct Options {
    fs::path expected = QUELM_EXPECTED_DIR;
    fs::path out = fs::path(QUELM_CONFORMANCE_DIR) / "digests";
    bool writeDigests = false;
    bool all = false;  // every differing frame, not just the first
    std::vector<std::string> names;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Options ParseArguments(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--expected" || a == "--out") {
            if (i + 1 >= argc) throw UsageError(std::string(a) + " needs a folder");
            (a == "--out" ? o.out : o.expected) = argv[++i];
        } else if (a == "--write-digests") {
            o.writeDigests = true;
        } else if (a == "--all") {
            o.all = true;
        } else if (a.starts_with("-")) {
            throw UsageError("unknown option " + std::string(a));
        } else {
            o.names.emplace_back(a);
        }
    }
    if (o.names.empty()) {
        o.names = conformance::ScenarioNames(QUELM_CONFORMANCE_DIR);
    }
    return o;
}

// The expected file's frames, one line each.
std::vector<FrameState> ReadExpected(const fs::path &dir, const std::string &name) {
    const fs::path path = dir / "expected" / (name + ".jsonl.gz");
    gzFile in = gzopen(path.string().c_str(), "rb");
    if (!in) throw std::runtime_error("cannot open " + path.string());
    std::string text;
    std::vector<char> chunk(1 << 20);
    int n;
    while ((n = gzread(in, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0)
        text.append(chunk.data(), static_cast<size_t>(n));
    int err = Z_OK;
    const std::string why = n < 0 ? gzerror(in, &err) : "";
    gzclose(in);
    if (n < 0) throw std::runtime_error(path.string() + ": " + why);
    std::vector<FrameState> frames;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) frames.push_back(FrameFromJson(conformance::Json::parse(line)));
    return frames;
}

void WriteDigests(const Options &o, const std::string &name) {
    const std::vector<FrameState> frames = ReadExpected(o.expected, name);
    fs::create_directories(o.out);
    const fs::path path = o.out / (name + ".txt");
    std::ofstream out(path, std::ios::binary);
    for (const FrameState &frame : frames)
        out << conformance::FormatDigest(conformance::Digest(frame)) << '\n';
    if (!out) throw std::runtime_error("cannot write " + path.string());
    std::printf("%s: %zu frames\n", name.c_str(), frames.size());
}

// True when every frame matches.
bool Compare(const Options &o, const std::string &name) {
    const std::vector<FrameState> expected = ReadExpected(o.expected, name);
    const conformance::Json scenario = conformance::ReadScenario(QUELM_CONFORMANCE_DIR, name);
    size_t frames = 0, bad = 0;
    conformance::RunScenario(scenario, [&](const FrameState &actual) {
        if (frames >= expected.size()) {
            std::printf("%s: frame %zu is beyond the %zu expected\n", name.c_str(), frames,
                        expected.size());
            ++bad;
            return false;
        }
        const FrameState &want = expected[frames++];
        const std::vector<std::string> diffs = Differences(want, actual);
        if (diffs.empty()) return true;
        ++bad;
        std::printf("%s frame %lld (setview expected %d):\n", name.c_str(),
                    static_cast<long long>(want.frame), want.setview);
        for (const std::string &d : diffs) std::printf("  %s\n", d.c_str());
        return o.all;
    });
    if (bad == 0 && frames != expected.size())
        std::printf("%s: %zu frames rendered, %zu expected\n", name.c_str(), frames, expected.size());
    else if (bad == 0)
        std::printf("%s: all %zu frames match\n", name.c_str(), frames);
    return bad == 0 && frames == expected.size();
}

}  // namespace

int main(int argc, char **argv) {
    try {
        const Options o = ParseArguments(argc, argv);
        // The library finds quelm.bmp through QUELM_DATA; default to this build's.
#ifdef _WIN32
        if (!std::getenv("QUELM_DATA")) _putenv_s("QUELM_DATA", QUELM_TEST_DATA);
#else
        setenv("QUELM_DATA", QUELM_TEST_DATA, 0);
#endif
        bool ok = true;
        for (const std::string &name : o.names) {
            if (o.writeDigests)
                WriteDigests(o, name);
            else
                ok = Compare(o, name) && ok;
        }
        return ok ? 0 : 1;
    } catch (const UsageError &e) {
        std::fprintf(stderr,
                     "conformance_diff: %s\nusage: conformance_diff [--write-digests] "
                     "[--expected DIR] [--out DIR] [--all] [NAME ...]\n",
                     e.what());
        return 2;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "conformance_diff: %s\n", e.what());
        return 2;
    }
}
