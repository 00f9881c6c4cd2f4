# WebAssembly build of the library and the page with Emscripten:
#   cmake -S . -B build-web -G Ninja -DCMAKE_TOOLCHAIN_FILE=web/toolchain-wasm.cmake
# (web/build.sh does this.)  The tools, tests and benchmarks are native-only.
if(NOT QUELM_EMSCRIPTEN_TOOLCHAIN)
  find_program(QUELM_EM_CONFIG em-config REQUIRED)
  execute_process(COMMAND ${QUELM_EM_CONFIG} EMSCRIPTEN_ROOT
    OUTPUT_VARIABLE QUELM_EMSCRIPTEN_ROOT OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(QUELM_EMSCRIPTEN_TOOLCHAIN
    ${QUELM_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake CACHE FILEPATH
    "Emscripten's CMake toolchain file")
endif()
include(${QUELM_EMSCRIPTEN_TOOLCHAIN})

# Bulk memory turns the rasteriser's span fills into memory.fill; SIMD lets
# the compiler widen loops (lane by lane, so doubles round as before).
set(CMAKE_C_FLAGS_INIT "-mbulk-memory -msimd128")
# Emscripten 3.1.6 ships libc++ 13, which lacks some of the C++20 library.
set(CMAKE_CXX_FLAGS_INIT
  "${CMAKE_C_FLAGS_INIT} -include ${CMAKE_CURRENT_LIST_DIR}/compat/libcxx13.h")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${CMAKE_C_FLAGS_INIT}")

set(QUELM_BUILD_TESTS OFF CACHE BOOL "Build the tests")
set(QUELM_BUILD_TOOLS OFF CACHE BOOL "Build the command-line tool and the viewer")
set(QUELM_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks")
