#!/bin/sh
# Builds the stadium page into build-web/web/site (or $1/web/site):
#   web/build.sh [BUILD_DIR]
# then serves it with
#   python3 -m http.server -d build-web/web/site 8000
# Needs Emscripten (Debian's emscripten), CMake, Ninja and node-acorn.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-web"}
launcher=""
if command -v ccache >/dev/null 2>&1; then
  launcher="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
# shellcheck disable=SC2086
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/web/toolchain-wasm.cmake" $launcher
cmake --build "$build"
echo "the page: $build/web/site (serve: python3 -m http.server -d $build/web/site 8000)"
