# Helpers for driver scripts run by desktop-drive.sh (DISPLAY, XAUTHORITY and
# WINEPREFIX are set). Positions are in Wine desktop coordinates, the ones a
# Windows program sees; the helpers add where the desktop sits on the X screen.
# Sourcing this installs an EXIT trap that ends a program still running.

desktop_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Sets DESKTOP_WINDOW (X window id) and DESKTOP_X, DESKTOP_Y, DESKTOP_WIDTH,
# DESKTOP_HEIGHT (its place on the X screen).
desktop_find() {
  local ids key value
  ids=$(xdotool search --name '^Default - Wine desktop$' 2>/dev/null) ||
    desktop_fail "no Wine desktop window on $DISPLAY"
  [ "$(wc -l <<<"$ids")" -eq 1 ] || desktop_fail "more than one Wine desktop window on $DISPLAY: $ids"
  DESKTOP_WINDOW=$ids
  while IFS='=' read -r key value; do
    case $key in
      X) DESKTOP_X=$value ;;
      Y) DESKTOP_Y=$value ;;
      WIDTH) DESKTOP_WIDTH=$value ;;
      HEIGHT) DESKTOP_HEIGHT=$value ;;
    esac
  done < <(xdotool getwindowgeometry --shell "$DESKTOP_WINDOW")
  [ -n "${DESKTOP_X:-}" ] && [ -n "${DESKTOP_HEIGHT:-}" ] || desktop_fail "no geometry for X window $DESKTOP_WINDOW"
}

# desktop_screenshot <file.png>: the whole X screen.
desktop_screenshot() {
  xwd -root -silent | convert xwd:- "png:$1" || desktop_fail "screenshot of $DISPLAY failed"
}

# desktop_pixels <file.png> <x> <y> [<x> <y>...]: prints the colour (RRGGBB)
# at each desktop position, one a line. Needs desktop_find first.
desktop_pixels() {
  local png=$1 format=
  shift
  while [ $# -ge 2 ]; do
    format+="%[hex:p{$((DESKTOP_X + $1)),$((DESKTOP_Y + $2))}]\n"
    shift 2
  done
  convert "$png" -format "$format" info: | cut -c1-6 || desktop_fail "cannot read pixels of $png"
}

# desktop_click <x> <y> [button]: moves the X pointer there and clicks. The
# server handles the move before the click, so no --sync (which waits out a
# long timeout when the pointer is already there).
desktop_click() {
  xdotool mousemove $((DESKTOP_X + $1)) $((DESKTOP_Y + $2)) click "${3:-1}" ||
    desktop_fail "xdotool could not click at $1,$2"
}

# desktop_start <log> <program> [args...]: runs a Windows program in the
# background, its output into <log> (never the caller's pipe: Wine's helpers
# inherit it). Sets DESKTOP_PID.
desktop_start() {
  local log=$1
  shift
  DESKTOP_PROGRAM=$(basename "$1")
  wine "$@" </dev/null >"$log" 2>&1 &
  DESKTOP_PID=$!
}

desktop_running() {
  [ -n "${DESKTOP_PID:-}" ] && kill -0 "$DESKTOP_PID" 2>/dev/null
}

# desktop_wait_output <log> <regex> <seconds>: prints the first line of the
# program's output matching <regex>; fails if the program ends or the time
# runs out first.
desktop_wait_output() {
  local log=$1 pattern=$2 deadline=$((SECONDS + $3)) line
  while [ $SECONDS -lt $deadline ]; do
    if line=$(grep -m1 -E "$pattern" "$log" 2>/dev/null); then
      echo "$line"
      return 0
    fi
    desktop_running || break
    sleep 0.1
  done
  # It may have printed the line just before ending.
  grep -m1 -E "$pattern" "$log" 2>/dev/null
}

# desktop_wait_exit <seconds>: waits for the program; sets DESKTOP_STATUS.
# Fails if the program is still running after <seconds>.
desktop_wait_exit() {
  local deadline=$((SECONDS + $1))
  while desktop_running && [ $SECONDS -lt $deadline ]; do
    sleep 0.1
  done
  desktop_running && return 1
  DESKTOP_STATUS=0
  wait "$DESKTOP_PID" || DESKTOP_STATUS=$?
  DESKTOP_PID=
}

# Ends a program the driver left running, so the next test gets a clean
# desktop. The wine process started is only a launcher (start.exe): the
# program itself is ended by its name, inside this prefix only.
desktop_stop_program() {
  if desktop_running; then
    wine taskkill /f /im "$DESKTOP_PROGRAM" </dev/null >/dev/null 2>&1 || true
    kill "$DESKTOP_PID" 2>/dev/null || true
    wait "$DESKTOP_PID" 2>/dev/null || true
    DESKTOP_PID=
  fi
}
trap desktop_stop_program EXIT
