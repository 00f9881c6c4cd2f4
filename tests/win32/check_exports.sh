#!/usr/bin/env bash
# Checks the export and import tables of the built Windows DLLs against
# resources/exports.txt, reading them with objdump -p.
#
# Usage: check_exports.sh OBJDUMP EXPORTS_TABLE DLL_DIR
#
# QUELM.DLL, GRESK32.DLL and TOLVAN32.DLL each export exactly their rows of
# the table, by name at the row's ordinal, under their module name.
# QUELM.DLL imports the rasteriser and the bitmap loader by ordinal only, and
# no DLL imports anything but Windows' own DLLs and each other (no runtime
# DLLs of the compiler).
set -uo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 OBJDUMP EXPORTS_TABLE DLL_DIR" >&2
  exit 2
fi
objdump=$1 table=$2 dir=$3
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# "ordinal name" lines of a module's rows in the table, sorted.
expected_exports() {
  awk -v m="$1" '$1 == m { print $2, $3 }' "$table" | sort
}

# "ordinal name" lines of what the DLL exports, sorted; an export without a
# name shows as "ordinal -".  The module name goes to stderr as "NAME x".
actual_exports() {
  "$objdump" -p "$1" | awk '
    /^Name[ \t]/ && !name_seen { name_seen = 1; print "NAME " $3 > "/dev/stderr" }
    /^Ordinal Base/ { base = $3 }
    /^Export Address Table --/ { section = "addr"; next }
    /^\[Ordinal\/Name Pointer\] Table/ { section = "names"; next }
    /^$/ { section = "" }
    section == "addr" && /Export RVA/ {
      # [   0] +base[ 100] 14b0 Export RVA
      line = $0; sub(/.*\+base\[ */, "", line); sub(/\].*/, "", line)
      addr[line + 0] = 1
    }
    section == "names" && /^[ \t]*\[/ {
      line = $0; sub(/^[ \t]*\[ */, "", line)
      idx = line; sub(/\].*/, "", idx)
      nm = line; sub(/^[^\]]*\] */, "", nm)
      named[idx + base] = nm
    }
    END {
      for (o in addr) print o, ((o in named) ? named[o] : "-")
      for (o in named) if (!(o in addr)) print o, named[o] " (no address)"
    }' | sort
}

# Import lines "DLL kind value": kind "name" (value: the function) or
# "ordinal" (value: the ordinal).
imports() {
  "$objdump" -p "$1" | awk '
    # An import by ordinal has the high bit of its thunk set and the ordinal
    # in the low 16 bits (the ordinal column is printed in hex on 64-bit).
    function ordinal(thunk,    digits, i, value) {
      digits = substr(thunk, length(thunk) - 3)
      value = 0
      for (i = 1; i <= 4; i++) value = value * 16 + index("0123456789abcdef", tolower(substr(digits, i, 1))) - 1
      return value
    }
    /^[ \t]*DLL Name:/ { dll = toupper($3); inlist = 0; next }
    dll != "" && /vma:[ \t]*Hint\/Ord/ { inlist = 1; next }
    inlist && /^[ \t]*$/ { inlist = 0; dll = ""; next }
    inlist {
      if ($3 == "<none>") print dll, "ordinal", ordinal($1)
      else print dll, "name", $3
    }'
}

check_exports() {
  local module=$1 dll=$dir/$1.DLL
  if [ ! -f "$dll" ]; then
    fail "$module.DLL: not found in $dir"
    return
  fi
  local errfile actual expected
  errfile=$(mktemp)
  actual=$(actual_exports "$dll" 2>"$errfile")
  expected=$(expected_exports "$module")
  local modname
  modname=$(awk '$1 == "NAME" { print $2 }' "$errfile")
  rm -f "$errfile"
  [ "$modname" = "$module.DLL" ] || fail "$module.DLL: module name is '$modname', expected '$module.DLL'"
  if [ -z "$expected" ]; then
    fail "$module: no rows in $table"
    return
  fi
  local extra missing
  extra=$(comm -13 <(echo "$expected") <(echo "$actual"))
  missing=$(comm -23 <(echo "$expected") <(echo "$actual"))
  while read -r line; do
    [ -n "$line" ] && fail "$module.DLL: unexpected export: ordinal ${line/ / name }"
  done <<<"$extra"
  while read -r line; do
    [ -n "$line" ] && fail "$module.DLL: missing export: ordinal ${line/ / name }"
  done <<<"$missing"
  echo "$module.DLL: $(echo "$actual" | grep -c .) exports checked"
}

# The DLLs a module may import from: Windows' own and the project's.
allowed_dll() {
  case $1 in
    KERNEL32.DLL | USER32.DLL | GDI32.DLL | MSVCRT.DLL | GRESK32.DLL | TOLVAN32.DLL) return 0 ;;
    *) return 1 ;;
  esac
}

check_imports() {
  local module=$1 dll=$dir/$1.DLL
  [ -f "$dll" ] || return
  local list
  list=$(imports "$dll")
  local d
  for d in $(echo "$list" | awk '{ print $1 }' | sort -u); do
    allowed_dll "$d" || fail "$module.DLL: imports from $d"
  done
  local by_ordinal
  by_ordinal=$(echo "$list" | awk '$2 == "ordinal" && $1 !~ /^(GRESK32|TOLVAN32)\.DLL$/ { print $1 "#" $3 }')
  [ -z "$by_ordinal" ] || fail "$module.DLL: unexpected imports by ordinal: $(echo $by_ordinal)"
  echo "$module.DLL: imports from $(echo "$list" | awk '{ print $1 }' | sort -u | tr '\n' ' ')"
}

# What QUELM.DLL must import: the rasteriser and the bitmap loader by
# ordinal, and the Windows calls the library is built on.
check_quelm_imports() {
  local dll=$dir/QUELM.DLL
  [ -f "$dll" ] || return
  local list
  list=$(imports "$dll")
  local module want got
  for module in GRESK32 TOLVAN32; do
    want=$(awk -v m="$module" '$1 == m { print "ordinal", $2 }' "$table" | sort)
    got=$(echo "$list" | awk -v d="$module.DLL" '$1 == d { print $2, $3 }' | sort)
    [ "$got" = "$want" ] ||
      fail "QUELM.DLL: imports from $module.DLL are [$(echo $got)], expected [$(echo $want)]"
  done
  local needed call
  needed="KERNEL32.DLL:GlobalAlloc KERNEL32.DLL:GlobalLock KERNEL32.DLL:GlobalHandle
    KERNEL32.DLL:GlobalUnlock KERNEL32.DLL:GlobalFree KERNEL32.DLL:LoadLibraryA
    KERNEL32.DLL:FreeLibrary USER32.DLL:DialogBoxParamA USER32.DLL:EndDialog
    USER32.DLL:GetDlgItem USER32.DLL:GetWindowLongA USER32.DLL:SetScrollRange
    USER32.DLL:SetScrollPos USER32.DLL:SetWindowTextA USER32.DLL:wsprintfA
    USER32.DLL:PostMessageA GDI32.DLL:GetStockObject GDI32.DLL:GetObjectA
    GDI32.DLL:CreateFontIndirectA GDI32.DLL:SelectObject"
  for call in $needed; do
    echo "$list" | grep -qx "${call%%:*} name ${call#*:}" ||
      fail "QUELM.DLL: does not import ${call#*:} from ${call%%:*}"
  done
}

for module in QUELM GRESK32 TOLVAN32; do
  check_exports "$module"
  check_imports "$module"
done
check_quelm_imports

if [ "$failures" -ne 0 ]; then
  echo "check_exports: $failures problem(s) in $dir"
  exit 1
fi
echo "check_exports: all export and import tables match $table"
