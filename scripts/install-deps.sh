#!/usr/bin/env bash
# Installs the Debian packages Kestrova builds, runs and tests with. Does nothing when all are
# present; otherwise runs apt-get update once and installs only what is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libx11-dev libasound2-dev
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2 fonts-wqy-microhei
  libyuv-dev liblitehtml-dev libgumbo-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs libexif-dev
  libplist-dev libplist-utils nlohmann-json3-dev
  libgps-dev gpsd gpsd-clients libv4l-dev
  # sdbus-c++.pc requires libsystemd, which Debian's libsdbus-c++-dev does not pull in
  libsdbus-c++-dev libsystemd-dev python3-dbusmock
  libimage-exiftool-perl fontconfig xvfb xauth xdotool librsvg2-bin
  appstream desktop-file-utils dpkg-dev lintian openbox x11-utils
  pipewire pipewire-bin wireplumber dbus dbus-daemon
  libpipewire-0.3-dev gstreamer1.0-pipewire gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libwayland-dev wayland-protocols libxkbcommon-dev xkb-data sway grim
)

# Only `make fuzz` needs clang and its libFuzzer runtime.
if [ -n "${KESTROVA_FUZZ:-}" ]; then packages+=(clang libclang-rt-14-dev); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
