#!/usr/bin/env bash
# The activation tool on the desktop: started from an installed layout with a
# HALCON installation, its dialog must be drawn with the package icon; the
# dialog's picture is kept as activation-dialog.png, and the close box ends
# the tool with exit code 0.
#   screenshot-driver.sh <activate.exe> <dialog_locator.exe> <tool files> <HALCON root> <arch> <package name>
set -euo pipefail
. "$WINE_DESKTOP_LIB"
tool=$1 locator=$2 tool_files=$3 halcon_root=$4 arch=$5 name=$6
layout=$WINE_DESKTOP_ARTIFACTS/layout
shot=$WINE_DESKTOP_ARTIFACTS/screen.png
picture=$WINE_DESKTOP_ARTIFACTS/activation-dialog.png
# The package icon's tile colour, drawn nowhere else on the desktop.
icon_colour=2f7fd1

mkdir -p "$layout/halcon-13.0/$name/bin/$arch"
cp "$tool_files"/* "$layout/"
cp "$tool" "$layout/activate.exe"
echo "not loaded by the tool" >"$layout/halcon-13.0/$name/bin/$arch/$name.dll"

desktop_find
# Wine's drive Z: is the host's root.
halcon_root=$(cd "$halcon_root" && pwd)
HALCONROOT="Z:${halcon_root//\//\\}" HALCONARCH=$arch \
  desktop_start "$WINE_DESKTOP_ARTIFACTS/activate.log" "$layout/activate.exe"
located=$(wine "$locator" "Activation Tool" rect </dev/null 2>"$WINE_DESKTOP_ARTIFACTS/locator.log" | tr -d '\r') ||
  { cat "$WINE_DESKTOP_ARTIFACTS"/*.log; desktop_fail "the dialog never showed"; }
read -r _ left top right bottom <<<"$located"
[ -n "${bottom:-}" ] || desktop_fail "cannot read the dialog's place: $located"
echo "dialog at $left,$top-$right,$bottom"
width=$((right - left)) height=$((bottom - top))

# Wine draws asynchronously: look again for a while until the icon is there.
deadline=$((SECONDS + 10))
while :; do
  desktop_screenshot "$shot"
  convert "$shot" -crop "${width}x${height}+$((DESKTOP_X + left))+$((DESKTOP_Y + top))" +repage "$picture"
  icon_pixels=$(convert "$picture" -fuzz 4% -fill black +opaque "#$icon_colour" -fill white -opaque "#$icon_colour" \
    -format '%[fx:round(mean*w*h)]' info:)
  colours=$(convert "$picture" -format '%k' info:)
  [ "$icon_pixels" -ge 100 ] && [ "$colours" -ge 16 ] && break
  [ $SECONDS -lt $deadline ] ||
    desktop_fail "the dialog is not drawn with its icon ($icon_pixels icon pixels, $colours colours); see $shot"
  sleep 0.2
done
echo "dialog drawn: $icon_pixels icon pixels, $colours colours; picture $picture"

wine "$locator" "Activation Tool" close </dev/null >/dev/null 2>&1 || desktop_fail "cannot close the dialog"
desktop_wait_exit 10 || desktop_fail "the tool did not end after its close box"
[ "$DESKTOP_STATUS" -eq 0 ] || desktop_fail "the tool exited with $DESKTOP_STATUS"
