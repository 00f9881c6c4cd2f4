# Shared part of the Windows cross builds with Debian's mingw-w64 compilers;
# toolchain-win32.cmake and toolchain-win64.cmake set QUELM_MINGW_TRIPLE and
# include this file.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUELM_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${QUELM_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${QUELM_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${QUELM_MINGW_TRIPLE}-dlltool)
set(CMAKE_OBJDUMP ${QUELM_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${QUELM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The DLLs and the test host must run on a bare Windows: the C++ runtime,
# libgcc and (with the posix thread model) winpthread go in statically.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# GoogleTest, Google Benchmark and the SDL viewer are native-only; the Windows
# tree builds the DLLs, the test host and the release bundle.
set(QUELM_BUILD_TESTS OFF CACHE BOOL "Build the tests")
set(QUELM_BUILD_TOOLS OFF CACHE BOOL "Build the command-line tool and the viewer")
set(QUELM_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks")
