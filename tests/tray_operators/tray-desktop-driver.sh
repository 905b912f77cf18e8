#!/usr/bin/env bash
# A tray icon on the Wine desktop driven with real input: the host program
# loads the package from <package-dir> (as HALCONEXTENSIONS names it), makes
# an icon with a queue, a context menu and a balloon; this script left-clicks
# the icon in Wine's notification area, right-clicks it, chooses an entry of
# the menu that opens with the right button too, and checks the messages the
# host finds in the queue.
#   tray-desktop-driver.sh <tray_host.exe> <package-dir> [<screenshot.png>]
# The screenshot shows the icon with its menu open.
set -euo pipefail
. "$WINE_DESKTOP_LIB"
host=$1 package=$2 picture=${3:-$WINE_DESKTOP_ARTIFACTS/menu-open.png}
log=$WINE_DESKTOP_ARTIFACTS/tray_host.log
shot=$WINE_DESKTOP_ARTIFACTS/screen.png
chosen=1  # "Resume inspection"

package=$(cd "$package" && pwd)
export HALCONEXTENSIONS="Z:${package//\//\\}"
desktop_find
desktop_start "$log" "$host"
ready=$(desktop_wait_output "$log" '^ready ' 60) || { cat "$log"; desktop_fail "the host never got ready"; }
echo "host: $ready"
read -r icon left top right bottom small < <(sed -E 's/[^0-9-]+/ /g' <<<"$ready")
[ -n "${small:-}" ] || desktop_fail "cannot read the ready line: $ready"

# Wine puts the first icon at the right end of the taskbar, a small icon
# plus a border of 2 on each side wide.
x=$((right - (small + 4) / 2))
y=$(((top + bottom) / 2))

desktop_click "$x" "$y" 1
desktop_wait_output "$log" '^message 1:' 20 >/dev/null || { cat "$log"; desktop_fail "no message after the left click"; }

desktop_click "$x" "$y" 3
item=$(desktop_wait_output "$log" "^menu item $chosen:" 20) ||
  { cat "$log"; desktop_fail "no context menu after the right click"; }
read -r _ il it ir ib < <(sed -E 's/^menu item [0-9]+: //; s/[^0-9-]+/ /g; s/^/x /' <<<"$item")
# The pointer rests on the submenu heading (line 2, "View") so that the
# picture shows the nested menu too, then Wine has a moment to draw it.
heading=$(grep -m1 '^menu item 2:' "$log") || desktop_fail "the menu has no third entry"
read -r _ hl ht hr hb < <(sed -E 's/^menu item [0-9]+: //; s/[^0-9-]+/ /g; s/^/x /' <<<"$heading")
xdotool mousemove $((DESKTOP_X + (hl + hr) / 2)) $((DESKTOP_Y + (ht + hb) / 2))
sleep 1.5
desktop_screenshot "$shot"
menu_top=$(grep -m1 '^menu item 0:' "$log" | awk '{print $5}')
crop_left=$((il - 300 < 0 ? 0 : il - 300))
crop_top=$((menu_top - 120 < 0 ? 0 : menu_top - 120))
convert "$shot" -crop "$((DESKTOP_WIDTH - crop_left))x$((DESKTOP_HEIGHT - crop_top))+$((DESKTOP_X + crop_left))+$((DESKTOP_Y + crop_top))" +repage "$picture" ||
  desktop_fail "cannot crop $shot"

# A menu tracked without TPM_RIGHTBUTTON ignores the right button.
desktop_click $(((il + ir) / 2)) $(((it + ib) / 2)) 3
desktop_wait_exit 30 || { cat "$log"; desktop_fail "the host did not end after the menu choice"; }
cat "$log"
[ "$DESKTOP_STATUS" -eq 0 ] || desktop_fail "the host exited with $DESKTOP_STATUS"

expected="message 1: tray_icon_select=$icon
message 2: tray_context_menu_select=$icon;tray_context_menu_index=$chosen"
seen=$(grep '^message ' "$log" | tr -d '\r')
[ "$seen" = "$expected" ] || desktop_fail "the queue held"$'\n'"$seen"$'\n'"instead of"$'\n'"$expected"
echo "queue messages as expected; picture of the open menu: $picture"
