#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Per command/reply exchange of a long list, on the thread serving the line: instructions
# (callgrind), heap allocations (counted by the probe) and system calls (strace). Each is taken
# for a list of N entries and for one entry; the difference is divided by N - 1.
#   bash bench/lineprobe.sh build/bench/tavoli-bench-line [N]
set -euo pipefail
probe=$1
n=${2:-2000}
shift $(( $# >= 2 ? 2 : 1 ))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

allocs() { "$probe" --entries "$1" "$@" | sed -n 's/.*allocations \([0-9]*\).*/\1/p'; }
instructions() {
    # Only inside the event loop: making the probe's list is not the program's work.
    valgrind --tool=callgrind --separate-threads=yes --callgrind-out-file="$work/cg.$1" \
        --collect-atstart=no --toggle-collect='QCoreApplication::exec()' \
        "$probe" --entries "$@" > /dev/null 2>&1
    # Thread 1 is the one that runs the event loop, the engine and the port.
    sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$work/cg.$1"-01
}
syscalls() {
    strace -f -qq -o "$work/st.$1" "$probe" --entries "$@" > /dev/null
    local main
    main=$(head -1 "$work/st.$1" | cut -d' ' -f1)
    # A call strace shows in two pieces ("<... resumed>") counts once.
    grep "^$main " "$work/st.$1" | grep -vc ' <\.\.\. '
}

a1=$(allocs 1 "$@"); an=$(allocs "$n" "$@")
i1=$(instructions 1 "$@"); in=$(instructions "$n" "$@")
s1=$(syscalls 1 "$@"); sn=$(syscalls "$n" "$@")
per() { awk -v a="$1" -v b="$2" -v n="$n" 'BEGIN { printf "%.1f", (b - a) / (n - 1) }'; }
echo "per exchange ($n entries against 1${*:+, $*}):" \
    "instructions $(per "$i1" "$in"), allocations $(per "$a1" "$an"), system calls $(per "$s1" "$sn")"
