#!/usr/bin/env bash
# Configures and builds a Windows cross tree (the DLLs, the test host and
# quelm.bmp) with one of the toolchain files in cmake/.
#
# Usage: cross_build.sh SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE" >&2
  exit 2
fi
cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$3" -DCMAKE_BUILD_TYPE=Release
cmake --build "$2" -j"${QUELM_JOBS:-2}"
