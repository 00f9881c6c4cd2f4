// hostframes.h - the frames the Windows test host and its native twin render.
//
// quelmhost.exe draws these frames with QUELM.DLL under Wine, quelmframes
// with the native library; the test compares the two sets of BMP files byte
// for byte.  Both sides run this one sequence of scenes, cameras, sizes and
// settings, so any difference comes from the library builds themselves.
// Cameras are given by position only: the spin demonstration would bring in
// sin and cos, which differ between C runtimes.
#ifndef QUELM_TESTS_WIN32_HOSTFRAMES_H
#define QUELM_TESTS_WIN32_HOSTFRAMES_H

#include <cstdint>
#include <string>
#include <vector>

#include "quelm.h"

// The library calls the frames use, from the DLL (GetProcAddress) or linked
// in directly.
struct HostCalls {
    decltype(&InitScene) initScene;
    decltype(&DestroyScene) destroyScene;
    decltype(&SetSceneSetting) setSceneSetting;
    decltype(&ResetSceneSetting) resetSceneSetting;
    decltype(&RenderRate) renderRate;
    decltype(&RenderScene) renderScene;
    decltype(&InitCamera) initCamera;
    decltype(&DestroyCamera) destroyCamera;
    decltype(&WorldToScreen) worldToScreen;
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

// Makes the header and colour table of a width x height 8-bit bitmap.
HostBitmap MakeHostBitmap(int width, int height, bool topDown);

// Where a frame's pixels go: the Windows host hands out a DIB section, the
// native one a plain buffer.  Returns null when no bitmap could be had.
using PixelSource = uint8_t *(*)(HostBitmap &bitmap, void *context);

// Renders every frame of the sequence and writes each as DIR/NN-name.bmp.
// Messages about failures go to stderr; returns the number of failures.
int RenderHostFrames(const HostCalls &calls, const std::string &dir, PixelSource pixels,
                     void *context);

// Writes the bitmap as a BMP file; false when the file cannot be written.
bool WriteHostBmp(const std::string &path, HostBitmap &bitmap, const uint8_t *bits);

#endif
