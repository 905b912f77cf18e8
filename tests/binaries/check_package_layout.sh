#!/usr/bin/env bash
# check_package_layout.sh <build dir> <objdump> <package dll, relative> <halcon.dll> <halconc.dll>
# Lays this build's part of the package out afresh, as scripts/build.sh does,
# then fails unless no binary in it carries a debug section and the package
# library's tables are as expected.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 objdump=$2 dll=$3 halcon=$4 halconc=$5
layout="$build/package-layout"
rm -rf "$layout"
bash "$here/../../scripts/lay-out-package.sh" "$build" "$layout"
fail=0

binaries=$(cd "$layout" && find . -type f \( -iname '*.dll' -o -iname '*.exe' \) | sort)
if [ -z "$binaries" ]; then
  echo "the layout holds no binary"
  exit 1
fi
for binary in $binaries; do
  debug_sections=$("$objdump" -h "$layout/$binary" | awk '$2 ~ /^\.debug_/ { print $2 }')
  if [ -n "$debug_sections" ]; then
    echo "${binary#./} still carries debug sections:" $debug_sections
    fail=1
  else
    echo "${binary#./}: no debug sections"
  fi
done

bash "$here/check_dll_tables.sh" "$objdump" "$layout/$dll" "$halcon" "$halconc" || fail=1
exit $fail
