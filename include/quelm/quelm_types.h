/** @file
 * quelm_types.h - the Windows records and handles that cross quelm's
 * boundaries, and the 16-bit screen point shared by the library and its
 * rasteriser.
 *
 * On Windows they come from <windows.h>.  Elsewhere they are declared here
 * with the same members, order and natural alignment, so that records
 * holding them (CAMERA's RenderRect, a DIB header) have the same shape on
 * every platform.  Only what quelm, its rasteriser and its bitmap loader
 * use is declared.
 */
#ifndef QUELM_TYPES_H
#define QUELM_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else

#include "quelm_names.h"

/** Calling conventions: the native one outside Windows. @{ */
#ifndef WINAPI
#define WINAPI
#endif
#ifndef CALLBACK
#define CALLBACK
#endif
/** @} */

/** Windows' integer types, same sizes and signedness. @{ */
typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char CHAR;
/** @} */

/** BOOL values. @{ */
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
/** @} */

/** @cond */
#define QUELM_DECLARE_HANDLE(name) \
    struct name##__ { int unused; }; \
    typedef struct name##__ *name
/** @endcond */
/** Handles are opaque pointers, distinct types as with STRICT on Windows:
 * windows, modules, device contexts, fonts, GDI objects and global-heap
 * blocks. @{ */
QUELM_DECLARE_HANDLE(HWND);
QUELM_DECLARE_HANDLE(HINSTANCE);
QUELM_DECLARE_HANDLE(HDC);
QUELM_DECLARE_HANDLE(HFONT);
typedef HINSTANCE HMODULE;
typedef void *HGDIOBJ;
typedef void *HGLOBAL;
/** @} */
#undef QUELM_DECLARE_HANDLE

/** A rectangle in pixels; quelm's render rectangle includes its bounds. */
typedef struct tagRECT {
    LONG left;   /**< left column */
    LONG top;    /**< top row */
    LONG right;  /**< right column */
    LONG bottom; /**< bottom row */
} RECT;

/** A colour-table entry. */
typedef struct tagRGBQUAD {
    BYTE rgbBlue;     /**< blue 0..255 */
    BYTE rgbGreen;    /**< green 0..255 */
    BYTE rgbRed;      /**< red 0..255 */
    BYTE rgbReserved; /**< 0 */
} RGBQUAD;

/** The header of a device-independent bitmap. */
typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;          /**< size of this header in bytes: 40 */
    LONG biWidth;          /**< width in pixels */
    LONG biHeight;         /**< positive: bottom-up rows; negative: top-down */
    WORD biPlanes;         /**< 1 */
    WORD biBitCount;       /**< bits per pixel; quelm draws into 8 */
    DWORD biCompression;   /**< BI_RGB: uncompressed */
    DWORD biSizeImage;     /**< bytes of pixel data, rows padded to 4 bytes */
    LONG biXPelsPerMeter;  /**< horizontal resolution, kept */
    LONG biYPelsPerMeter;  /**< vertical resolution, kept */
    DWORD biClrUsed;       /**< colour-table entries; 0 means all 2^biBitCount */
    DWORD biClrImportant;  /**< entries that matter; 0 means all */
} BITMAPINFOHEADER;

/** A bitmap's header followed by its colour table. */
typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader; /**< the header */
    RGBQUAD bmiColors[1]; /**< the colour table runs on past the record */
} BITMAPINFO;

/** biCompression of an uncompressed bitmap. */
#define BI_RGB 0L

/** Length of a font's face name, its terminating zero included. */
#define LF_FACESIZE 32
/** A font description, as the dialogs make their small font from it. */
typedef struct tagLOGFONTA {
    LONG lfHeight;          /**< character height in logical units */
    LONG lfWidth;           /**< average character width; 0: from the height */
    LONG lfEscapement;      /**< angle of the text line, tenths of a degree */
    LONG lfOrientation;     /**< angle of each character, tenths of a degree */
    LONG lfWeight;          /**< 0..1000; 400 normal, 700 bold */
    BYTE lfItalic;          /**< non-zero: italic */
    BYTE lfUnderline;       /**< non-zero: underlined */
    BYTE lfStrikeOut;       /**< non-zero: struck out */
    BYTE lfCharSet;         /**< character set */
    BYTE lfOutPrecision;    /**< output precision */
    BYTE lfClipPrecision;   /**< clipping precision */
    BYTE lfQuality;         /**< output quality */
    BYTE lfPitchAndFamily;  /**< pitch and family */
    CHAR lfFaceName[LF_FACESIZE]; /**< typeface name, zero-terminated */
} LOGFONTA, LOGFONT;

#endif /* _WIN32 */

/** Every call declared with QUELM_EXTERN_C is visible outside the shared
 * libraries, which hide everything else. */
#if defined(__GNUC__) && !defined(_WIN32)
#define QUELM_VISIBLE __attribute__((visibility("default")))
#else
#define QUELM_VISIBLE
#endif
/** C linkage for a declaration, in C and C++ alike, and visible. */
#ifdef __cplusplus
#define QUELM_EXTERN_C extern "C" QUELM_VISIBLE
#else
#define QUELM_EXTERN_C QUELM_VISIBLE
#endif

/** Every export uses the Windows standard calling convention (the callee
 * removes the arguments); on other platforms this is the native one.
 * QUELMCDECL marks the one caller-pops, variadic export. @{ */
#ifdef _WIN32
#define QUELMAPI WINAPI
#define QUELMCDECL __cdecl
#else
#define QUELMAPI
#define QUELMCDECL
#endif
/** @} */

/** sSPOINT - a screen point in whole pixels from the top-left corner of the
 * render rectangle, x to the right, y down. */
typedef struct sSPOINT {
    int16_t x; /**< column */
    int16_t y; /**< row */
} sSPOINT;

#ifdef __cplusplus
static_assert(sizeof(sSPOINT) == 4, "sSPOINT layout");
static_assert(sizeof(RECT) == 16, "RECT layout");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER layout");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD layout");
static_assert(sizeof(LOGFONTA) == 60, "LOGFONT layout");
#endif

#include "quelm_names_end.h"

#endif /* QUELM_TYPES_H */
