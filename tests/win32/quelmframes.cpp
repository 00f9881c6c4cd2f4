// quelmframes - renders the Windows test host's frame sequence with the native
// library, for the pixel comparison with quelmhost.exe under Wine.
// Usage: quelmframes OUTPUT_DIR
#include <cstdio>
#include <filesystem>
#include <vector>

#include "hostframes.h"

namespace {

uint8_t *BufferPixels(HostBitmap &bitmap, void *context) {
    auto *buffer = static_cast<std::vector<uint8_t> *>(context);
    buffer->assign(static_cast<size_t>(bitmap.stride) * bitmap.height, 0);
    return buffer->data();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quelmframes OUTPUT_DIR\n");
        return 2;
    }
    const HostCalls calls = {InitScene,  DestroyScene, SetSceneSetting, ResetSceneSetting,
                             RenderRate, RenderScene,  InitCamera,      DestroyCamera};
    std::error_code ignored;  // a folder that cannot be made fails every frame's write
    std::filesystem::create_directories(argv[1], ignored);
    std::vector<uint8_t> buffer;
    const int failures = RenderHostFrames(calls, argv[1], BufferPixels, &buffer);
    if (failures) {
        std::fprintf(stderr, "quelmframes: %d failure(s)\n", failures);
        return 1;
    }
    return 0;
}
