// Compiled, never run, by the i686 mingw compiler: the static_asserts of the
// public headers pin every boundary record to the 32-bit Windows layout.
#include "gresk.h"
#include "quelm.h"
#include "tolvan.h"

static_assert(sizeof(void *) == 4, "this check is for the 32-bit Windows build");
static_assert(sizeof(CAMERA) == 120 && offsetof(CAMERA, Control) == 116, "CAMERA");
static_assert(offsetof(SCENE, Perspective) == 48, "SCENE");
static_assert(sizeof(RECT) == 16 && sizeof(BITMAPINFOHEADER) == 40, "Windows records");
static_assert(sizeof(LOGFONTA) == 60, "LOGFONT");

int main() { return 0; }
