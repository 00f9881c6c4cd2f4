// quelm_compare: quelm's frames against other ways of filling the same
// polygons and against the least the pixel writes can cost, all in one
// run, as Markdown tables (and a CSV for the plot).
//
// For every view and size the methods run in turn, round after round; each
// ratio is taken within a round and the table shows medians.  OSMesa runs
// in child processes of its own (one with LP_NUM_THREADS=1, one with its
// default threads), each timing gresk beside it in the same rounds.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/compare/alternatives.h"
#include "bench/support/bench_frame.h"
#include "bench/support/timing.h"
#include "quelm_globalmem.h"

namespace {

using namespace quelm_bench;
using quelm_compare::CairoFill;
using quelm_compare::MesaFill;

struct Options {
    std::vector<BenchSize> sizes{kSizes.begin(), kSizes.end()};
    std::vector<const BenchView *> views;
    double budget = 1.0;  // seconds of rounds per frame and process
    std::string csv;
    bool mesa = true;
};

[[noreturn]] void Usage(const std::string &what) {
    std::fprintf(stderr, "quelm_compare: %s (see --help)\n", what.c_str());
    std::exit(2);
}

std::vector<std::string_view> Split(std::string_view text) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

BenchSize ParseSize(std::string_view text) {
    int w = 0, h = 0;
    char tail = 0;
    const std::string s(text);
    if (std::sscanf(s.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 1 || h < 1 || w > 16384 ||
        h > 16384)
        Usage("'" + s + "' is not a size WIDTHxHEIGHT of 1 to 16384 each");
    return {w, h};
}

Options Parse(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> std::string_view {
            if (i + 1 >= argc) Usage(std::string(arg) + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::printf(
                "usage: quelm_compare [--sizes WxH,...] [--views NAME,...] [--budget SECONDS]\n"
                "                     [--csv FILE] [--no-mesa]\n"
                "Times quelm's rasteriser on recorded frames against Cairo, OSMesa and memset,\n"
                "and the projection's complete reprojection against the rapid pan.\n"
                "Needs quelm.bmp (QUELM_DATA).  Views:");
            for (const BenchView &v : kViews) std::printf(" %s", v.name);
            std::printf("\n");
            std::exit(0);
        } else if (arg == "--sizes") {
            o.sizes.clear();
            for (std::string_view s : Split(value())) o.sizes.push_back(ParseSize(s));
        } else if (arg == "--views") {
            for (std::string_view name : Split(value())) {
                const BenchView *v = FindView(name);
                if (v == nullptr) Usage("no view '" + std::string(name) + "'");
                o.views.push_back(v);
            }
        } else if (arg == "--budget") {
            const std::string s(value());
            char *end = nullptr;
            o.budget = std::strtod(s.c_str(), &end);
            if (*end != 0 || !(o.budget > 0 && o.budget <= 60))
                Usage("--budget takes seconds, more than 0 and at most 60");
        } else if (arg == "--csv") {
            o.csv = value();
        } else if (arg == "--no-mesa") {
            o.mesa = false;
        } else {
            Usage("unknown argument '" + std::string(arg) + "'");
        }
    }
    if (o.views.empty())
        for (const BenchView &v : kViews) o.views.push_back(&v);
    return o;
}

// What the OSMesa children send back for each frame.
struct MesaTiming {
    double gresk;  // seconds, median
    double mesa;
    double ratio;  // median of mesa / gresk within a round
};

std::vector<MesaTiming> MeasureMesa(const std::vector<std::unique_ptr<ViewFrame>> &frames,
                                    double budget) {
    std::vector<MesaTiming> out;
    for (const auto &f : frames) {
        MesaFill mesa(f->recorded);
        const Rounds r = RunRounds({{[&] { Replay(f->recorded, f->bitmap); }}, {[&] { mesa.Draw(); }}},
                                   budget);
        out.push_back({r.Median(0), r.Median(1), r.MedianRatio(1, 0)});
    }
    return out;
}

// Runs MeasureMesa in a child process with LP_NUM_THREADS set to `threads`
// (0: unset, the library's default); empty when the child failed.
std::vector<MesaTiming> MeasureMesaApart(const std::vector<std::unique_ptr<ViewFrame>> &frames,
                                         double budget, int threads) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return {};
    if (child == 0) {
        close(fds[0]);
        if (threads > 0)
            setenv("LP_NUM_THREADS", std::to_string(threads).c_str(), 1);
        else
            unsetenv("LP_NUM_THREADS");
        try {
            const std::vector<MesaTiming> t = MeasureMesa(frames, budget);
            const size_t bytes = t.size() * sizeof(MesaTiming);
            _exit(write(fds[1], t.data(), bytes) == ssize_t(bytes) ? 0 : 1);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "quelm_compare: %s\n", e.what());
            _exit(1);
        }
    }
    close(fds[1]);
    std::vector<MesaTiming> t(frames.size());
    size_t got = 0;
    const size_t want = t.size() * sizeof(MesaTiming);
    auto *bytes = reinterpret_cast<char *>(t.data());
    for (ssize_t n; got < want && (n = read(fds[0], bytes + got, want - got)) > 0;) got += size_t(n);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != want || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    return t;
}

// One line of the tables: a frame's medians in seconds and its ratios.
struct Row {
    std::string view;
    double surfaces = 0, pixels = 0;
    double gresk = 0, cairo = 0, memsetRuns = 0, memsetTotal = 0;
    double mesa1 = NAN, mesaN = NAN;
    double render = 0, completeEdge = 0, panEdge = 0, completeVertex = 0, panVertex = 0;
    // ratios, medians within rounds
    double cairoX = 0, mesa1X = NAN, mesaNX = NAN, overRuns = 0, overTotal = 0;
    double panEdgeX = 0, panVertexX = 0;
};

double Median(std::vector<double> v) {
    std::vector<double> kept;
    for (double x : v)
        if (!std::isnan(x)) kept.push_back(x);
    if (kept.empty()) return NAN;
    std::sort(kept.begin(), kept.end());
    const size_t n = kept.size();
    return n % 2 ? kept[n / 2] : (kept[n / 2 - 1] + kept[n / 2]) / 2;
}

// The middle frame of the views, column by column.
Row MedianRow(const std::vector<Row> &rows) {
    Row m;
    m.view = "median";
    const std::vector<double Row::*> columns = {
        &Row::surfaces, &Row::pixels,         &Row::gresk,        &Row::cairo,
        &Row::memsetRuns, &Row::memsetTotal,  &Row::mesa1,        &Row::mesaN,
        &Row::render,   &Row::completeEdge,   &Row::panEdge,      &Row::completeVertex,
        &Row::panVertex, &Row::cairoX,        &Row::mesa1X,       &Row::mesaNX,
        &Row::overRuns, &Row::overTotal,      &Row::panEdgeX,     &Row::panVertexX};
    for (auto c : columns) {
        std::vector<double> values;
        for (const Row &r : rows) values.push_back(r.*c);
        m.*c = Median(values);
    }
    return m;
}

std::string Us(double seconds) {
    if (std::isnan(seconds)) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, seconds < 1e-3 ? "%.1f" : "%.0f", seconds * 1e6);
    return buf;
}

std::string X(double ratio) {
    if (std::isnan(ratio)) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", ratio);
    return buf;
}

void PrintTables(BenchSize size, const std::vector<Row> &rows) {
    std::printf("\n### %d x %d\n\n", size.width, size.height);
    std::printf(
        "| view | surfaces | pixels written | gresk µs | Cairo µs (×) | OSMesa 1 thread µs (×) "
        "| OSMesa default µs (×) | memset per run µs (gresk ÷) | one memset µs (gresk ÷) |\n"
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Row &r : rows)
        std::printf("| %s | %.0f | %.0f | %s | %s (%s) | %s (%s) | %s (%s) | %s (%s) | %s (%s) |\n",
                    r.view.c_str(), r.surfaces, r.pixels, Us(r.gresk).c_str(), Us(r.cairo).c_str(),
                    X(r.cairoX).c_str(), Us(r.mesa1).c_str(), X(r.mesa1X).c_str(),
                    Us(r.mesaN).c_str(), X(r.mesaNX).c_str(), Us(r.memsetRuns).c_str(),
                    X(r.overRuns).c_str(), Us(r.memsetTotal).c_str(), X(r.overTotal).c_str());
    std::printf(
        "\n| view | RenderScene µs | complete, edge-driven µs | rapid pan µs (×) "
        "| complete, vertex µs | rapid pan µs (×) |\n|---|---:|---:|---:|---:|---:|\n");
    for (const Row &r : rows)
        std::printf("| %s | %s | %s | %s (%s) | %s | %s (%s) |\n", r.view.c_str(),
                    Us(r.render).c_str(), Us(r.completeEdge).c_str(), Us(r.panEdge).c_str(),
                    X(r.panEdgeX).c_str(), Us(r.completeVertex).c_str(), Us(r.panVertex).c_str(),
                    X(r.panVertexX).c_str());
}

void WriteCsv(std::FILE *csv, BenchSize size, const std::vector<Row> &rows) {
    for (const Row &r : rows)
        std::fprintf(csv, "%d,%d,%s,%.0f,%.0f,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g\n", size.width,
                     size.height, r.view.c_str(), r.surfaces, r.pixels, r.gresk * 1e6,
                     r.cairo * 1e6, r.mesa1 * 1e6, r.mesaN * 1e6, r.memsetRuns * 1e6,
                     r.memsetTotal * 1e6, r.render * 1e6, r.completeEdge * 1e6, r.panEdge * 1e6,
                     r.completeVertex * 1e6, r.panVertex * 1e6);
}

std::vector<Row> MeasureSize(BenchSize size, const Options &o) {
    std::vector<std::unique_ptr<ViewFrame>> frames;
    for (const BenchView *v : o.views) frames.push_back(std::make_unique<ViewFrame>(*v, size));

    std::vector<MesaTiming> mesa1, mesaN;
    if (o.mesa) {
        mesa1 = MeasureMesaApart(frames, o.budget / 2, 1);
        mesaN = MeasureMesaApart(frames, o.budget / 2, 0);
        if (mesa1.empty() || mesaN.empty())
            std::fprintf(stderr, "quelm_compare: OSMesa could not be timed at %dx%d\n",
                         size.width, size.height);
    }

    std::vector<Row> rows;
    for (size_t i = 0; i < frames.size(); ++i) {
        ViewFrame &f = *frames[i];
        ViewFrame vertex(*f.view, size, Loader::kVertex);
        CairoFill cairo(f.recorded);
        std::vector<uint8_t> block(f.pixels);
        bool panned = true;
        const Rounds r = RunRounds(
            {
                {[&] { Replay(f.recorded, f.bitmap); }},
                {[&] { cairo.Draw(); }},
                {[&] { WriteRuns(f.runs, f.bitmap.bits.data()); }},
                {[&] { std::memset(block.data(), 1, block.size()); }},
                {[&] { f.RenderComplete(); }},
                {[&] { f.ProjectComplete(); }},
                {[&] { panned &= f.ProjectPan(); }, [&] { f.ProjectComplete(); }},
                {[&] { vertex.ProjectComplete(); }},
                {[&] { panned &= vertex.ProjectPan(); }, [&] { vertex.ProjectComplete(); }},
            },
            o.budget);
        if (!panned) throw std::runtime_error(std::string("no rapid pan on view ") + f.view->name);
        Row row;
        row.view = f.view->name;
        row.surfaces = double(f.recorded.calls.size());
        row.pixels = double(f.pixels);
        row.gresk = r.Median(0);
        row.cairo = r.Median(1);
        row.memsetRuns = r.Median(2);
        row.memsetTotal = r.Median(3);
        row.render = r.Median(4);
        row.completeEdge = r.Median(5);
        row.panEdge = r.Median(6);
        row.completeVertex = r.Median(7);
        row.panVertex = r.Median(8);
        row.cairoX = r.MedianRatio(1, 0);
        row.overRuns = r.MedianRatio(0, 2);
        row.overTotal = r.MedianRatio(0, 3);
        row.panEdgeX = r.MedianRatio(5, 6);
        row.panVertexX = r.MedianRatio(7, 8);
        if (!mesa1.empty()) row.mesa1 = mesa1[i].mesa, row.mesa1X = mesa1[i].ratio;
        if (!mesaN.empty()) row.mesaN = mesaN[i].mesa, row.mesaNX = mesaN[i].ratio;
        rows.push_back(row);
    }
    rows.push_back(MedianRow(rows));
    return rows;
}

// The first line of a file that starts with `key`, after its colon; empty
// when there is none.
std::string FileLine(const char *path, std::string_view key) {
    std::FILE *f = std::fopen(path, "r");
    if (f == nullptr) return {};
    char line[256];
    std::string found;
    while (found.empty() && std::fgets(line, sizeof line, f)) {
        const std::string_view l = line;
        if (!l.starts_with(key)) continue;
        const size_t colon = l.find(':');
        found = std::string(l.substr(colon == std::string_view::npos ? key.size() : colon + 1));
        found.erase(0, found.find_first_not_of(' '));
        found.erase(found.find_last_not_of("\n") + 1);
    }
    std::fclose(f);
    return found;
}

// Frames drawn after the first, each with a complete reprojection, that
// took a block from the global heap.
long AllocationsPerFrames(int frames) {
    ViewFrame f(kViews[0], kSizes[0]);
    const long before = QuelmGlobalAllocations();
    for (int i = 0; i < frames; ++i) f.RenderComplete();
    return QuelmGlobalAllocations() - before;
}

}  // namespace

int main(int argc, char **argv) {
    const Options o = Parse(argc, argv);
    try {
        std::FILE *csv = nullptr;
        if (!o.csv.empty()) {
            csv = std::fopen(o.csv.c_str(), "w");
            if (csv == nullptr)
                throw std::runtime_error("cannot write '" + o.csv + "': " + std::strerror(errno));
            std::fprintf(csv,
                         "width,height,view,surfaces,pixels_written,gresk_us,cairo_us,"
                         "osmesa1_us,osmesa_default_us,memset_runs_us,memset_total_us,"
                         "renderscene_us,complete_edge_us,pan_edge_us,complete_vertex_us,"
                         "pan_vertex_us\n");
        }
        std::printf("Machine: %s, %u hardware threads; load average %s\n",
                    FileLine("/proc/cpuinfo", "model name").c_str(),
                    std::thread::hardware_concurrency(), FileLine("/proc/loadavg", "").c_str());
        const double build = MakeQuelmSeconds(21);
        std::printf("MakeQuelm: %.0f µs (median of 21 builds)\n", build * 1e6);
        std::printf("Global heap blocks taken by 100 frames after the first: %ld\n",
                    AllocationsPerFrames(100));
        for (const BenchSize size : o.sizes) {
            const std::vector<Row> rows = MeasureSize(size, o);
            PrintTables(size, rows);
            if (csv) WriteCsv(csv, size, rows);
            std::fflush(stdout);
        }
        std::printf("\nLoad average at the end: %s\n", FileLine("/proc/loadavg", "").c_str());
        if (csv && std::fclose(csv) != 0) throw std::runtime_error("cannot finish " + o.csv);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quelm_compare: %s\n", e.what());
        return 1;
    }
    return 0;
}
