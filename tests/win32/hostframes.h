// hostframes.h - one sequence of frames, drawn by quelmhost.exe with
// QUELM.DLL under Wine and by quelmframes with the native library; the test
// compares the two sets of files byte for byte.
#ifndef QUELM_TESTS_WIN32_HOSTFRAMES_H
#define QUELM_TESTS_WIN32_HOSTFRAMES_H

#include <cstdint>
#include <string>
#include <vector>

#include "quelm.h"

// The calls the frames use, from the DLL or linked in.
struct HostCalls {
    decltype(&InitScene) initScene;
    decltype(&DestroyScene) destroyScene;
    decltype(&SetSceneSetting) setSceneSetting;
    decltype(&ResetSceneSetting) resetSceneSetting;
    decltype(&RenderRate) renderRate;
    decltype(&RenderScene) renderScene;
    decltype(&InitCamera) initCamera;
    decltype(&DestroyCamera) destroyCamera;
};

// An 8-bit bitmap with the default palette: header, colour table, pixels.
struct HostBitmap {
    int width = 0;
    int height = 0;    // rows; the header's biHeight is negative when topDown
    bool topDown = false;
    int stride = 0;    // bytes per row, a multiple of 4
    std::vector<uint8_t> info;  // BITMAPINFO with 256 colours
    BITMAPINFO *Info() { return reinterpret_cast<BITMAPINFO *>(info.data()); }
};

// Where a frame's pixels go: the Windows host hands out a DIB section, the
// native one a plain buffer.  Returns null when no bitmap could be had.
using PixelSource = uint8_t *(*)(HostBitmap &bitmap, void *context);

// Renders every frame of the sequence and writes each as DIR/NN-name.dib.
// Messages about failures go to stderr; returns the number of failures.
int RenderHostFrames(const HostCalls &calls, const std::string &dir, PixelSource pixels,
                     void *context);


#endif
