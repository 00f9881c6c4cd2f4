/** @file
 * tolvan.h - the bitmap loader quelm opens its playing-surface art with.
 *
 * On Windows the call lives in TOLVAN32.DLL at ordinal 22, standard calling
 * convention.
 *
 * What is read: Windows BMP files, uncompressed, 1, 4 and 8 bits per pixel
 * with a colour table, or 24 and 32 bits without one; rows bottom-up or
 * top-down; the 40-byte BITMAPINFOHEADER, its longer 52, 56, 108 (V4) and
 * 124-byte (V5) successors and the 12-byte core header.  A 32-bit file with
 * BI_BITFIELDS is read when its masks are the standard ones (red 0x00FF0000,
 * green 0x0000FF00, blue 0x000000FF); other masks, 16-bit files, run-length
 * and every other compression are refused.  Width and height are limited to
 * 16384; every offset and size in the headers must lie within the file.
 *
 * What comes back: one global-heap block holding a packed DIB, i.e. a
 * 40-byte BITMAPINFOHEADER (biSize 40), biClrUsed RGBQUAD colour entries,
 * then the pixel rows in the file's own bit depth, each padded to 4 bytes.
 * The result is normalised: rows are always bottom-up (biHeight > 0),
 * biCompression is BI_RGB, biSizeImage is the size of the pixel data,
 * biClrUsed is the number of colour entries actually present (0 for 24 and
 * 32 bits, whose optional table is dropped), and a core header's 3-byte
 * colour entries are widened to RGBQUADs.  Null when the file is missing,
 * unsupported, truncated or corrupt.  Release the block with
 * GlobalFreeLocked (or GlobalHandle, GlobalUnlock, GlobalFree): KERNEL32's on
 * Windows, quelm_globalmem.h's elsewhere.
 */
#ifndef TOLVAN_H
#define TOLVAN_H

#include "quelm_types.h"
#include "quelm_names.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Reads a BMP file into a packed DIB (see above).
 *
 * name: a zero-terminated file name, only read.  A bare name (no '/', and on
 * Windows no '\\' or drive colon) is looked for, first file found wins:
 *   1. in the current directory;
 *   2. in the folder named by the environment variable QUELM_DATA, if set
 *      and not empty;
 *   3. in the installed data folder (PREFIX/share/quelm, fixed when the
 *      library is configured).
 * A name with a directory is opened as given.  Only regular files count as
 * found: a folder, FIFO or device of that name is passed over, and opening
 * never waits.  A file that is found but cannot be read ends the search with
 * null.  The whole pixel data is read into the block, so its size is that of
 * the image (at most 16384 x 16384 pixels).
 * @return the block, owned by the caller; null for a null or empty name, a
 * file not found, refused or unreadable, or when memory runs out (nothing is
 * then left allocated). */
QUELM_EXTERN_C BITMAPINFO *QUELMAPI OpenDIB(const char *name);

/** Reads a BMP file image of size bytes held in memory, with the same checks
 * and the same result as OpenDIB.  The data is only read and stays the
 * caller's; null data or a size too small for the headers gives null. */
QUELM_EXTERN_C BITMAPINFO *QUELMAPI OpenDIBFromMemory(const void *data, size_t size);

#ifdef __cplusplus
}
#endif

#include "quelm_names_end.h"

#endif /* TOLVAN_H */
