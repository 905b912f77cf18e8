#!/usr/bin/env bash
# Builds both builds and runs every test under Wine; exits non-zero when a
# test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
# Whatever happens, no Wine server of this run is left behind.
trap 'for p in x64 x86; do bash tests/wine/desktop-control.sh stop "build/$p/wine"; bash tests/wine/wine-control.sh stop "build/$p/wine"; done' EXIT
status=0
for preset in x64 x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== tests of the $preset build =="
  ctest --preset "$preset" || status=1
done
exit $status
