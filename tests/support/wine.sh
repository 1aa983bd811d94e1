#!/usr/bin/env bash
# Runs Windows test programs under wine64 without a display.
#   wine.sh make <template>             makes a fresh prefix (wineboot -i) once per test run
#   wine.sh run <template> <program> [arguments...]
#                                       runs the program in a copy of it, then removes the copy;
#                                       the program's exit code is the script's
set -euo pipefail
loader=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
unset DISPLAY WAYLAND_DISPLAY

case "$1" in
  make)
    template=$2
    rm -rf "$template"
    WINEPREFIX=$template "$loader" wineboot -i >/dev/null 2>&1
    WINEPREFIX=$template "$server" -w
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
    status=0
    WINEPREFIX=$prefix "$loader" "$program" "$@" || status=$?
    exit $status
    ;;
  *)
    echo "usage: $0 make <template> | run <template> <program> [arguments...]" >&2
    exit 2
    ;;
esac
