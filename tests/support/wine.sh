#!/usr/bin/env bash
# Runs Windows test programs of either bitness under Wine, without a display unless one is named.
#   wine.sh make <template>             makes a fresh prefix (wineboot -i) once per test run
#   wine.sh run <template> <program> [arguments...]
#                                       runs the program in a copy of it, then removes the copy;
#                                       the program's exit code is the script's
#   wine.sh run-on <xserver folder> <template> <program> [arguments...]
#                                       the same on the X server tests/support/xserver.sh started
# With KESTREL_TEST_DPI set, the copy's desktop has that resolution (LogPixels, as the display
# settings write it) before the program starts.
set -euo pipefail
# Debian's wine picks the 32-bit loader, which hands a 64-bit program to wine64; wine64 alone
# would end an i686 program at once with exit code 0.
loader=/usr/bin/wine
server=/usr/lib/wine/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
unset DISPLAY WAYLAND_DISPLAY

if [ "$1" = run-on ]; then
  DISPLAY=$(cat "$2/display")
  export DISPLAY
  shift 2
  set -- run "$@"
fi

case "$1" in
  make)
    template=$2
    rm -rf "$template"
    # Booted with both loaders present, so it has the 32-bit system beside the 64-bit one.
    WINEPREFIX=$template "$loader" wineboot -i >/dev/null 2>&1
    WINEPREFIX=$template "$server" -w
    # Debian's Wine does not look for its own fonts: without Tahoma the system's dialogs and
    # menus have no font of their own.
    cp /usr/share/wine/fonts/*.ttf "$template/drive_c/windows/Fonts/"
    test -f "$template/system.reg"
    ;;
  run)
    template=$2
    program=$3
    shift 3
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-wine-XXXXXX")
    cleanup() {
      WINEPREFIX=$prefix "$server" -k 2>/dev/null || true
      rm -rf "$prefix"
    }
    trap cleanup EXIT
    cp -a "$template/." "$prefix/"
    if [ -n "${KESTREL_TEST_DPI:-}" ]; then
      WINEPREFIX=$prefix "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
        /t REG_DWORD /d "$KESTREL_TEST_DPI" /f >/dev/null 2>&1
    fi
    status=0
    WINEPREFIX=$prefix "$loader" "$program" "$@" || status=$?
    exit $status
    ;;
  *)
    echo "usage: $0 make <template> | run <template> <program> [arguments...]" >&2
    exit 2
    ;;
esac
