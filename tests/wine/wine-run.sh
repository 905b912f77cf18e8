#!/usr/bin/env bash
# Runs a Windows program headless under Wine: wine-run.sh <state-dir> <program> [args...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
state_dir=$1
shift
wine_use "$state_dir" headless
wine_exec_captured "$@"
