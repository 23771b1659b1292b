#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, builds and starts Tavoli. Without TAVOLI_COM1 naming a real modem, port 1 is the
# bundled simulated Hayes modem, so every dialogue can be tried at once.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
# The manual page too, so that `cmake --install build` works after this command.
cmake --build build -j"$(nproc)" --target tavoli tavoli-man tavoli-modem
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Tavoli necesita un escritorio gráfico: no hay DISPLAY ni WAYLAND_DISPLAY en este terminal (Tavoli ya está compilado en build/app/tavoli)." >&2
  exit 1
fi
modem_pid=""
cleanup() { [ -n "$modem_pid" ] && kill "$modem_pid" 2>/dev/null; wait 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${TAVOLI_COM1:-}" ]; then
  out=$(mktemp)
  build/tools/tavoli-modem > "$out" &
  modem_pid=$!
  for _ in $(seq 50); do [ -s "$out" ] && break; sleep 0.1; done
  device=$(head -n 1 "$out"); rm -f "$out"
  [ -n "$device" ] || { echo "No se ha podido arrancar el modem simulado." >&2; exit 1; }
  export TAVOLI_COM1="$device"
  echo "Puerto 1: modem simulado en $device"
fi
build/app/tavoli
