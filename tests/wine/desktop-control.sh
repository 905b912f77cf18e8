#!/usr/bin/env bash
# desktop-control.sh start <state-dir> <keeper.exe> | stop <state-dir>
# start: an Xvfb on a free display, the desktop prefix on it and its Wine
# desktop, kept up by <keeper.exe> until stop. A watchdog ends it all when the
# process that ran start (the CTest run) goes away without calling stop.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop-env.sh"

desktop_name='Default - Wine desktop'

alive() {
  local pid=$1 name=$2 state
  desktop_is_process "$pid" "$name" || return 1
  state=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -c1)
  [ -n "$state" ] && [ "$state" != Z ]
}

# Ends whatever desktop this state dir has running, leftovers of an aborted
# run included.
teardown() {
  local state_dir=$1 dir pid i
  dir=$(desktop_dir "$state_dir")
  state_dir=${dir%/desktop}
  rm -f "$dir/display"
  pid=$(cat "$dir/watch.pid" 2>/dev/null || true)
  if [ "$pid" != "$BASHPID" ] && alive "$pid" bash; then
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/watch.pid"
  # Wine first, so its programs do not see the display vanish under them.
  if [ -d "$state_dir/prefix-desktop" ] && wine_tools "$state_dir"; then
    WINEPREFIX="$state_dir/prefix-desktop" wineserver -k >/dev/null 2>&1 || true
  fi
  pid=$(cat "$dir/xvfb.pid" 2>/dev/null || true)
  if alive "$pid" Xvfb; then
    kill "$pid" 2>/dev/null || true
    for i in $(seq 50); do
      alive "$pid" Xvfb || break
      sleep 0.1
    done
    if alive "$pid" Xvfb; then kill -KILL "$pid" 2>/dev/null || true; fi
  fi
  rm -f "$dir/xvfb.pid"
}

watch() {
  local state_dir=$1 owner=$2 xvfb=$3 nap=
  trap '' INT HUP
  # Stopped by teardown: leave no sleep behind.
  trap 'kill $nap 2>/dev/null; exit 0' TERM
  while kill -0 "$owner" 2>/dev/null && alive "$xvfb" Xvfb; do
    sleep 2 &
    nap=$!
    wait "$nap" || true
  done
  teardown "$state_dir"
}

start() {
  local state_dir=$1 keeper=$2 dir tool cookie xvfb_pid keeper_pid number= i
  dir=$(desktop_dir "$state_dir")
  state_dir=${dir%/desktop}
  for tool in Xvfb xauth xdotool xwd convert; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; return 1; }
  done
  [ -f "$keeper" ] || { echo "no desktop keeper at $keeper" >&2; return 1; }
  teardown "$state_dir"

  # Xvfb picks a free display itself, so build trees testing at the same
  # time cannot collide. Its output goes to a file, never to CTest's pipe.
  # Only clients with this run's cookie get in; the server takes the cookie
  # whatever display the entry names, the clients look it up by display.
  rm -f "$dir/xvfb.display"
  (umask 077 && : >"$dir/Xauthority")
  cookie=$(od -An -tx1 -N16 /dev/urandom | tr -d ' \n')
  xauth -q -f "$dir/Xauthority" add :0 . "$cookie"
  Xvfb -displayfd 3 -auth "$dir/Xauthority" -screen 0 1280x1024x24 -nolisten tcp \
    3>"$dir/xvfb.display" </dev/null >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  echo "$xvfb_pid" >"$dir/xvfb.pid"
  for i in $(seq 100); do
    if grep -q '^[0-9][0-9]*$' "$dir/xvfb.display" 2>/dev/null; then
      number=$(cat "$dir/xvfb.display")
      break
    fi
    alive "$xvfb_pid" Xvfb || break
    sleep 0.1
  done
  if [ -z "$number" ]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    teardown "$state_dir"
    return 1
  fi

  (watch "$state_dir" "$PPID" "$xvfb_pid") </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/watch.pid"

  xauth -q -f "$dir/Xauthority" add ":$number" . "$cookie"
  export DISPLAY=":$number" XAUTHORITY="$dir/Xauthority"
  wine_use "$state_dir" desktop || { teardown "$state_dir"; return 1; }
  # Wine's helpers inherit the keeper's output: a file, not CTest's pipe.
  wine "$keeper" </dev/null >"$dir/keeper.log" 2>&1 &
  keeper_pid=$!

  # Up when the keeper sees the taskbar and the desktop's X window is there.
  # Generous: a loaded machine brings a new desktop up slowly.
  for i in $(seq 900); do
    if grep -q '^ready' "$dir/keeper.log" 2>/dev/null &&
       xdotool search --name "^$desktop_name\$" >/dev/null 2>&1; then
      echo "$DISPLAY" >"$dir/display.new"
      mv "$dir/display.new" "$dir/display"
      echo "test desktop on DISPLAY=$DISPLAY (Xvfb $xvfb_pid), prefix $WINEPREFIX"
      return 0
    fi
    kill -0 "$keeper_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the Wine desktop did not come up on $DISPLAY:" >&2
  cat "$dir/keeper.log" >&2
  teardown "$state_dir"
  return 1
}

case "${1:-}:$#" in
  start:3) start "$2" "$3" ;;
  stop:2) teardown "$2" ;;
  *) echo "usage: $0 start <state-dir> <keeper.exe> | stop <state-dir>" >&2; exit 2 ;;
esac
