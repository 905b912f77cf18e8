#!/usr/bin/env bash
# Builds and runs the benchmarks of both builds under Wine; prints figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
for preset in x64 x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target bgra_benchmark
  echo "== $preset =="
  bash tests/wine/wine-run.sh "build/$preset/wine" "build/$preset/bin/bgra_benchmark.exe"
done
bash tests/wine/wine-control.sh stop build/x64/wine
bash tests/wine/wine-control.sh stop build/x86/wine
