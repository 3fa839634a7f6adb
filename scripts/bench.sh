#!/usr/bin/env bash
# bench.sh BUILD: runs every benchmark executable, then prints all GOAL lines together at the end.
set -uo pipefail
build=${1:-build}
goals=$(mktemp)
trap 'rm -f "$goals"' EXIT
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>&1 | tee -a "$goals" | grep -v '^GOAL '
done
echo
echo "== Goals"
grep '^GOAL ' "$goals"
