#!/usr/bin/env bash
# lay-out-package.sh <build dir> <folder>
# Lays one build's part of the package out in <folder> as it ships: stripped,
# so that no binary carries the static runtime's debug sections. The build
# tree's binaries, which the tests run, keep theirs.
set -euo pipefail
cmake --install "$1" --prefix "$2" --strip >/dev/null
