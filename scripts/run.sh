#!/usr/bin/env bash
# run.sh BUILD: starts Kestrova in a window, or, where no display exists, runs the bundled demo
# script headless and says where its screenshots and pictures went.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
exe="$build/kestrova"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
device="$data/kestrova/device"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi
out="$data/kestrova/demo"
mkdir -p "$out"
echo "No display found: running the demo script headless."
status=0
(cd "$out" && "$exe" --headless --script "$build/bundle/demo.script" --event-log "$out/events.log") || status=$?
echo "Screenshots: $out"
echo "Event log:   $out/events.log"
echo "Pictures:    $device/var/mobile/Media/DCIM"
exit $status
