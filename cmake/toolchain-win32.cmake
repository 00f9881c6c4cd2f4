# 32-bit Windows: the drop-in QUELM.DLL, GRESK32.DLL and TOLVAN32.DLL.
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake
# CMAKE_SYSTEM_PROCESSOR i686 makes QuelmFlags.cmake add -msse2 -mfpmath=sse.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUELM_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
