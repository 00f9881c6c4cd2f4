// The frame sequence shared by quelmhost.exe and quelmframes (hostframes.h).
#include "hostframes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/palette.h"

namespace {

// What the host sets before a frame.  Scenes 0 and 1 live through the whole
// sequence, so later frames also exercise rapid pans and RenderRate's state.
struct FrameStep {
    const char *name;
    int scene;
    int width, height;
    bool topDown;
    RECT rect;  // all zero: the whole bitmap
    double camera[3];
    double target[3];
    double magnification;
    uint32_t setMask;    // SetSceneSetting before the frame
    uint32_t resetMask;  // ResetSceneSetting before the frame
    int rate;            // RenderRate calls before: > 0 slow frames, < 0 fast ones
};

constexpr FrameStep kSteps[] = {
    {"overview", 0, 320, 240, true, {}, {0, -9000, 3000}, {0, 0, 0}, 0.05, 0, 0, 0},
    // Small target moves after slow frames: rapid pans on the same scene.
    {"pan-a", 0, 320, 240, true, {}, {0, -9000, 3000}, {40, 25, 0}, 0.05, 0, 0, 1},
    {"pan-b", 0, 320, 240, true, {}, {0, -9000, 3000}, {80, 50, 0}, 0.05, 0, 0, 1},
    // A third slow frame swaps in the coarse playing surface.
    {"coarse", 0, 320, 240, true, {}, {300, -8500, 2800}, {80, 50, 0}, 0.05, 0, 0, 1},
    {"sideline", 1, 640, 480, false, {}, {5200, -600, 700}, {0, 300, 0}, 0.12, 0, 0, 0},
    // Low over the turf: surfaces cut at the near plane.
    {"ground", 1, 161, 97, true, {}, {150, -2500, 70}, {0, -1700, 10}, 0.6, 0, 0, 0},
    // Fast frames give the fine surface back; the stands are left out.
    {"no-stands", 0, 97, 201, false, {}, {-2500, -4000, 4500}, {0, -600, 0}, 0.08, 0,
     PLAN_STANDS, -3},
    // A rectangle that does not start at (0, 0) clips at its own edges.
    {"offset-rect", 1, 200, 150, true, {20, 10, 179, 139}, {0, -3000, 900}, {0, 0, 100}, 0.15,
     PLAN_SPARE, 0, 0},
    {"outside", 1, 128, 96, false, {}, {0, -40000, 8000}, {0, 0, 0}, 0.01, 0, 0, 0},
};

constexpr uint8_t kBackground = 0xF0;  // what no surface covers
HostBitmap MakeHostBitmap(int width, int height, bool topDown) {
    HostBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.topDown = topDown;
    bitmap.stride = (width + 3) & ~3;
    bitmap.info.assign(sizeof(BITMAPINFOHEADER) + QUELM_PALETTE_SIZE * sizeof(RGBQUAD), 0);
    BITMAPINFOHEADER &h = bitmap.Info()->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(bitmap.stride * height);
    h.biClrUsed = QUELM_PALETTE_SIZE;
    std::memcpy(bitmap.info.data() + sizeof(BITMAPINFOHEADER), QuelmDefaultPalette,
                sizeof(QuelmDefaultPalette));
    return bitmap;
}

// A packed DIB: the bitmap's header and colour table, then its pixels.
bool WriteHostDib(const std::string &path, HostBitmap &bitmap, const uint8_t *bits) {
    const size_t pixelBytes = static_cast<size_t>(bitmap.stride) * bitmap.height;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bitmap.info.data(), 1, bitmap.info.size(), file) == bitmap.info.size();
    ok = ok && std::fwrite(bits, 1, pixelBytes, file) == pixelBytes;
    return std::fclose(file) == 0 && ok;
}

int RenderStep(const HostCalls &calls, const FrameStep &step, SCENE *scene, CAMERA *camera,
               const std::string &path, PixelSource pixels, void *context) {
    HostBitmap bitmap = MakeHostBitmap(step.width, step.height, step.topDown);
    uint8_t *bits = pixels(bitmap, context);
    if (!bits) {
        std::fprintf(stderr, "%s: no bitmap\n", step.name);
        return 1;
    }
    const size_t size = static_cast<size_t>(bitmap.stride) * bitmap.height;
    std::memset(bits, kBackground, size);

    if (step.setMask) calls.setSceneSetting(scene, static_cast<int32_t>(step.setMask));
    if (step.resetMask) calls.resetSceneSetting(scene, static_cast<int32_t>(step.resetMask));
    for (int i = 0; i < step.rate; ++i) calls.renderRate(scene, 10, 20);
    for (int i = 0; i > step.rate; --i) calls.renderRate(scene, 20, 10);

    camera->Xcamera = step.camera[0];
    camera->Ycamera = step.camera[1];
    camera->Zcamera = step.camera[2];
    camera->Xtarget = step.target[0];
    camera->Ytarget = step.target[1];
    camera->Ztarget = step.target[2];
    camera->Magnification = step.magnification;
    const bool wholeBitmap = !step.rect.left && !step.rect.top && !step.rect.right &&
                             !step.rect.bottom;
    camera->RenderRect = wholeBitmap ? RECT{0, 0, step.width - 1, step.height - 1} : step.rect;

    calls.renderScene(bitmap.Info(), bits, camera, scene);

    const bool blank = std::count(bits, bits + size, kBackground) == static_cast<ptrdiff_t>(size);
    if (blank || !WriteHostDib(path, bitmap, bits)) {
        std::fprintf(stderr, "%s: %s\n", step.name, blank ? "nothing drawn" : "cannot write it");
        return 1;
    }
    return 0;
}

}  // namespace

int RenderHostFrames(const HostCalls &calls, const std::string &dir, PixelSource pixels,
                     void *context) {
    SCENE *scenes[2] = {calls.initScene(), calls.initScene()};
    CAMERA *camera = calls.initCamera(VIEW_DOLLY);
    int failures = 0;
    if (!scenes[0] || !scenes[1] || !camera) {
        std::fprintf(stderr, "frames: no scene or camera\n");
        ++failures;
    } else {
        int index = 0;
        for (const FrameStep &step : kSteps) {
            char name[64];
            std::snprintf(name, sizeof name, "%02d-%s.dib", index++, step.name);
            failures += RenderStep(calls, step, scenes[step.scene], camera, dir + "/" + name,
                                   pixels, context);
        }
    }
    if (camera) calls.destroyCamera(camera);
    calls.destroyScene(scenes[1]);
    calls.destroyScene(scenes[0]);
    return failures;
}
