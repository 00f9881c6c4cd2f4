// Compiled, never run, by the i686 mingw compiler: the static_asserts of the
// public headers pin every boundary record to the 32-bit Windows layout.
#include "gresk.h"
#include "quelm.h"
#include "tolvan.h"

static_assert(sizeof(void *) == 4, "this check is for the 32-bit Windows build");

int main() { return 0; }
