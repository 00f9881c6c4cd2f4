# Sourced by the scripts that run Windows programs of a cross tree under Wine:
#   . wine.sh win32|win64 WORK_DIR
# Exits 77 (skipped), saying why, when Wine cannot run this kind of program;
# QUELM_WINE32_UNAVAILABLE, when set, says why the 32-bit Wine is missing.
# Otherwise sets up a fresh prefix under WORK_DIR that never waits on the
# Mono or Gecko installers, and ends its server on exit.
skip() {
  echo "SKIPPED: $*"
  exit 77
}
command -v wine >/dev/null || skip "Wine is not installed (scripts/setup-debian.sh --ci installs it)"
if [ "$1" = win32 ] && [ ! -x /usr/lib/wine/wine ]; then
  skip "the 32-bit Wine (wine32:i386) is not installed: ${QUELM_WINE32_UNAVAILABLE:-tests/win32/install_wine32.sh installs it}"
fi
mkdir -p "$2"
export WINEPREFIX="$2/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1' EXIT
