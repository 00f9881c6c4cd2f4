# 64-bit Windows build of the same sources, for testing.
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUELM_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
