/* quelm_names_end.h - no include guard: takes away the Windows names that
 * quelm_names.h gave quelm's types, unless the host asked for them with
 * QUELM_WINDOWS_NAMES. */
#if !defined(_WIN32) && !defined(QUELM_WINDOWS_NAMES)
#undef BOOL
#undef BYTE
#undef WORD
#undef DWORD
#undef LONG
#undef UINT
#undef INT_PTR
#undef UINT_PTR
#undef WPARAM
#undef LPARAM
#undef LRESULT
#undef CHAR
#undef HWND
#undef HWND__
#undef HINSTANCE
#undef HINSTANCE__
#undef HDC
#undef HDC__
#undef HFONT
#undef HFONT__
#undef HMODULE
#undef HGDIOBJ
#undef HGLOBAL
#undef RECT
#undef tagRECT
#undef RGBQUAD
#undef tagRGBQUAD
#undef BITMAPINFOHEADER
#undef tagBITMAPINFOHEADER
#undef BITMAPINFO
#undef tagBITMAPINFO
#undef LOGFONTA
#undef LOGFONT
#undef tagLOGFONTA
#undef DLGPROC
#endif
