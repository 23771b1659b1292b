#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Ansible collection against simulated modems: modem-playbook.yml on localhost, one modem on
# its pseudo-terminal and one through ser2net (RFC 2217), both at once.
# Usage: ansible-playbook.sh TAVOLI TAVOLI_MODEM
set -euo pipefail
tavoli=$1 modem=$2
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v ansible-playbook > /dev/null; then
  echo "ansible-playbook (ansible-core) is not installed: skipped"
  exit 77
fi
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  wait
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/collections/ansible_collections/tavoli"
ln -s "$here/../../contrib/ansible" "$work/collections/ansible_collections/tavoli/modem"

# A simulated modem, with the faults given after its name; its device path in $device.
start_modem() {
  "$modem" --set S0=0 --set S37=9 "${@:2}" > "$work/$1.path" &
  pids+=($!)
  for _ in $(seq 100); do
    [ -s "$work/$1.path" ] && break
    sleep 0.05
  done
  device=$(head -n 1 "$work/$1.path")
}

start_modem local
cat > "$work/inventory" << INVENTORY
[modems]
local_pty device=$device
INVENTORY

ser2net=$(PATH=$PATH:/usr/sbin:/sbin command -v ser2net || true)
if [ -n "$ser2net" ]; then
  start_modem served
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat > "$work/ser2net.yaml" << CONFIG
connection: &modem
  accepter: telnet(rfc2217),tcp,127.0.0.1,$port
  connector: serialdev,$device,9600n81,local
  options:
    mdns: false
CONFIG
  "$ser2net" -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" &
  pids+=($!)
  for _ in $(seq 100); do
    (exec 3<> "/dev/tcp/127.0.0.1/$port") 2> /dev/null && break
    sleep 0.05
  done
  sleep 0.1 # ser2net lets the device go
  echo "through_ser2net device=rfc2217://127.0.0.1:$port" >> "$work/inventory"
else
  echo "ser2net is not installed: only the modem on its pseudo-terminal"
fi
start_modem no_s37 --error-on 'S37?'
cat >> "$work/inventory" << INVENTORY
[modems:vars]
ansible_connection=local
[without_s37]
no_s37_pty device=$device ansible_connection=local
INVENTORY

export ANSIBLE_COLLECTIONS_PATH=$work/collections ANSIBLE_LOCAL_TEMP=$work/tmp \
  ANSIBLE_REMOTE_TEMP=$work/tmp ANSIBLE_RETRY_FILES_ENABLED=false ANSIBLE_NOCOLOR=1 \
  ANSIBLE_PYTHON_INTERPRETER=auto_silent
cd "$work"
ansible-playbook -i inventory -e "tavoli=$tavoli" "$here/modem-playbook.yml"
