#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures how often the real-window tests fail: runs them all (ctest -L
# window, two at a time as scripts/test.sh does) for some rounds, every
# second round with all cores kept busy by stress-ng, and prints each
# test's runs and failures, quiet and loaded. Keeps each failed round's
# output and the failed tests' case logs in build/flaky/.
#   scripts/flaky.sh [ROUNDS]   (default 10)
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need stress-ng bsdextrautils
buildtests >/dev/null
rounds=${1:-10}
out=$PWD/build/flaky
rm -rf "$out"
mkdir -p "$out"
stress=
trap '[ -z "$stress" ] || kill "$stress" 2>/dev/null' EXIT
declare -A runs failures
total=0

for ((round = 1; round <= rounds; round++)); do
    load=quiet
    if ((round % 2 == 0)); then
        load=loaded
        stress-ng --cpu 0 --quiet &
        stress=$!
    fi
    log=$out/round$round.log
    ctest --test-dir build/test -L window -j 2 --output-on-failure >"$log" 2>&1 || true
    if [ -n "$stress" ]; then
        kill "$stress" && wait "$stress" || true
        stress=
    fi
    failed=0
    while read -r name result; do
        runs[$name/$load]=$((${runs[$name/$load]:-0} + 1))
        [ "$result" = Passed ] && continue
        failed=1
        total=$((total + 1))
        failures[$name/$load]=$((${failures[$name/$load]:-0} + 1))
        cp -r "build/test/window-logs/$name" "$out/round$round-$name" 2>/dev/null || true
    done < <(sed -nE 's/.*Test +#[0-9]+: ([^ ]+) \.+[* ]*([A-Za-z]+).*/\1 \2/p' "$log")
    [ "$failed" = 1 ] || rm "$log"
    echo "round $round ($load): $([ "$failed" = 1 ] && echo "failures, see $log" || echo "all passed")"
done

{
    echo "test|quiet runs|quiet failures|loaded runs|loaded failures"
    for name in $(printf '%s\n' "${!runs[@]}" | cut -d/ -f1 | sort -u); do
        echo "$name|${runs[$name/quiet]:-0}|${failures[$name/quiet]:-0}|${runs[$name/loaded]:-0}|${failures[$name/loaded]:-0}"
    done
} | column -t -s '|'
[ "$total" -eq 0 ]
