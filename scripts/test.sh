#!/usr/bin/env bash
# Builds both builds and runs every test under Wine; exits non-zero when a
# test fails. Where the machine cannot start 32-bit programs, the x86 build
# is still built and its binaries checked, and the run says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. tests/wine/wine-env.sh

clock() { date +%s; }
took() { echo "$(( $(clock) - $1 )) s"; }

started=$(clock)
bash scripts/setup.sh
echo "set-up: $(took "$started")"

# Whatever happens, no Wine server of this run is left behind.
trap 'for p in x64 x86; do bash tests/wine/desktop-control.sh stop "build/$p/wine"; bash tests/wine/wine-control.sh stop "build/$p/wine"; done' EXIT

x86_reason=
if ! wine_runs_32bit; then
  x86_reason=$(wine_32bit_failure)
fi

status=0
passed=0
failed=0
timings=()
for preset in x64 x86; do
  started=$(clock)
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  built=$(took "$started")
  started=$(clock)
  log=$(mktemp)
  if [ "$preset" = x86 ] && [ -n "$x86_reason" ]; then
    echo "== the x86 build's checks that need no Wine =="
    ctest --preset "$preset" -L host 2>&1 | tee "$log" || status=1
  else
    echo "== tests of the $preset build =="
    ctest --preset "$preset" 2>&1 | tee "$log" || status=1
  fi
  # CTest's own summary: "N% tests passed, F tests failed out of T".
  if summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1); then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    fails=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    passed=$((passed + total - fails))
    failed=$((failed + fails))
  else
    status=1
  fi
  rm -f "$log"
  timings+=("$preset build: configure and build $built, tests $(took "$started")")
done

echo
printf '%s\n' "${timings[@]}"
if [ -n "$x86_reason" ]; then
  echo "The x86 build's Wine tests did not run, because this machine cannot run 32-bit programs ($x86_reason); it was built and its export and import tables were checked, and the x64 build ran the whole suite."
fi
echo "total: $passed passed, $failed failed"
exit $status
