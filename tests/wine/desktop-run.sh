#!/usr/bin/env bash
# Runs a Windows program on the test run's Wine desktop (see desktop-control.sh):
#   desktop-run.sh <state-dir> <program> [args...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop-env.sh"
state_dir=$1
shift
desktop_attach "$state_dir"
wine_exec_captured "$@"
