# Sourced by the desktop test scripts. The run's X display (an Xvfb started
# by desktop-control.sh) and the Wine desktop on it are described by files in
# <state-dir>/desktop:
#   display      the DISPLAY value; written last, once the Wine desktop is up
#   Xauthority   the cookie clients of the display need
#   xvfb.pid     the X server
#   watch.pid    the watchdog that ends the desktop with the test run
#   *.log        output of the background processes
#   desktop_attach <state-dir>
# After it, DISPLAY, XAUTHORITY and WINEPREFIX point at the run's desktop.

desktop_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$desktop_here/wine-env.sh"

# The state dir's desktop folder, as an absolute path: programs on the
# desktop run in other directories.
desktop_dir() {
  mkdir -p "$1/desktop" && (cd "$1/desktop" && pwd)
}

desktop_attach() {
  local state_dir=$1 dir
  dir=$(desktop_dir "$state_dir")
  if [ ! -s "$dir/display" ]; then
    echo "no test desktop in $dir: run the desktop.start test first" >&2
    return 1
  fi
  DISPLAY=$(cat "$dir/display")
  export DISPLAY XAUTHORITY="$dir/Xauthority"
  wine_use "$state_dir" desktop
}

# True when <pid> is a process named <name> (not a recycled pid).
desktop_is_process() {
  [ -n "$1" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]
}
