#!/usr/bin/env bash
# The tray operators at work: a stand-in HALCON host loads the installed
# 64-bit package from HALCONEXTENSIONS, makes a tray icon with a tooltip, a
# context menu and a balloon on a Wine desktop (Xvfb), clicks the icon and
# chooses a menu entry with real input, and prints the messages that arrive
# in the icon's queue. Saves a picture of the icon with its menu open.
# Needs the x64 build and the installed package (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
state=build/demo
package=build/package/halcon-13.0/notification
host=build/x64/bin/tray_host.exe
keeper=build/x64/bin/desktop_keeper.exe
picture=$state/demo-tray.png
for file in "$package/bin/x64-win64/notification.dll" "$host" "$keeper"; do
  [ -f "$file" ] || { echo "missing $file: run scripts/build.sh" >&2; exit 1; }
done

# Its own Wine state, so a test run in build/x64 is not disturbed; every
# step runs on Wine's 64-bit loader.
mkdir -p "$state"
echo x64 >"$state/arch"
stop() {
  bash tests/wine/desktop-control.sh stop "$state" || true
  bash tests/wine/wine-control.sh stop "$state" >/dev/null 2>&1 || true
}
trap stop EXIT
bash tests/wine/desktop-control.sh start "$state" "$keeper" >/dev/null
bash tests/wine/desktop-drive.sh "$state" "$state/artifacts" tests/tray_operators/tray-desktop-driver.sh \
  "$host" "$package" "$picture"
echo "Demo picture: $picture"
