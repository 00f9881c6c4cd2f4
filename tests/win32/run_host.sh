#!/usr/bin/env bash
# Runs the Win32 test host under Wine: every check of quelmhost.exe with the
# DLLs in its folder, the byte-for-byte comparison of its frames with those
# of the native library, and the dialog calls of a copy of the library under
# another file name, which must return -1.
#
# Usage: run_host.sh win32|win64 BIN_DIR NATIVE_FRAMES_DIR WORK_DIR
# BIN_DIR holds QUELM.DLL, GRESK32.DLL, TOLVAN32.DLL, quelmhost.exe and
# quelm.bmp.  Exits 77 (skipped) when Wine cannot run this kind of program
# (wine.sh).
set -uo pipefail
if [ $# -ne 4 ]; then
  echo "usage: $0 win32|win64 BIN_DIR NATIVE_FRAMES_DIR WORK_DIR" >&2
  exit 2
fi
arch=$1 bin=$2 native=$3 work=$4

. "$(dirname "$0")/wine.sh" "$arch" "$work"
if [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || skip "no DISPLAY and no xvfb-run for the dialogs"
  exec xvfb-run -a "$0" "$@"
fi

for file in QUELM.DLL GRESK32.DLL TOLVAN32.DLL quelmhost.exe; do
  [ -f "$bin/$file" ] || { echo "FAIL: $bin/$file is missing"; exit 1; }
done
if ! ls "$native"/*.dib >/dev/null 2>&1; then
  echo "FAIL: no native frames in $native"
  exit 1
fi

rm -rf "$work"
mkdir -p "$work/app" "$work/renamed"

cp "$bin/QUELM.DLL" "$bin/GRESK32.DLL" "$bin/TOLVAN32.DLL" "$bin/quelmhost.exe" "$work/app/"
[ -f "$bin/quelm.bmp" ] && cp "$bin/quelm.bmp" "$work/app/"
failed=0

echo "== quelmhost.exe ($arch)"
(cd "$work/app" && timeout 600 wine quelmhost.exe frames) || failed=1

echo "== frames: $arch against the native library"
compared=0
for expected in "$native"/*.dib; do
  name=$(basename "$expected")
  if [ ! -f "$work/app/frames/$name" ]; then
    echo "FAIL: $name: not written under Wine"
    failed=1
  elif ! cmp -s "$expected" "$work/app/frames/$name"; then
    echo "FAIL: $name: differs from the native frame ($(cmp "$expected" "$work/app/frames/$name" | head -1))"
    failed=1
  fi
  compared=$((compared + 1))
done
for actual in "$work/app/frames"/*.dib; do
  [ -f "$native/$(basename "$actual")" ] || { echo "FAIL: $(basename "$actual"): no native frame"; failed=1; }
done
echo "$compared frames compared"

echo "== the library as QLMCOPY.DLL, with no QUELM.DLL in reach"
cp "$bin/QUELM.DLL" "$work/renamed/QLMCOPY.DLL"
cp "$bin/GRESK32.DLL" "$bin/TOLVAN32.DLL" "$bin/quelmhost.exe" "$work/renamed/"
(cd "$work/renamed" && timeout 300 wine quelmhost.exe --renamed QLMCOPY.DLL) || failed=1

if [ "$failed" -ne 0 ]; then
  echo "run_host: $arch FAILED"
  exit 1
fi
echo "run_host: $arch passed"
