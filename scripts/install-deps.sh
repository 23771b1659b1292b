#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Tavoli needs on Debian 12, from Debian's own packages, by set:
#   bash scripts/install-deps.sh run       # build and run Tavoli (scripts/run.sh)
#   bash scripts/install-deps.sh test      # run, plus what the tests need (scripts/test.sh)
#   bash scripts/install-deps.sh fuzz      # run, plus clang and libFuzzer (scripts/fuzz.sh)
#   bash scripts/install-deps.sh package   # run, plus what builds and checks the Debian package
#   bash scripts/install-deps.sh format    # clang-format (scripts/check-format.sh)
# Several sets may be named; without any, every set is installed.
set -euo pipefail

# Building and running: compiler, Qt, help2man for the manual page (always built), the fonts the
# window is drawn with, and the Wayland platform plugin for a Wayland desktop.
run_packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-translations-l10n qt6-qpa-plugins
  qt6-wayland libgl-dev fonts-liberation2
  help2man
)
# ---- Test packages: what the test suite and the benchmarks need beyond building. ----
test_packages=(
  appstream
  xvfb xauth
  ser2net picocom
  valgrind strace # bench/exchangecost.sh counts instructions and system calls with them
  # The Ansible collection's playbook and sanity tests (about 9 s to install), and the
  # configuration check of the Icinga 2 example (about 4 s). nagios4 is left out: it brings a
  # mail server (13 s), and its test says it is skipped.
  ansible-core icinga2-bin
)
# ---- end of the test packages ----
fuzz_packages=(clang libclang-rt-14-dev llvm-14)
# build-essential: dpkg-buildpackage checks for it as an implicit build dependency.
package_packages=(
  build-essential debhelper devscripts dpkg-dev lintian
  desktop-file-utils appstream appstream-compose man-db
)
format_packages=(clang-format)

sets=("$@")
[ ${#sets[@]} -gt 0 ] || sets=(run test fuzz package format)
packages=()
for set in "${sets[@]}"; do
  case "$set" in
    run) packages+=("${run_packages[@]}") ;;
    test) packages+=("${run_packages[@]}" "${test_packages[@]}") ;;
    fuzz) packages+=("${run_packages[@]}" "${fuzz_packages[@]}") ;;
    package) packages+=("${run_packages[@]}" "${package_packages[@]}") ;;
    format) packages+=("${format_packages[@]}") ;;
    *) echo "Uso: bash scripts/install-deps.sh [run|test|fuzz|package|format]..." >&2; exit 2 ;;
  esac
done
missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo > /dev/null; then
    # A Debian installed with a root password has no sudo: say how to go on, in one line.
    echo "Faltan paquetes de Debian y sudo no está instalado: instálelos como root con su -c 'bash $(realpath "$0") ${sets[*]}' (o instale sudo) y vuelva a empezar." >&2
    exit 1
  fi
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
# Installed for its configuration check only: the daemon its package starts and enables is not
# wanted (one that was there before is left as it was).
if [[ " ${missing[*]} " == *" icinga2-bin "* ]] && command -v systemctl > /dev/null; then
  $sudo systemctl disable --now icinga2 > /dev/null 2>&1 || true
fi
