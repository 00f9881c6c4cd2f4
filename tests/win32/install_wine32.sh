#!/usr/bin/env bash
# Installs the 32-bit Wine (wine32:i386) that runs the 32-bit test host, as
# root on Debian.  Exits 0 once it is installed; otherwise prints why it
# cannot be on this machine's package indexes, exits 1, and leaves no i386
# architecture behind (its broken index would make every apt-get update
# fail).  Never lets apt remove a package to make room.
set -uo pipefail
export DEBIAN_FRONTEND=noninteractive

if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
  exit 0
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
had_i386=0
dpkg --print-foreign-architectures | grep -qx i386 && had_i386=1

give_up() {
  echo "$1"
  if [ "$had_i386" -eq 0 ]; then
    dpkg --remove-architecture i386 >/dev/null 2>&1 && apt-get update -q >/dev/null 2>&1
  fi
  exit 1
}

dpkg --add-architecture i386 || give_up "dpkg cannot add the i386 architecture"
# A failed index is reported but not fatal: the packages may still resolve.
apt-get update -q >"$log" 2>&1
index_errors=$(grep -E '^E: Failed to fetch' "$log" | sed 's/^E: Failed to fetch //' | head -2 | tr '\n' ' ')

if ! apt-get install -s -q --no-install-recommends wine32:i386 >"$log" 2>&1; then
  unmet=$(grep -oE '[A-Za-z0-9.+-]+:i386 \(' "$log" | sed 's/ (//' | sort -u | head -4 | tr '\n' ' ')
  give_up "wine32:i386 cannot be installed from this machine's package indexes${index_errors:+; index not fetched: $index_errors}${unmet:+; unresolvable: $unmet}"
fi
if grep -q '^Remv ' "$log"; then
  give_up "installing wine32:i386 would remove packages: $(grep '^Remv ' "$log" | head -3 | tr '\n' ' ')"
fi
apt-get install -y -q --no-install-recommends wine32:i386 >"$log" 2>&1 ||
  give_up "apt-get install wine32:i386 failed: $(tail -2 "$log" | tr '\n' ' ')"
