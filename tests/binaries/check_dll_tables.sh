#!/usr/bin/env bash
# check_dll_tables.sh <objdump> <package.dll> <halcon.dll> <halconc.dll>
# Fails unless the package exports exactly HXPkgInit and HnotificationGetOffset
# by their plain names, and imports only system DLLs and its build's two
# HALCON libraries (so no C++ runtime DLL is needed).
set -euo pipefail
objdump=$1 dll=$2 halcon=$3 halconc=$4
tables=$("$objdump" -p "$dll")
fail=0

exports=$(printf '%s\n' "$tables" | awk '
  /^\[Ordinal\/Name Pointer\] Table/ { in_table = 1; next }
  in_table && /^[[:space:]]*\[/ { print $NF; next }
  in_table && !/^[[:space:]]*\[/ { in_table = 0 }' | sort)
expected_exports=$(printf 'HXPkgInit\nHnotificationGetOffset\n' | sort)
if [ "$exports" != "$expected_exports" ]; then
  echo "exports of $(basename "$dll") are not exactly HXPkgInit and HnotificationGetOffset:"
  printf '  %s\n' $exports
  fail=1
fi

imports=$(printf '%s\n' "$tables" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
system_dlls="kernel32.dll msvcrt.dll user32.dll gdi32.dll shell32.dll advapi32.dll ole32.dll comctl32.dll version.dll"
for name in $imports; do
  case " $system_dlls $halcon $halconc " in
    *" $name "*) ;;
    *) echo "unexpected import: $name"; fail=1 ;;
  esac
done
for needed in "$halcon" "$halconc"; do
  if ! printf '%s\n' $imports | grep -qx "$needed"; then
    echo "does not import $needed"
    fail=1
  fi
done

[ $fail -eq 0 ] && echo "$(basename "$dll"): exports and imports as expected"
exit $fail
