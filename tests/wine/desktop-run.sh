#!/usr/bin/env bash
# Runs a Windows program on the test run's Wine desktop (see desktop-control.sh):
#   desktop-run.sh <state-dir> <program> [args...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop-env.sh"
state_dir=$1
shift
desktop_attach "$state_dir"
# Wine's helper processes outlive the program and inherit its output; a file
# keeps them from holding the caller's pipe open.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
set +e
wine "$@" >"$out" 2>&1 </dev/null
status=$?
set -e
cat "$out"
exit $status
