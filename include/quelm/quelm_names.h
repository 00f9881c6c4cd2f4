/* quelm_names.h - no include guard: included by each public header after
 * quelm_types.h, with quelm_names_end.h after its last declaration.
 *
 * Outside Windows, the Windows type names in quelm's headers stand for
 * quelm_-prefixed types (RECT is quelm_RECT), and quelm_names_end.h takes
 * the short names away again, so that a host's own RECT, BYTE or LONG never
 * meets quelm's.  A host that wants the Windows names for quelm's types
 * defines QUELM_WINDOWS_NAMES before including them; then they stay.
 */
#ifndef _WIN32
#define BOOL quelm_BOOL
#define BYTE quelm_BYTE
#define WORD quelm_WORD
#define DWORD quelm_DWORD
#define LONG quelm_LONG
#define UINT quelm_UINT
#define INT_PTR quelm_INT_PTR
#define UINT_PTR quelm_UINT_PTR
#define WPARAM quelm_WPARAM
#define LPARAM quelm_LPARAM
#define LRESULT quelm_LRESULT
#define CHAR quelm_CHAR
#define HWND quelm_HWND
#define HWND__ quelm_HWND__
#define HINSTANCE quelm_HINSTANCE
#define HINSTANCE__ quelm_HINSTANCE__
#define HDC quelm_HDC
#define HDC__ quelm_HDC__
#define HFONT quelm_HFONT
#define HFONT__ quelm_HFONT__
#define HMODULE quelm_HMODULE
#define HGDIOBJ quelm_HGDIOBJ
#define HGLOBAL quelm_HGLOBAL
#define RECT quelm_RECT
#define tagRECT quelm_tagRECT
#define RGBQUAD quelm_RGBQUAD
#define tagRGBQUAD quelm_tagRGBQUAD
#define BITMAPINFOHEADER quelm_BITMAPINFOHEADER
#define tagBITMAPINFOHEADER quelm_tagBITMAPINFOHEADER
#define BITMAPINFO quelm_BITMAPINFO
#define tagBITMAPINFO quelm_tagBITMAPINFO
#define LOGFONTA quelm_LOGFONTA
#define LOGFONT quelm_LOGFONT
#define tagLOGFONTA quelm_tagLOGFONTA
#define DLGPROC quelm_DLGPROC
#endif
