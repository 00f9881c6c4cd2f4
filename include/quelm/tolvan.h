/** @file
 * tolvan.h - the bitmap loader quelm opens its playing-surface art with.
 *
 * On Windows the call lives in TOLVAN32.DLL at ordinal 22, standard calling
 * convention.
 *
 * What is read: Windows and OS/2 BMP files.  Headers: the 12-byte core
 * header, the 40-byte BITMAPINFOHEADER, its 52, 56, 108 (V4) and 124-byte
 * (V5) successors, and the OS/2 2.x headers of 16, 40 and 64 bytes.  Pixels:
 *   - 1, 4 and 8 bits with a colour table, uncompressed; 8 and 4 bits
 *     run-length encoded (BI_RLE8, BI_RLE4, rows bottom-up only);
 *   - 16 bits: 5-5-5 uncompressed, or BI_BITFIELDS with any masks;
 *   - 24 bits; 32 bits uncompressed or BI_BITFIELDS with any masks.
 * Masks come after a 40-byte header or in the longer headers' fields (the
 * alpha mask from 56 bytes on); each must be empty or one run of bits within
 * the pixel.  Rows may run bottom-up or top-down.  Width and height are
 * limited to 16384.
 *
 * Colour table: biClrUsed entries, 0 or more than the bit depth allows
 * meaning 1 << bits.  Entries are read only as far as they lie before the
 * pixel offset; those missing (a short or absent table) are black.
 *
 * Run-length data runs from the pixel offset to the end of the file.
 * Decoding stops at the end-of-bitmap escape, at the end of the data, or
 * before the first run or escape that is cut short or would go past its row
 * or the picture; every pixel not written by then is index 0.  A run-length
 * picture larger than 1 MiB plus 256 bytes per byte of its data is refused.
 *
 * Refused (null): JPEG and PNG in BMP, OS/2 Huffman 1D and RLE24, BI_RLE8
 * and BI_RLE4 at other depths or top-down, BI_ALPHABITFIELDS, every other
 * compression, 2 and 64 bits, and masks that do not fit the rule above.
 * Every offset and size in the headers must lie within the file, and an
 * uncompressed file must hold all its rows.
 *
 * What comes back: one global-heap block holding a packed DIB, i.e. a
 * 40-byte BITMAPINFOHEADER (biSize 40), biClrUsed RGBQUAD colour entries,
 * then the pixel rows, each padded to 4 bytes.  The result is normalised:
 * rows are always bottom-up (biHeight > 0), biCompression is BI_RGB,
 * biSizeImage is the size of the pixel data, biClrUsed is the size of the
 * table (0 for more than 8 bits, whose optional table is dropped), and a
 * core header's 3-byte colour entries are widened to RGBQUADs.  Paletted
 * files keep their bit depth (run-length ones decoded), as do 24-bit files
 * and 32-bit ones in the standard layout (masks 0x00FF0000, 0x0000FF00,
 * 0x000000FF, alpha none or 0xFF000000, or no masks), whose bytes are kept
 * as they are.  Every other 16 or 32-bit file comes back as 32 bits:
 * blue, green, red and alpha bytes, each field scaled to 0..255 with
 * rounding (v * 255 / max), an empty mask giving 0.  Null when the file is
 * missing, refused, truncated or corrupt.  Release the block with
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
 *   3. in the data folder of the installation that holds the loader, found
 *      from the folder of its module (the shared library, or the program a
 *      static library is linked into: PREFIX/lib or PREFIX/bin, then
 *      ../share/quelm), so that an installation moved anywhere still works;
 *   4. in the data folder of the prefix the library was configured with
 *      (PREFIX/share/quelm).
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
