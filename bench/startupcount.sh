#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Instructions from launch to the first frame, the program's and the minimal window's: what
# tavoli-bench-startup times, counted (callgrind) so that it does not drift between runs. Each
# program quits right after reporting its first frame; the count stops there.
#   xvfb-run -a bash bench/startupcount.sh build
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

count() {
    # The probe writes its byte to descriptor 9 and quits: callgrind dumps as it quits.
    (cd "$work" && TAVOLI_FIRST_FRAME_FD=9 valgrind --tool=callgrind \
        --dump-before='QCoreApplication::quit()' --callgrind-out-file="$work/cg.$2" \
        "$1" > /dev/null 2>&1 9> /dev/null) || true
    sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$work/cg.$2.1"
}
program=$(count "$build/app/tavoli" program)
minimal=$(count "$build/bench/tavoli-minimal-window" minimal)
echo "instructions to the first frame: tavoli $program, minimal window $minimal," \
    "ratio $(awk -v a="$program" -v b="$minimal" 'BEGIN { printf "%.2f", a / b }')x"
