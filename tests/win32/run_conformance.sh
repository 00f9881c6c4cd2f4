#!/usr/bin/env bash
# Runs a cross tree's conformance_run.exe under Wine on the scenarios in
# DATA_DIR, with the tree's quelm.bmp in reach.
#
# Usage: run_conformance.sh win32|win64 BIN_DIR DATA_DIR WORK_DIR
set -uo pipefail
if [ $# -ne 4 ]; then
  echo "usage: $0 win32|win64 BIN_DIR DATA_DIR WORK_DIR" >&2
  exit 2
fi
. "$(dirname "$0")/wine.sh" "$1" "$4"
QUELM_DATA="$2" timeout 900 wine "$2/conformance_run.exe" "$3"
