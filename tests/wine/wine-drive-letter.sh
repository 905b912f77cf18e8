#!/usr/bin/env bash
# wine-drive-letter.sh map|unmap <state-dir> <letter> <folder>
# map: gives the headless prefix a drive <letter>: whose root is <folder>,
# made afresh and empty. unmap: removes the drive and the folder.
# Wine finds its drives as links in the prefix's dosdevices folder and looks
# them up on every path, so a running server sees the change at once
# (DefineDosDevice makes a name that Wine's file calls do not follow).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
action=$1
state_dir=$2
letter=$(echo "$3" | tr '[:upper:]' '[:lower:]')
folder=$4
case $letter in
  [a-z]) ;;
  *) echo "not a drive letter: $3" >&2; exit 2 ;;
esac

case $action in
  map)
    wine_use "$state_dir" headless
    rm -rf "$folder"
    mkdir -p "$folder"
    ln -sfn "$(cd "$folder" && pwd)" "$WINEPREFIX/dosdevices/$letter:"
    ;;
  unmap)
    rm -f "$(cd "$state_dir" && pwd)/prefix-headless/dosdevices/$letter:"
    rm -rf "$folder"
    ;;
  *) echo "usage: $0 map|unmap <state-dir> <letter> <folder>" >&2; exit 2 ;;
esac
