#!/usr/bin/env bash
# The desktop mode end to end: a Windows program's window must be drawn on
# the X display in its colour, and a click made with the X pointer must reach
# it at the right client coordinates.
#   click-probe-driver.sh <click_probe.exe>
set -euo pipefail
. "$WINE_DESKTOP_LIB"
probe=$1
# Sea green: not a colour of Wine's desktop or window frames.
colour=2E8B57
log=$WINE_DESKTOP_ARTIFACTS/click_probe.log
shot=$WINE_DESKTOP_ARTIFACTS/screen.png

desktop_find
echo "Wine desktop: X window $DESKTOP_WINDOW at $DESKTOP_X,$DESKTOP_Y, ${DESKTOP_WIDTH}x$DESKTOP_HEIGHT"

desktop_start "$log" "$probe" "$colour" 30
ready=$(desktop_wait_output "$log" '^ready ' 30) ||
  { cat "$log"; desktop_fail "the probe never got ready"; }
echo "probe: $ready"
read -r cx cy cw ch wl wt wr wb tx ty < <(sed -E 's/[^0-9-]+/ /g' <<<"$ready")
[ -n "${ty:-}" ] || desktop_fail "cannot read the ready line: $ready"
if [ "$cx" -lt "$wl" ] || [ "$cy" -lt "$wt" ] || [ $((cx + cw)) -gt "$wr" ] || [ $((cy + ch)) -gt "$wb" ] ||
   [ "$wl" -lt 4 ] || [ "$wr" -gt $((DESKTOP_WIDTH - 4)) ] || [ "$wb" -gt "$DESKTOP_HEIGHT" ]; then
  desktop_fail "the probe's window is not where it fits on the desktop: $ready"
fi

# Corners and middle of the client area must show the colour, the desktop
# just left and right of the frame must not. Wine draws asynchronously, so
# look again for a while before failing.
inside=($((cx + 1)) $((cy + 1)) $((cx + cw - 2)) $((cy + ch - 2))
        $((cx + cw / 2)) $((cy + ch / 2)) $((cx + tx)) $((cy + ty)))
outside=($((wl - 3)) $(((wt + wb) / 2)) $((wr + 2)) $(((wt + wb) / 2)))
expected="$(printf "$colour\n%.0s" 1 2 3 4)"
deadline=$((SECONDS + 10))
while :; do
  desktop_screenshot "$shot"
  seen_inside=$(desktop_pixels "$shot" "${inside[@]}")
  seen_outside=$(desktop_pixels "$shot" "${outside[@]}")
  if [ "$seen_inside" = "$expected" ] && ! grep -qx "$colour" <<<"$seen_outside"; then
    break
  fi
  if [ $SECONDS -ge $deadline ]; then
    desktop_fail "the window is not on the display in $colour" \
      "(inside: $(echo $seen_inside), outside: $(echo $seen_outside)); see $shot"
  fi
  sleep 0.2
done
echo "window drawn: $colour inside, $(echo $seen_outside) outside; screenshot $shot"

desktop_click $((cx + tx)) $((cy + ty))
desktop_wait_exit 10 || desktop_fail "the probe did not end after the click"
cat "$log"
[ "$DESKTOP_STATUS" -eq 0 ] || desktop_fail "the probe exited with $DESKTOP_STATUS"
