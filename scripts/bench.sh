#!/usr/bin/env bash
# bench.sh BUILD: runs every benchmark executable, then prints one table of every benchmark's
# median, its ratio to the bare JPEG encode Y of the same executable (where there is one), and the
# goal it answers with its limit and result; then the GOAL lines, one per goal of the earlier
# issues:  GOAL <name> <measured> <limit> ok|MISSED
set -uo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  n=$(basename "$b")
  echo "== $n"
  # The goal reporter colours its lines whatever the flag says: strip the escapes.
  "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_color=false 2>&1 |
    sed 's/\x1b\[[0-9;]*m//g' > "$work/$n.out"
  grep -v '^GOAL ' "$work/$n.out"
done

# Goals of the earlier issues: name|issue|benchmark it reads|what it asks.
cat > "$work/goals" <<'GOALS'
foundation_post_and_drain|2|BM_PostAndDrain|run-loop posts drained, >= 1M calls/s
foundation_load_defaults_12_keys|2|BM_LoadStandardDefaults|standard defaults of 12 keys, <= 1 ms
graphics.jpegEncodeWithExifVsBare|3|BM_ImageDestinationEncode|encode with EXIF, <= 1.1 x bare
graphics.scale533x400To1600x1200|3|BM_ScaleUp533x400To1600x1200|scale up, <= 6 ms
graphics.scale1600x1200To960x720|3|BM_ScaleDown1600x1200To960x720|scale down, <= 3 ms
ui.compose320x480x30ViewsScale2|4|BM_ComposeScreen30ViewsScale2|compose 30 views at scale 2, <= 8 ms
idle_window_CPU|4|BM_IdleWindowCpu|idle window (information page), < 2 % of a core
live_camera_window_CPU|20|BM_LiveCameraWindowCpu|live camera page, <= 0.9 % of a core
sensors_idle_window_CPU|29|BM_SensorsIdleWindowCpu|information page with both services connected, 0 % of a core
session.firstFrameWindowShown|5|BM_WindowShownAfterStart|first frame, <= 300 ms after start
camera.syntheticPreview30fpsShareOfCore|5|BM_SyntheticPreviewFrameUpright|synthetic camera at 30 fps, < 10 % of a core
capture_worst_case_sepia|20|BM_WorstCaseSepia|worst case (sepia), <= 1.5 Y
capture_worst_case_single_colour|20|BM_WorstCaseSingleColor|worst case (single colour), <= 1.6 Y
capture_1600x1200_no_effect|20|BM_LargeNoEffect|1600x1200 no effect, <= 1.1 Y
capture_960x720_no_effect|20|BM_SmallNoEffect|960x720 no effect, <= 0.55 Y
capture_filter_sepia|20|BM_FilterSepia|sepia alone over 1600x1200, <= 0.15 Y
capture_filter_negative|20|BM_FilterNegative|negative alone over 1600x1200, <= 0.15 Y
capture_filter_single_colour|20|BM_FilterSingleColor|single colour alone over 1600x1200, <= 0.3 Y
capture_fan_image|6|BM_FanImage|fan image on the main thread, <= 3 ms
capture_burst_peak_memory|20|BM_BurstPeakMemory|peak memory in a full-queue burst, <= 75 MB
session.liftToCapturePhotoMainThread|7|BM_LiftToCapturePhoto|lift to capturePhoto, <= 1 ms main thread
wayland_live_camera_window_CPU_scale_1|27|BM_WaylandLiveCameraCpu|Wayland live camera page at output scale 1, <= 1.0 % of a core
wayland_live_camera_window_CPU_scale_2|27|BM_WaylandLiveCameraCpu|Wayland live camera page at output scale 2, <= 2.0 % of a core
wayland_idle_window_CPU|27|BM_WaylandIdleWindowCpu|Wayland information page at rest, 0 % of a core
GOALS

# Medians: "<exe> <benchmark> <seconds>" (benchmark names without their aggregate suffix).
awk '
  function secs(v, u) { return u == "ns" ? v * 1e-9 : u == "us" ? v * 1e-6 : u == "ms" ? v * 1e-3 : v }
  FNR == 1 { exe = FILENAME; sub(/.*\//, "", exe); sub(/\.out$/, "", exe) }
  $1 ~ /_median$/ && $3 ~ /^(ns|us|ms|s)$/ { name = $1; sub(/_median$/, "", name); print exe, name, secs($2, $3) }
' "$work"/*.out > "$work/medians" 2>/dev/null
# GOAL lines as "<name with spaces made _> <measured> <limit> <result> <note>".
grep -h '^GOAL ' "$work"/*.out 2>/dev/null | sed -E 's/^GOAL (.*) ([^ ]+) ([^ ]+) (ok|MISSED)(  # (.*))?$/\1|\2|\3|\4|\6/' |
  awk -F'|' '{ gsub(/ /, "_", $1); print $1 "|" $2 "|" $3 "|" $4 "|" $5 }' > "$work/goallines"

echo
echo "== Benchmarks and goals (median of 5 repetitions; ratio = median / bare encode Y of the same executable)"
printf '%-22s %-44s %12s %8s  %-6s %-38s %12s %12s  %s\n' executable benchmark median ratio issue goal measured limit result
awk -v goalsFile="$work/goals" -v linesFile="$work/goallines" '
  BEGIN {
    FS = "|"
    while ((getline l < goalsFile) > 0) { split(l, g, "|"); gIssue[g[3]] = g[2]; gName[g[3]] = g[1] }
    while ((getline l < linesFile) > 0) { split(l, g, "|"); meas[g[1]] = g[2]; lim[g[1]] = g[3]; res[g[1]] = g[4] }
    FS = " "
  }
  function fmt(s) { return s >= 1 ? sprintf("%.3f s", s) : s >= 1e-3 ? sprintf("%.3f ms", s * 1e3) : s >= 1e-6 ? sprintf("%.3f us", s * 1e6) : sprintf("%.1f ns", s * 1e9) }
  { exe[NR] = $1; bm[NR] = $2; t[NR] = $3; if ($2 ~ /^BM_BareJpegEncode/) y[$1] = $3 }
  END {
    for (i = 1; i <= NR; i++) {
      base = bm[i]; sub(/\/.*/, "", base)
      ratio = (exe[i] in y) ? sprintf("%.2f", t[i] / y[exe[i]]) : "-"
      if (base in gName) { n = gName[base]; iss = gIssue[base]; m = (n in meas) ? meas[n] : "-"; li = (n in lim) ? lim[n] : "-"; r = (n in res) ? res[n] : "-"; seen[n] = 1 }
      else { n = "-"; iss = "-"; m = "-"; li = "-"; r = "" }
      printf "%-22s %-44s %12s %8s  %-6s %-38s %12s %12s  %s\n", exe[i], bm[i], fmt(t[i]), ratio, iss, n, m, li, r
    }
  }
' "$work/medians"
# Goals whose benchmark left no median (skipped, or measured outside the aggregates).
while IFS='|' read -r name issue bmname what; do
  if ! grep -q " $bmname\( \|/\)" "$work/medians"; then
    line=$(grep "^$name|" "$work/goallines" || true)
    m=$(echo "$line" | cut -d'|' -f2); l=$(echo "$line" | cut -d'|' -f3); r=$(echo "$line" | cut -d'|' -f4)
    printf '%-22s %-44s %12s %8s  %-6s %-38s %12s %12s  %s\n' - "$bmname" - - "$issue" "$name" "${m:--}" "${l:--}" "${r:-not measured}"
  fi
done < "$work/goals"

echo
echo "== Goals"
while IFS='|' read -r name issue bmname what; do
  line=$(grep "^$name|" "$work/goallines" || true)
  if [ -n "$line" ]; then
    IFS='|' read -r n m l r note <<< "$line"
    echo "GOAL $n $m $l $r${note:+  # $note}"
  else
    echo "GOAL $name - - MISSED  # not measured: $what"
  fi
done < "$work/goals"
# Goals that benchmarks report beyond the list above.
cut -d'|' -f1 "$work/goals" > "$work/known"
grep -v -F -x -f "$work/known" <(cut -d'|' -f1 "$work/goallines") 2>/dev/null | while read -r n; do
  IFS='|' read -r n m l r note <<< "$(grep "^$n|" "$work/goallines")"
  echo "GOAL $n $m $l $r${note:+  # $note}"
done
