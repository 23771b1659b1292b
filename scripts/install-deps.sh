#!/usr/bin/env bash
# Installs what Tavoli needs to build and test on Debian 12, from Debian's own packages.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-translations-l10n qt6-qpa-plugins
  libgl-dev fonts-liberation2
  help2man appstream
  xvfb xauth
  ser2net
  clang libclang-rt-14-dev llvm-14 clang-format
  ser2net picocom
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
