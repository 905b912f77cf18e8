#!/usr/bin/env bash
# Builds both package libraries and lays them out as the installed package in
# build/package (copy that folder's contents to install).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
for preset in x64 x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  bash scripts/lay-out-package.sh "build/$preset" build/package
done
echo "Package laid out in build/package:"
(cd build/package && find . -type f | sort | sed 's/^\.\//  /')

# The tray operators on a Wine desktop, from the installed 64-bit package.
bash scripts/demo.sh
