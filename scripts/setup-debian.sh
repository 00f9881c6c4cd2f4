#!/usr/bin/env bash
# Installs what quelm needs on Debian 12, as root or through sudo.
#
# Usage: scripts/setup-debian.sh [--tests] [--windows] [--web] [--ci]
#   (none)     the compiler, CMake and what the library and the quelm tool need
#   --tests    adds GoogleTest, Google Benchmark, zlib, nlohmann-json, SDL2
#              (the viewer) and doxygen: what the whole test suite builds with
#   --windows  adds the mingw-w64 cross compilers for the Windows DLLs
#   --web      adds Emscripten, node and Chromium for the WebAssembly page
#   --ci       all of the above, and Wine, Xvfb, clang and the comparison
#              libraries that only CI uses
#
# The package lists are fetched only when they are over a day old, so that a
# second run (README's test command after its first) goes straight on.
set -euo pipefail
packages=(build-essential cmake pkg-config libpng-dev libgif-dev)
tests=(libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev nlohmann-json3-dev libsdl2-dev doxygen)
windows=(gcc-mingw-w64-i686 g++-mingw-w64-i686 gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64
  binutils-mingw-w64)
web=(emscripten node-acorn chromium ninja-build python3)
# npm comes with Debian's own package; a machine whose Node.js brings its own
# npm (whose package conflicts with Debian's) keeps it.
command -v npm >/dev/null || web+=(nodejs npm)
ci=(wine wine64 xvfb xauth clang-14 libclang-rt-14-dev assimp-utils libcairo2-dev libosmesa6-dev)
for option in "$@"; do
  case $option in
    --tests) packages+=("${tests[@]}") ;;
    --windows) packages+=("${windows[@]}") ;;
    --web) packages+=("${web[@]}") ;;
    --ci) packages+=("${tests[@]}" "${windows[@]}" "${web[@]}" "${ci[@]}") ;;
    *) echo "usage: $0 [--tests] [--windows] [--web] [--ci]" >&2; exit 2 ;;
  esac
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
lists=/var/lib/apt/lists
if [ -z "$(find "$lists" -maxdepth 1 -name '*_Packages*' -mmin -1440 -print -quit 2>/dev/null)" ]; then
  # An index that cannot be fetched (a foreign architecture's, say) is not
  # fatal: the install below fails by itself if it needs that index.
  $sudo apt-get update -q || echo "setup-debian: some package indexes could not be fetched" >&2
fi
$sudo apt-get install -y -q --no-install-recommends "${packages[@]}"
