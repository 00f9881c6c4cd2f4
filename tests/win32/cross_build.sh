#!/usr/bin/env bash
# Configures and builds a Windows cross tree (the DLLs, the test host,
# conformance_run and quelm.bmp) with one of the toolchain files in cmake/;
# with TARGETs, only those.  QUELM_WERROR=ON makes warnings errors.
#
# Usage: cross_build.sh SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE [BUILD_TYPE [TARGET...]]
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "usage: $0 SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE [BUILD_TYPE [TARGET...]]" >&2
  exit 2
fi
cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$3" -DCMAKE_BUILD_TYPE="${4:-Release}" \
  -DQUELM_WERROR="${QUELM_WERROR:-OFF}"
targets=("${@:5}")
cmake --build "$2" -j"${QUELM_JOBS:-2}" ${targets[@]:+--target "${targets[@]}"}
