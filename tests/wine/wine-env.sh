# Sourced by the test scripts: a private Wine prefix per mode inside the build
# tree, made on first use, served by one persistent wineserver.
#   wine_use <state-dir> headless|desktop
# After it, WINEPREFIX is set and the prefix is ready.

wine_use() {
  local state_dir=$1 mode=$2
  mkdir -p "$state_dir"
  state_dir=$(cd "$state_dir" && pwd)
  export WINEPREFIX="$state_dir/prefix-$mode"
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko installers: the tests need neither.
  export WINEDLLOVERRIDES="mscoree=;mshtml="
  export WINEARCH=win64
  if [ "$mode" = headless ]; then
    unset DISPLAY
  fi
  if [ ! -f "$WINEPREFIX/.ready" ]; then
    (
      flock 9
      if [ ! -f "$WINEPREFIX/.ready" ]; then
        rm -rf "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || { echo "wineboot failed for $WINEPREFIX" >&2; exit 1; }
        if [ "$mode" = headless ]; then
          wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
        else
          # Every program runs inside one virtual desktop with a taskbar.
          wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
          wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
          # Wine shows the taskbar only on a desktop named "shell" unless told.
          wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
        fi
        wineserver -w
        touch "$WINEPREFIX/.ready"
      fi
    ) 9>"$state_dir/prefix-$mode.lock" || return 1
  fi
  # One persistent server for the run keeps every test start fast; asking
  # for it again is harmless.
  wineserver -p >/dev/null 2>&1 || true
}

wine_stop() {
  local state_dir=$1 mode
  for mode in headless desktop; do
    if [ -d "$state_dir/prefix-$mode" ]; then
      WINEPREFIX="$state_dir/prefix-$mode" wineserver -k >/dev/null 2>&1 || true
    fi
  done
}

# Runs a Windows program under the prepared prefix and exits with its status.
# Wine's helper processes outlive the program and inherit its output; a file
# keeps them from holding the caller's pipe open.
wine_exec_captured() {
  local out status
  out=$(mktemp)
  set +e
  wine "$@" >"$out" 2>&1 </dev/null
  status=$?
  set -e
  cat "$out"
  rm -f "$out"
  exit $status
}
