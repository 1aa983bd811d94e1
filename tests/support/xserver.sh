#!/usr/bin/env bash
# Starts or stops the X server the GUI tests run on: a private Xvfb, bare or managed by openbox.
#   xserver.sh start bare|wm <folder>   leaves the display name in <folder>/display
#   xserver.sh stop  bare|wm <folder>
set -euo pipefail

action=${1:?start or stop}
mode=${2:?bare or wm}
folder=${3:?folder for the display name and process ids}

stop_pid() {
  local file=$1
  [ -f "$file" ] || return 0
  local pid
  pid=$(cat "$file")
  rm -f "$file"
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || return 0
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
}

stop() {
  stop_pid "$folder/wm.pid"
  stop_pid "$folder/xvfb.pid"
  rm -f "$folder/display"
}

# Polls a condition for up to ten seconds.
wait_for() {
  for _ in $(seq 100); do
    if "$@"; then
      return 0
    fi
    sleep 0.1
  done
  return 1
}

display_number_written() { [ -s "$folder/displayfd" ] && grep -q . "$folder/displayfd"; }
server_answers() { DISPLAY=$display xdpyinfo >/dev/null 2>&1; }
wm_manages() {
  DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

start() {
  stop
  mkdir -p "$folder"
  : >"$folder/displayfd"
  # -displayfd picks a free display and writes its number once the server accepts clients.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 +extension XTEST -nolisten tcp -noreset \
    3>"$folder/displayfd" </dev/null >"$folder/xvfb.log" 2>&1 &
  echo $! >"$folder/xvfb.pid"
  if ! wait_for display_number_written; then
    echo "Xvfb did not start; see $folder/xvfb.log" >&2
    stop
    exit 1
  fi
  display=":$(head -n1 "$folder/displayfd" | tr -d '[:space:]')"
  if ! wait_for server_answers; then
    echo "Xvfb on $display does not answer" >&2
    stop
    exit 1
  fi
  if [ "$mode" = wm ]; then
    cat >"$folder/openbox-rc.xml" <<'RC'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <!-- Only the binding every desktop has: a press in a window focuses and raises it, through a
       passive grab on the client. openbox's full default set also waits for its own double
       clicks on every press, which eats the quick presses of the tests. -->
  <mouse>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
  </mouse>
  <keyboard></keyboard>
</openbox_config>
RC
    DISPLAY=$display setsid openbox --sm-disable --config-file "$folder/openbox-rc.xml" \
      </dev/null >"$folder/openbox.log" 2>&1 &
    echo $! >"$folder/wm.pid"
    if ! wait_for wm_manages; then
      echo "openbox does not manage $display; see $folder/openbox.log" >&2
      stop
      exit 1
    fi
  fi
  echo "$display" >"$folder/display"
  echo "X server $display ($mode) ready"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) echo "unknown action $action" >&2; exit 2 ;;
esac
