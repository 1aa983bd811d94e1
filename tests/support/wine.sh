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

# The system folders are nine tenths of a prefix (1.2 of 1.3 GB) and only ever read: a copy
# links their files where it can, so a run of the tests does not need a gigabyte per program
# (nor leave one behind when a timeout kills the script before its clean-up). Everything else,
# the registry above all, is copied.
copy_prefix() {
  local from=$1 to=$2 system=drive_c/windows/system32 wow=drive_c/windows/syswow64
  tar -C "$from" --exclude="./$system" --exclude="./$wow" -cf - . | tar -C "$to" -xf -
  local how=-a
  if ln "$from/system.reg" "$to/.link-probe" 2>/dev/null; then
    rm "$to/.link-probe"
    how=-al
  fi
  cp "$how" "$from/$system" "$from/$wow" "$to/drive_c/windows/"
}

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
    copy_prefix "$template" "$prefix"
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
