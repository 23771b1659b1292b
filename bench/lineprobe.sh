#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Per command/reply exchange of a long list, on the line thread and on the window's: instructions
# (callgrind), heap allocations (counted by the probe) and system calls (strace). Each is taken
# for a list of N entries and for one entry; the difference is divided by N - 1.
#   bash bench/lineprobe.sh build/bench/tavoli-bench-line [N]
set -euo pipefail
probe=$1
n=${2:-2000}
shift $(( $# >= 2 ? 2 : 1 ))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Both threads' figures: the line thread serves the line, the window's thread should only hear
# of it at display rate.
allocs() { "$probe" --entries "$1" "$@" | sed -n 's/.*window thread \([0-9]*\), on the line thread \([0-9]*\).*/\1 \2/p'; }
instructions() {
    # Only inside the event loops (the window's, under QCoreApplication::exec, and the line
    # thread's): making the probe's list is not the program's work.
    valgrind --tool=callgrind --separate-threads=yes --callgrind-out-file="$work/cg.$1" \
        --collect-atstart=no --toggle-collect='QEventLoop::exec*' \
        "$probe" --entries "$@" > /dev/null 2>&1
    # Thread 1 runs the window's loop; the only other thread that runs a Qt event loop is the
    # line thread (the simulated modem's runs none, so it collects nothing).
    local window line=0 f n
    window=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$work/cg.$1"-01)
    for f in "$work/cg.$1"-0[2-9]; do
        n=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$f")
        [ "${n:-0}" -gt "$line" ] && line=$n
    done
    echo "$window $line"
}
syscalls() {
    local out window line
    out=$(strace -f -qq -o "$work/st.$1" "$probe" --entries "$@")
    window=$(head -1 "$work/st.$1" | cut -d' ' -f1)
    line=$(echo "$out" | sed -n 's/.*line thread \([0-9]*\),.*/\1/p')
    # A call strace shows in two pieces ("<... resumed>") counts once.
    echo "$(grep "^$window " "$work/st.$1" | grep -vc ' <\.\.\. ')" \
        "$(grep "^$line " "$work/st.$1" | grep -vc ' <\.\.\. ')"
}

read -r aw1 al1 <<< "$(allocs 1 "$@")"; read -r awn aln <<< "$(allocs "$n" "$@")"
read -r iw1 il1 <<< "$(instructions 1 "$@")"; read -r iwn iln <<< "$(instructions "$n" "$@")"
read -r sw1 sl1 <<< "$(syscalls 1 "$@")"; read -r swn sln <<< "$(syscalls "$n" "$@")"
per() { awk -v a="$1" -v b="$2" -v n="$n" 'BEGIN { printf "%.1f", (b - a) / (n - 1) }'; }
echo "per exchange ($n entries against 1${*:+, $*}):"
echo "  line thread:   instructions $(per "$il1" "$iln"), allocations $(per "$al1" "$aln")," \
    "system calls $(per "$sl1" "$sln")"
echo "  window thread: instructions $(per "$iw1" "$iwn"), allocations $(per "$aw1" "$awn")," \
    "system calls $(per "$sw1" "$swn")"
