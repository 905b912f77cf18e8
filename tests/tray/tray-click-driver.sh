#!/usr/bin/env bash
# Real clicks on a tray icon through X: a left click must reach the icon as
# one tray_icon_select event, a right click must open its menu, and choosing
# the menu's second line must give the menu event of line 1.
#   tray-click-driver.sh <tray_click_probe.exe>
set -euo pipefail
. "$WINE_DESKTOP_LIB"
probe=$1
colour=C71585
log=$WINE_DESKTOP_ARTIFACTS/tray_click_probe.log
shot=$WINE_DESKTOP_ARTIFACTS/screen.png
# Wine's console output ends its lines with CR LF.
eol=$'\r''?$'

desktop_find
desktop_start "$log" "$probe" "$colour"
ready=$(desktop_wait_output "$log" '^ready ' 30) || { cat "$log"; desktop_fail "the probe never got ready"; }
id=${ready#ready }
id=${id%%[^0-9]*}
echo "probe: icon $id"

# The icon's colour in the taskbar along the bottom of the desktop; Wine
# draws asynchronously, so look again for a while.
deadline=$((SECONDS + 10))
found=
while [ -z "$found" ]; do
  desktop_screenshot "$shot"
  found=$(convert "$shot" -crop "${DESKTOP_WIDTH}x40+${DESKTOP_X}+$((DESKTOP_Y + DESKTOP_HEIGHT - 40))" +repage txt:- |
          grep -i -m1 "#$colour" | cut -d: -f1) || true
  if [ -z "$found" ] && [ $SECONDS -ge $deadline ]; then
    desktop_fail "no icon of colour $colour in the taskbar; see $shot"
  fi
  [ -n "$found" ] || sleep 0.2
done
x=$(( ${found%,*} + 3 ))
y=$(( DESKTOP_HEIGHT - 40 + ${found#*,} + 3 ))
echo "icon drawn at $x,$y"

desktop_click "$x" "$y" 1
desktop_wait_output "$log" "^event tray_icon_select=$id$eol" 10 >/dev/null ||
  { cat "$log"; desktop_fail "the left click gave no select event"; }
echo "left click: select event"

desktop_click "$x" "$y" 3
menu=$(desktop_wait_output "$log" '^menu ' 10) || { cat "$log"; desktop_fail "the right click opened no menu"; }
read -r left top right bottom < <(sed -E 's/[^0-9-]+/ /g' <<<"$menu")
echo "menu open at $left,$top-$right,$bottom"
# Two entries of equal height: the second fills the lower half.
desktop_click $(((left + right) / 2)) $((top + (bottom - top) * 3 / 4)) 1
desktop_wait_output "$log" "^event tray_context_menu_select=$id tray_context_menu_index=1$eol" 10 >/dev/null ||
  { cat "$log"; desktop_screenshot "$shot"; desktop_fail "choosing the menu's second line gave no menu event; see $shot"; }
echo "menu: line 1 chosen"
desktop_wait_exit 10 || desktop_fail "the probe did not end"
cat "$log"
[ "$(grep -c '^event ' "$log")" -eq 2 ] || desktop_fail "events other than the two expected"
[ "$DESKTOP_STATUS" -eq 0 ] || desktop_fail "the probe exited with $DESKTOP_STATUS"
