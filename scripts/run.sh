#!/usr/bin/env bash
# run.sh BUILD: starts Kestrova in a window, or, where no display exists, runs the bundled demo
# script headless and says where its screenshots and pictures went.
set -euo pipefail
build=${1:-build}
exe="$build/kestrova"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi
out="${XDG_DATA_HOME:-$HOME/.local/share}/kestrova/demo"
mkdir -p "$out"
echo "No display found: running the demo script headless."
(cd "$out" && "$OLDPWD/$exe" --headless --script "$OLDPWD/$build/bundle/demo.script")
echo "Screenshots: $out"
echo "Pictures:    ${XDG_DATA_HOME:-$HOME/.local/share}/kestrova/device/var/mobile/Media/DCIM"
