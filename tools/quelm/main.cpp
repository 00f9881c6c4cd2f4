// quelm: the stadium renderer from the command line.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tools/quelm/commands.h"
#include "tools/quelm/cli.h"

namespace {

using namespace quelm_tool;

struct Verb {
    const char *name;
    int (*run)(Args);
    const char *help;
};

constexpr Verb VERBS[] = {
    {"model", model_command, "model statistics (--stats) and OBJ export (--obj FILE)"},
    {"render", render_command, "render one frame to PNG or BMP (default stadium.png)"},
    {"spin", spin_command, "render the spin demonstration as an animated GIF"},
    {"camera", camera_command, "print a library camera after some spin steps"},
    {"bench", bench_command, "time frames: complete reprojection against rapid pan"},
};

void print_help() {
    std::printf(
                 "usage: quelm VERB [options]\n"
                 "Draws the quelm stadium from the command line.\n\nverbs:\n");
    for (const Verb &v : VERBS) std::printf("  %-8s %s\n", v.name, v.help);
    std::printf(
                 "\n  quelm help VERB     options of a verb (also quelm VERB --help)\n"
                 "  quelm --version     the version\n");
}

int run(const std::vector<std::string_view> &args) {
    if (args.empty()) usage_error("give a verb (see quelm --help)");
    const std::string_view first = args[0];
    // "quelm help VERB" is "quelm VERB --help".
    if (first == "help" && args.size() == 2) return run({args[1], "--help"});
    if (first == "--help" || first == "-h" || first == "help") {
        print_help();
        return 0;
    }
    if (first == "--version") {
        std::printf("quelm %s\n", QUELM_VERSION);
        return 0;
    }
    for (const Verb &v : VERBS) {
        if (first != v.name) continue;
        try {
            return v.run(Args(args).subspan(1));
        } catch (const std::bad_alloc &) {
            failed(std::string(v.name) + ": out of memory");
        }
    }
    usage_error("unknown verb '" + std::string(first) + "' (see quelm --help)");
}

}  // namespace

int main(int argc, char **argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    try {
        const int status = run(args);
        if (std::fflush(stdout) != 0) {
            std::perror("quelm: standard output");
            return EXIT_FAILED;
        }
        return status;
    } catch (const Failure &f) {
        std::fprintf(stderr, "quelm: %s\n", printable(f.what()).c_str());
        return f.status;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quelm: %s\n", printable(e.what()).c_str());
        return EXIT_FAILED;
    }
}
