// Placeholder until the loader lands: finds no file.
#include "tolvan.h"

extern "C" BITMAPINFO *QUELMAPI OpenDIB(const char *) { return nullptr; }
