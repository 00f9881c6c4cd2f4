// quelm-viewer: the stadium in a window, driven like a small game tool.
#include <cstdio>
#include <exception>
#include <new>
#include <string_view>
#include <vector>

#include "tools/quelm/cli.h"
#include "tools/viewer/options.h"
#include "tools/viewer/session.h"

int main(int argc, char **argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    try {
        quelm_viewer::ViewerOptions options;
        if (!quelm_viewer::parse_viewer_options(args, options)) return 0;
        return quelm_viewer::run_session(options);
    } catch (const quelm_tool::Failure &f) {
        std::fprintf(stderr, "quelm-viewer: %s\n", quelm_tool::printable(f.what()).c_str());
        return f.status;
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "quelm-viewer: out of memory\n");
        return quelm_tool::EXIT_FAILED;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quelm-viewer: %s\n", quelm_tool::printable(e.what()).c_str());
        return quelm_tool::EXIT_FAILED;
    }
}
