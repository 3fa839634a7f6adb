#!/usr/bin/env bash
# run.sh BUILD SECONDS [TARGET...]: runs each fuzz target for SECONDS on a working corpus in
# BUILD/fuzz/corpus/NAME (seeded from fuzz/corpus/NAME). A crash leaves its input in
# BUILD/fuzz/artifacts/NAME and makes the script fail after the other targets have run.
set -uo pipefail
build=$1 seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(camera_roll preferences strings_table html image_destination)
# Third-party caches (fontconfig, Pango) live for the whole process; only our leaks matter.
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for t in "${targets[@]}"; do
  corpus="$build/fuzz/corpus/$t" artifacts="$build/fuzz/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  [ -d "$here/corpus/$t" ] && cp -n "$here/corpus/$t"/* "$corpus"/ 2>/dev/null
  echo "== fuzz_$t: ${seconds}s"
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$corpus" > "$build/fuzz/$t.log" 2>&1; then
    failed+=("$t")
    grep -m1 -A20 'ERROR\|runtime error\|deadly signal' "$build/fuzz/$t.log"
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss|cov:' "$build/fuzz/$t.log" | tail -3
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: crashes in ${failed[*]} (inputs in $build/fuzz/artifacts)"
  exit 1
fi
echo "fuzz: no crash in ${targets[*]}"
