# Sourced by the test scripts: a private Wine prefix per mode inside the build
# tree, made on first use, served by one persistent wineserver.
#   wine_use <state-dir> headless|desktop
# After it, WINEPREFIX is set and the prefix is ready.
#
# Which loader runs a build's programs comes from <state-dir>/arch (x64 or
# x86, written by CMake). 64-bit programs go straight to Wine's 64-bit
# loader: Debian's `wine`, `wineboot`, `winepath` and `wine reg` start the
# 32-bit loader first, and some kernels refuse 32-bit programs altogether.
# Every `wine`, `wineboot`, `winepath` and `wineserver` that a script or test
# driver calls after wine_tools or wine_use is the one for its build (shims
# on PATH).

# Wine's own loaders and server; Debian keeps them off the PATH.
wine_loader64() {
  local path
  path=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wine64$') || true
  echo "${path:-/usr/lib/wine/wine64}"
}
wine_loader32() {
  local path
  path=$(dpkg -L wine32 2>/dev/null | grep -m1 '/wine/wine$') || true
  echo "${path:-/usr/lib/wine/wine}"
}
wine_server64() {
  local path
  path=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wineserver64$') || true
  echo "${path:-/usr/lib/wine/wineserver64}"
}

# True when this machine starts 32-bit programs: asks the 32-bit loader
# itself, since kernels may refuse them ("Exec format error").
wine_runs_32bit() {
  local loader version
  loader=$(wine_loader32)
  [ -x "$loader" ] || return 1
  version=$("$loader" --version 2>/dev/null) || return 1
  [[ $version == wine-* ]]
}

# Why wine_runs_32bit is false, in a few words.
wine_32bit_failure() {
  local loader out
  loader=$(wine_loader32)
  if [ ! -e "$loader" ]; then
    echo "the 32-bit Wine loader $loader is not installed"
    return
  fi
  out=$("$loader" --version 2>&1 </dev/null) && out="it printed: $out"
  echo "starting the 32-bit Wine loader fails: ${out##*: }"
}

# wine_tools <state-dir>: the build's loader, server and shims on PATH,
# without touching any prefix.
wine_tools() {
  local state_dir=$1 arch loader server shims
  mkdir -p "$state_dir"
  state_dir=$(cd "$state_dir" && pwd)
  arch=$(cat "$state_dir/arch" 2>/dev/null || echo x64)
  case $arch in
    x64) loader=$(wine_loader64) ;;
    x86) loader=$(wine_loader32) ;;
    *) echo "unknown architecture '$arch' in $state_dir/arch" >&2; return 1 ;;
  esac
  server=$(wine_server64)
  shims="$state_dir/bin"
  if [ ! -x "$shims/winepath" ] || ! grep -qF "$loader" "$shims/wine"; then
    mkdir -p "$shims"
    printf '#!/bin/sh\nexec "%s" "$@"\n' "$loader" >"$shims/wine.new"
    for tool in wineboot winepath; do
      printf '#!/bin/sh\nexec "%s" %s "$@"\n' "$loader" "$tool" >"$shims/$tool.new"
    done
    printf '#!/bin/sh\nexec "%s" "$@"\n' "$server" >"$shims/wineserver.new"
    chmod +x "$shims"/*.new
    for tool in wine wineboot winepath wineserver; do mv "$shims/$tool.new" "$shims/$tool"; done
  fi
  case ":$PATH:" in
    *":$shims:"*) ;;
    *) export PATH="$shims:$PATH" ;;
  esac
  # New processes started from Windows programs use these too.
  export WINELOADER=$loader WINESERVER=$server
  WINE_ARCH_NAME=$arch
}

wine_use() {
  local state_dir=$1 mode=$2
  wine_tools "$state_dir" || return 1
  state_dir=$(cd "$state_dir" && pwd)
  if [ "$WINE_ARCH_NAME" = x86 ] && ! wine_runs_32bit; then
    echo "the x86 build's programs cannot run here: $(wine_32bit_failure)" >&2
    return 1
  fi
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
  wine_tools "$state_dir" || return 0
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
