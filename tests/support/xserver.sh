#!/usr/bin/env bash
# Starts or stops the X server the GUI tests run on: a private Xvfb, bare or managed by openbox;
# or, for the tests of desktops with two monitors, Xorg's dummy driver with two monitors side by
# side (Xvfb cannot place monitors), managed by openbox.
#   xserver.sh start bare|wm|dual <folder>   leaves the display name in <folder>/display, or,
#                                           when the dual server cannot run here, the reason in
#                                           <folder>/unavailable (the tests then skip with it)
#   xserver.sh stop  bare|wm|dual <folder>
set -euo pipefail

action=${1:?start or stop}
mode=${2:?bare, wm or dual}
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
  stop_pid "$folder/xorg.pid"
  rm -f "$folder/display" "$folder/unavailable"
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

start_openbox() {
  local top_margin=$1
  cat >"$folder/openbox-rc.xml" <<RC
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <margins><top>$top_margin</top><bottom>0</bottom><left>0</left><right>0</right></margins>
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
}

start_xvfb() {
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
}

# The dual server cannot run everywhere (Xorg only takes a configuration file from root): say
# why, and let the tests that need it skip with that reason.
unavailable() {
  stop
  mkdir -p "$folder"
  echo "$*" >"$folder/unavailable"
  echo "two-monitor X server unavailable: $*" >&2
  exit 0
}

monitors_reported() { DISPLAY=$display xrandr --listmonitors 2>/dev/null | grep -q '^Monitors: 2'; }

# Two 1024×768 monitors side by side on a 2048×768 screen; the right one is the primary.
start_dual() {
  local xorg=/usr/lib/xorg/Xorg
  [ -x "$xorg" ] || xorg=$(command -v Xorg || true)
  if [ -z "$xorg" ] || [ ! -e /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
    unavailable "Xorg's dummy driver is not installed (tools/setup-debian.sh installs" \
      "xserver-xorg-video-dummy)"
  fi
  command -v xrandr >/dev/null || unavailable "xrandr is missing (package x11-xserver-utils)"
  [ "$(id -u)" = 0 ] || unavailable "Xorg takes a configuration file only when run as root"
  mkdir -p "$folder/xorg.conf.d"
  cat >"$folder/xorg.conf" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1024x768"
    Virtual 2048 768
  EndSubSection
EndSection
CONF
  setsid "$xorg" -displayfd 3 -config "$folder/xorg.conf" -configdir "$folder/xorg.conf.d" \
    -logfile "$folder/xorg.log" -nolisten tcp -noreset -sharevts -novtswitch +extension XTEST \
    3>"$folder/displayfd" </dev/null >"$folder/xorg.out" 2>&1 &
  echo $! >"$folder/xorg.pid"
  wait_for display_number_written || unavailable "Xorg did not start; see $folder/xorg.log"
  display=":$(head -n1 "$folder/displayfd" | tr -d '[:space:]')"
  wait_for server_answers || unavailable "Xorg on $display does not answer; see $folder/xorg.log"
  local output
  output=$(DISPLAY=$display xrandr --query | awk '/ connected/ { print $1; exit }')
  DISPLAY=$display xrandr --fb 2048x768
  DISPLAY=$display xrandr --setmonitor left 1024/270x768/203+0+0 "${output:-none}" >/dev/null
  DISPLAY=$display xrandr --setmonitor '*right' 1024/270x768/203+1024+0 none >/dev/null
  if ! wait_for monitors_reported; then
    echo "Xorg on $display does not report two monitors" >&2
    stop
    exit 1
  fi
}

start() {
  stop
  mkdir -p "$folder"
  : >"$folder/displayfd"
  case "$mode" in
    bare) start_xvfb ;;
    wm) start_xvfb; start_openbox 0 ;;
    # A panel along the top, as desktops have: the work area is not the whole screen.
    dual) start_dual; start_openbox 24 ;;
    *) echo "unknown mode $mode" >&2; exit 2 ;;
  esac
  echo "$display" >"$folder/display"
  echo "X server $display ($mode) ready"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) echo "unknown action $action" >&2; exit 2 ;;
esac
