#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What one command/reply exchange costs the program, on a local line and through a terminal
# server: `tavoli configure` of a long list against the simulated modem on a pseudo-terminal,
# then against the same modem behind ser2net (rfc2217:// and socket://, 127.0.0.1 only).
# Counted, so that a shared, noisy machine does not change them:
#   - user-space instructions of the whole tavoli process (callgrind, every thread), and
#   - its system calls (strace -c -f),
# each for the long list and for a one-entry list; the difference over the difference in
# entries is the cost of one exchange, start-up and connection cancelling out.
#
# Each count is the median of REPEAT runs (default 3): the local start-up looks through /proc
# for programs holding the port, so its count moves a little with the machine's processes.
#
#   bash bench/exchangecost.sh [BUILD_DIR] [ENTRIES]     # defaults: build 2000
# Needs valgrind, strace and ser2net (bash scripts/install-deps.sh test).
set -euo pipefail

build=$(realpath "${1:-build}")
entries=${2:-2000}
repeat=${REPEAT:-3}
tavoli=$build/app/tavoli
modem=$build/tools/tavoli-modem
ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
for tool in "$tavoli" "$modem" "$ser2net" "$(command -v valgrind)" "$(command -v strace)"; do
  [ -x "$tool" ] || { echo "exchangecost: missing $tool" >&2; exit 2; }
done

work=$(mktemp -d)
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

# The simulated modem: its first line is its pseudo-terminal.
"$modem" >"$work/modem.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/modem.out" ] && break; sleep 0.1; done
device=$(head -n1 "$work/modem.out")
[ -e "$device" ] || { echo "exchangecost: the simulated modem did not start" >&2; exit 1; }

# A free TCP port of 127.0.0.1: nobody accepts on it.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}
telnet_port=$(free_port)
raw_port=$(free_port)
while [ "$raw_port" = "$telnet_port" ]; do raw_port=$(free_port); done
cat >"$work/ser2net.yaml" <<YAML
connection: &telnet
  accepter: telnet(rfc2217),tcp,127.0.0.1,$telnet_port
  connector: serialdev,$device,9600n81,local
  options:
    mdns: false
connection: &raw
  accepter: tcp,127.0.0.1,$raw_port
  connector: serialdev,$device,9600n81,local
  options:
    mdns: false
YAML
"$ser2net" -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$telnet_port") 2>/dev/null && break
  sleep 0.1
done
sleep 0.2 # ser2net lets the device go after the probe

bodies=(S0=# B0 L2 M1 Y1 N1 '&D0' '&S0' X4 '&C1' S7=50 S10=14)
list_of() {
  local n=$1 i list=""
  for ((i = 0; i < n; i++)); do list+="${list:+;}${bodies[i % ${#bodies[@]}]}"; done
  echo "$list"
}
long_list=$(list_of "$entries")
short_list=$(list_of 1)

# run TOOL DEVICE LIST: the tool's count for one configure.
run() {
  local tool=$1 target=$2 list=$3 out="$work/out.$RANDOM"
  local args=(configure --rings 2 --list "$list" --device "$target")
  case $tool in
    instructions)
      valgrind --tool=callgrind --callgrind-out-file="$out" "$tavoli" "${args[@]}" \
        >"$out.stdout" 2>"$out.stderr"
      grep -q 'configurado con éxito' "$out.stdout" || { cat "$out.stdout" "$out.stderr" >&2; exit 1; }
      awk '/^(summary|totals):/ { print $2; exit }' "$out"
      ;;
    syscalls)
      strace -c -f -o "$out" "$tavoli" "${args[@]}" >"$out.stdout" 2>&1
      grep -q 'configurado con éxito' "$out.stdout" || { cat "$out.stdout" >&2; exit 1; }
      awk '$NF == "total" { print $(NF - 2); exit }' "$out"
      ;;
  esac
}

# median TOOL DEVICE LIST: the middle of REPEAT counts.
median() {
  local i counts=()
  for ((i = 0; i < repeat; i++)); do counts+=("$(run "$@")"); done
  printf '%s\n' "${counts[@]}" | sort -n | sed -n "$(((repeat + 1) / 2))p"
}

declare -A cost
lines=(local rfc2217 socket)
declare -A targets=([local]=$device [rfc2217]=rfc2217://127.0.0.1:$telnet_port
                    [socket]=socket://127.0.0.1:$raw_port)
echo "exchangecost: tavoli configure, $entries entries against 1, median of $repeat runs, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for tool in instructions syscalls; do
  for line in "${lines[@]}"; do
    long=$(median "$tool" "${targets[$line]}" "$long_list")
    short=$(median "$tool" "${targets[$line]}" "$short_list")
    cost[$tool.$line]=$(awk -v l="$long" -v s="$short" -v n="$entries" \
      'BEGIN { printf "%.1f", (l - s) / (n - 1) }')
    echo "  $tool, $line: $long with $entries entries, $short with 1" >&2
  done
done

printf '%-10s %22s %10s %18s %10s\n' line instructions/exchange "x local" syscalls/exchange "x local"
for line in "${lines[@]}"; do
  printf '%-10s %22s %10s %18s %10s\n' "$line" "${cost[instructions.$line]}" \
    "$(awk -v a="${cost[instructions.$line]}" -v b="${cost[instructions.local]}" 'BEGIN { printf "%.3f", a / b }')" \
    "${cost[syscalls.$line]}" \
    "$(awk -v a="${cost[syscalls.$line]}" -v b="${cost[syscalls.local]}" 'BEGIN { printf "%.3f", a / b }')"
done
echo "goal: rfc2217 within 1.2 x local"
