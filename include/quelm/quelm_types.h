/* quelm_types.h - the Windows records and handles that cross quelm's
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

#ifndef WINAPI
#define WINAPI
#endif
#ifndef CALLBACK
#define CALLBACK
#endif

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

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* Handles are opaque pointers, distinct types as with STRICT on Windows. */
#define QUELM_DECLARE_HANDLE(name) \
    struct name##__ { int unused; }; \
    typedef struct name##__ *name
QUELM_DECLARE_HANDLE(HWND);
QUELM_DECLARE_HANDLE(HINSTANCE);
QUELM_DECLARE_HANDLE(HDC);
QUELM_DECLARE_HANDLE(HFONT);
typedef HINSTANCE HMODULE;
typedef void *HGDIOBJ;
typedef void *HGLOBAL;
#undef QUELM_DECLARE_HANDLE

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; /* positive: bottom-up rows; negative: top-down */
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1]; /* the colour table runs on past the record */
} BITMAPINFO;

#define BI_RGB 0L

#define LF_FACESIZE 32
typedef struct tagLOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA, LOGFONT;

#endif /* _WIN32 */

/* Every call declared with QUELM_EXTERN_C is visible outside the shared
 * libraries, which hide everything else. */
#if defined(__GNUC__) && !defined(_WIN32)
#define QUELM_VISIBLE __attribute__((visibility("default")))
#else
#define QUELM_VISIBLE
#endif
#ifdef __cplusplus
#define QUELM_EXTERN_C extern "C" QUELM_VISIBLE
#else
#define QUELM_EXTERN_C QUELM_VISIBLE
#endif

/* Every export uses the Windows standard calling convention (the callee
 * removes the arguments); on other platforms this is the native one.
 * QUELMCDECL marks the one caller-pops, variadic export. */
#ifdef _WIN32
#define QUELMAPI WINAPI
#define QUELMCDECL __cdecl
#else
#define QUELMAPI
#define QUELMCDECL
#endif

/* sSPOINT - a screen point in whole pixels from the top-left corner of the
 * render rectangle, x to the right, y down. */
typedef struct sSPOINT {
    int16_t x;
    int16_t y;
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
