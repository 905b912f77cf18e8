#!/usr/bin/env bash
# wine-control.sh start|stop <state-dir>: prepares the headless prefix and
# starts its server before the tests; ends every server of the run after them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
case $1 in
  start) wine_use "$2" headless ;;
  stop) wine_stop "$2" ;;
  *) echo "usage: $0 start|stop <state-dir>" >&2; exit 2 ;;
esac
