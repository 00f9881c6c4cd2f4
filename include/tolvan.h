/* tolvan.h - the bitmap loader quelm opens its playing-surface art with.
 *
 * On Windows the call lives in TOLVAN32.DLL at ordinal 22, standard calling
 * convention.
 */
#ifndef TOLVAN_H
#define TOLVAN_H

#include "quelm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Reads a Windows BMP file into one global-heap block holding a packed DIB:
 * a 40-byte BITMAPINFOHEADER, its colour table, then the pixels in the
 * file's own bit depth.  Null when the file is missing, unsupported or
 * corrupt.  Release the block as every global-heap block (GlobalHandle,
 * GlobalUnlock, GlobalFree). */
QUELM_EXTERN_C BITMAPINFO *QUELMAPI OpenDIB(const char *name);

#ifdef __cplusplus
}
#endif

#endif /* TOLVAN_H */
