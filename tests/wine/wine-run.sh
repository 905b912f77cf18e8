#!/usr/bin/env bash
# Runs a Windows program headless under Wine: wine-run.sh <state-dir> <program> [args...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
state_dir=$1
shift
wine_use "$state_dir" headless
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
