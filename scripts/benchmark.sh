#!/usr/bin/env bash
# Builds and runs the benchmarks of both builds under Wine; prints figures.
# The x86 build's run needs a machine that starts 32-bit programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. tests/wine/wine-env.sh
bash scripts/setup.sh
trap 'for p in x64 x86; do bash tests/wine/wine-control.sh stop "build/$p/wine"; done' EXIT
for preset in x64 x86; do
  if [ "$preset" = x86 ] && ! wine_runs_32bit; then
    echo "== x86 == not run: this machine cannot run 32-bit programs ($(wine_32bit_failure))"
    continue
  fi
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target bgra_benchmark
  echo "== $preset =="
  bash tests/wine/wine-run.sh "build/$preset/wine" "build/$preset/bin/bgra_benchmark.exe"
done
