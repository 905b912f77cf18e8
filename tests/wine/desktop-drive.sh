#!/usr/bin/env bash
# Runs a host-side driver script against the test run's Wine desktop:
#   desktop-drive.sh <state-dir> <artifact-dir> <driver> [args...]
# The driver runs with DISPLAY, XAUTHORITY and WINEPREFIX set, WINE_DESKTOP_LIB
# naming the helpers it may source (desktop-lib.sh) and WINE_DESKTOP_ARTIFACTS
# an emptied directory for its screenshots and logs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop-env.sh"
state_dir=$1 artifacts=$2 driver=$3
shift 3
desktop_attach "$state_dir"
rm -rf "$artifacts"
mkdir -p "$artifacts"
export WINE_DESKTOP_LIB="$here/desktop-lib.sh"
export WINE_DESKTOP_ARTIFACTS="$artifacts"
exec bash "$driver" "$@"
