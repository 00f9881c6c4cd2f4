#!/usr/bin/env bash
# Installs what building and testing quelm needs on Debian 12.
# Usage: scripts/setup-debian.sh [--ci]   (--ci adds what only CI runs: Wine, Xvfb)
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev doxygen
  libpng-dev libgif-dev zlib1g-dev libsdl2-dev
  gcc-mingw-w64-i686 g++-mingw-w64-i686 gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64
  binutils-mingw-w64
)
if [ "${1:-}" = "--ci" ]; then
  packages+=(wine wine64 xvfb xauth clang-14 libclang-rt-14-dev assimp-utils libcairo2-dev libosmesa6-dev)
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# An index that cannot be fetched (a foreign architecture's, say) is not
# fatal: the install below fails by itself if it needs that index.
$sudo apt-get update -q || echo "setup-debian: some package indexes could not be fetched" >&2
$sudo apt-get install -y -q --no-install-recommends "${packages[@]}"
