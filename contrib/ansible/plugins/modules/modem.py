#!/usr/bin/python
# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: modem
short_description: Configure or unconfigure a Hayes modem so that it answers calls by itself
description:
  - Prepares one Hayes-compatible modem, on a serial port of the managed host or behind a
    terminal server, with the C(tavoli) command line installed on the managed host.
  - Idempotent. The modem is read first (C(tavoli query)) and changed only when what is read
    differs from what is asked. With I(state=configured) the ring count (S0) is compared with
    I(rings); S37 is compared with the code of I(speed) only when I(speed) is given and I(list)
    contains C(S37=#) (the stored list is not read, so S37 is not compared without I(list)).
    With I(state=unconfigured) the modem counts as unconfigured when S0 is 0 (it answers no
    call by itself, as after C(AT&F)).
  - When they differ, C(tavoli configure) resets the modem to its factory profile, sends the
    list with the ring count, S37 code and modulation code filled in, and stores the profile;
    C(tavoli unconfigure) restores and stores the factory profile.
  - A failure gives Tavoli's own message as I(msg), with its exit status and kind of failure.
version_added: 1.0.0
author:
  - Tavoli developers
options:
  device:
    description:
      - The modem's device on the managed host (C(/dev/ttyUSB0)), or a terminal server's port as
        C(rfc2217://HOST:PORT) (Telnet with COM Port Control) or C(socket://HOST:PORT) (plain
        TCP; IPv6 addresses in brackets).
    type: str
    required: true
  state:
    description:
      - C(configured) prepares the modem to answer after I(rings) rings; C(unconfigured) puts it
        back on its factory profile.
    type: str
    choices: [configured, unconfigured]
    default: configured
  rings:
    description:
      - Rings after which the modem answers (S0), 0 to 99. Required with I(state=configured).
    type: int
  speed:
    description:
      - Speed of the serial line in bit/s (Tavoli's default is 9600). With I(state=configured)
        it also chooses the S37 and modulation codes put into the list.
    type: int
    choices: [1200, 2400, 4800, 9600]
  parity:
    description:
      - Parity, carried by Tavoli in bit 7 (Tavoli's default is C(odd)).
    type: str
    choices: [none, odd, even]
  stop_bits:
    description:
      - Stop bits (Tavoli's default is 1).
    type: int
    choices: [1, 2]
  list:
    description:
      - The AT command bodies to send, without C(AT), separated by C(;), with the placeholders
        C(S0=#), C(S37=#) and C(+MS=V#). Without it Tavoli sends its stored list (C(tavoli.INI)
        in I(chdir)), or its built-in one when there is none.
      - The list must set C(S0=#), or the ring count read afterwards never matches I(rings).
      - Used with I(state=configured) only.
    type: str
  verify:
    description:
      - After configuring, read S0 and S37 again and fail when they are not what was asked
        (C(tavoli configure --verify)).
    type: bool
    default: true
  chdir:
    description:
      - Folder to run C(tavoli) in, the one whose C(tavoli.INI) holds the stored list.
    type: path
  tavoli_path:
    description:
      - The C(tavoli) program on the managed host. By default it is looked up in C(PATH).
    type: path
notes:
  - Check mode reads the modem (the query changes nothing it stores) and reports what would
    change. With C(--diff) the compared values are shown before and after.
  - Only one task at a time may use a device; Tavoli refuses a port that another program holds.
requirements:
  - tavoli on the managed host
seealso:
  - module: tavoli.modem.modem_info
'''

EXAMPLES = r'''
- name: Modem on the first USB adapter answers after two rings
  tavoli.modem.modem:
    device: /dev/ttyUSB0
    rings: 2

- name: A modem behind ser2net, at 2400 bit/s, with S37 set (and compared) from the list
  tavoli.modem.modem:
    device: rfc2217://192.168.1.20:7001
    rings: 3
    speed: 2400
    parity: none
    list: "V0;S0=#;S37=#;E0;&D0"

- name: Back to the factory profile
  tavoli.modem.modem:
    device: /dev/ttyACM0
    state: unconfigured
'''

RETURN = r'''
before:
  description: The compared values as the modem held them (S0 as C(rings), and C(s37) when compared).
  returned: success
  type: dict
  sample: {"rings": 0, "s37": 9}
after:
  description: The compared values as asked; the modem holds them now (or would, in check mode).
  returned: success
  type: dict
  sample: {"rings": 2, "s37": 6}
tavoli:
  description:
    - The JSON object of the last C(tavoli) run, as Tavoli printed it (the query when nothing
      changed, else the configuration).
  returned: always, except when Tavoli printed no result (a wrong command line)
  type: dict
  sample: {"action": "query", "device": "/dev/ttyUSB0", "ok": true, "exit": 0, "rings": 2, "s37": 9}
exit:
  description: Tavoli's exit status (0 done, 1 refused, 2 no reply, 3 device failed, 64 usage).
  returned: failure
  type: int
  sample: 3
failure:
  description:
    - The kind of failure as Tavoli names it (C(port_unavailable), C(no_reply), C(verify_mismatch)...).
    - From a Tavoli that does not name it, taken from the exit status (C(refused), C(no_reply),
      C(device_failed), C(usage)).
  returned: failure
  type: str
  sample: port_unavailable
command:
  description: The AT command the failure concerns, if any.
  returned: failure
  type: str
  sample: ATS0=2
'''

import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tavoli.modem.plugins.module_utils.tavoli_command import (
    LINE_OPTIONS, S37_CODES, run)


def wanted_values(params):
    """What the modem should hold, for the values that are compared."""
    if params['state'] == 'unconfigured':
        return dict(rings=0)
    wanted = dict(rings=params['rings'])
    if params['speed'] is not None and params['list'] is not None and 'S37=#' in params['list']:
        wanted['s37'] = S37_CODES[params['speed']]
    return wanted


def main():
    module = AnsibleModule(
        argument_spec=dict(
            LINE_OPTIONS,
            state=dict(type='str', choices=['configured', 'unconfigured'], default='configured'),
            rings=dict(type='int'),
            list=dict(type='str'),
            verify=dict(type='bool', default=True),
            chdir=dict(type='path'),
        ),
        required_if=[('state', 'configured', ('rings',))],
        supports_check_mode=True,
    )
    params = module.params
    if params['rings'] is not None and not 0 <= params['rings'] <= 99:
        module.fail_json(msg='rings must be 0 to 99, not %d' % params['rings'])
    if params['chdir'] is not None and not os.path.isdir(params['chdir']):
        # run_command would pass a missing folder over, and another folder's list be sent.
        module.fail_json(msg='chdir is not a folder: %s' % params['chdir'])

    wanted = wanted_values(params)
    # S0 alone tells when S37 is not compared: a modem without S37 is managed all the same.
    read = run(module, 'query', cwd=params['chdir'], s37_optional='s37' not in wanted)
    before = dict((name, read.get(name)) for name in wanted)
    changed = before != wanted
    result = dict(changed=changed, before=before, after=wanted, tavoli=read)
    if module._diff:
        result['diff'] = dict(before=before, after=wanted)
    if changed and not module.check_mode:
        if params['state'] == 'configured':
            extra = ['--rings', str(params['rings'])]
            if params['list'] is not None:
                extra += ['--list', params['list']]
            if params['verify']:
                extra.append('--verify')
            result['tavoli'] = run(module, 'configure', extra, cwd=params['chdir'])
        else:
            result['tavoli'] = run(module, 'unconfigure', cwd=params['chdir'])
    module.exit_json(**result)


if __name__ == '__main__':
    main()
