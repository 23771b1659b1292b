#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The monitoring examples of docs/examples: the Icinga 2 CheckCommand and the Nagios command
# pass their own tool's configuration check (each where that tool is installed), and the Nagios
# command line, as Nagios would run it, checks a simulated modem.
# Usage: monitoring-examples.sh TAVOLI TAVOLI_MODEM
set -euo pipefail
tavoli=$1 modem=$2
examples=$(cd "$(dirname "$0")/../../docs/examples" && pwd)
work=$(mktemp -d)
modem_pid=
trap '[ -z "$modem_pid" ] || kill "$modem_pid"; rm -rf "$work"' EXIT
cd "$work"
PATH=$PATH:/usr/sbin:/sbin

if command -v icinga2 > /dev/null; then
  cat > icinga2.conf << CONFIG
include <itl>
template Service "generic-service" { }
object Host "site-a-router" {
  check_command = "dummy"
  vars.modem_device = [ "/dev/ttyUSB0", "rfc2217://192.0.2.20:7001" ]
  vars.modem_rings = 2
}
include "$examples/tavoli-icinga2.conf"
CONFIG
  dirs=()
  for dir in DataDir CacheDir LogDir InitRunDir StateDir SpoolDir; do dirs+=("-D$dir=$work"); done
  icinga2 daemon -C -c icinga2.conf "${dirs[@]}" -DRunAsUser="$(id -un)" \
    -DRunAsGroup="$(id -gn)" > icinga2.out 2>&1 || { cat icinga2.out; exit 1; }
  # The apply rule gave the host its service.
  grep -q "Instantiated 1 Service\." icinga2.out || { cat icinga2.out; exit 1; }
  # A host without modem_speed gives its service no tavoli_speed: a null would go out as
  # --speed "", which tavoli refuses, and every check would be UNKNOWN.
  if grep -o '"tavoli_[a-z_]*":null' "$work/icinga2.debug"; then exit 1; fi
  echo "icinga2 daemon -C: valid"
else
  echo "icinga2 is not installed: its CheckCommand is not checked"
fi

nagios=$(command -v nagios4 || command -v nagios || true)
if [ -n "$nagios" ]; then
  cat > objects.cfg << 'OBJECTS'
define timeperiod {
    timeperiod_name always
    alias           Always
    sunday          00:00-24:00
}
define command {
    command_name    notify-nobody
    command_line    /bin/true
}
define contact {
    contact_name                    nobody
    host_notifications_enabled      0
    service_notifications_enabled   0
    host_notification_period        always
    service_notification_period     always
    host_notification_options       n
    service_notification_options    n
    host_notification_commands      notify-nobody
    service_notification_commands   notify-nobody
}
define service {
    name                generic-service
    register            0
    max_check_attempts  3
    check_interval      5
    retry_interval      1
    check_period        always
    notification_period always
    contacts            nobody
}
define host {
    host_name           site-a-router
    address             192.0.2.10
    max_check_attempts  3
    check_period        always
    notification_period always
    contacts            nobody
}
OBJECTS
  {
    echo "cfg_file=$work/objects.cfg"
    echo "cfg_file=$examples/tavoli-nagios.cfg"
    for file in lock_file temp_file status_file log_file state_retention_file object_cache_file \
      precached_object_file command_file; do
      echo "$file=$work/nagios.$file"
    done
    echo "check_result_path=$work"
    echo "temp_path=$work"
    echo "nagios_user=$(id -un)"
    echo "nagios_group=$(id -gn)"
  } > nagios.cfg
  "$nagios" -v nagios.cfg > nagios.out || { cat nagios.out; exit 1; }
  echo "$nagios -v: valid"
else
  echo "nagios4 is not installed: its command definition is not checked"
fi

# The command line with its arguments put in as Nagios does, against a modem that holds S0=2
# and S37=6 (2400 bit/s).
"$modem" --set S0=2 --set S37=6 > modem.path &
modem_pid=$!
for _ in $(seq 100); do
  [ -s modem.path ] && break
  sleep 0.05
done
line=$(sed -n 's/^ *command_line *//p' "$examples/tavoli-nagios.cfg")
line=${line//\/usr\/bin\/tavoli/$tavoli}
line=${line//\$ARG1\$/$(head -n 1 modem.path)}
line=${line//\$ARG2\$/2}
line=${line//\$ARG3\$/--speed 2400}
output=$(sh -c "$line") || { echo "exit $?: $output"; exit 1; }
echo "$output"
[[ $output == "MODEM OK - "* ]]
