#!/usr/bin/python
# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: modem_info
short_description: Read a Hayes modem's ring count and line-speed setting
description:
  - Runs C(tavoli query) on the managed host for one modem and returns what it read as typed
    values, the ring count (S0), the S37 code and the speed it names.
  - The query changes nothing the modem stores, and holds the port only while it runs.
version_added: 1.0.0
author:
  - Tavoli developers
options:
  device:
    description:
      - The modem's device on the managed host (C(/dev/ttyUSB0)), or a terminal server's port as
        C(rfc2217://HOST:PORT) or C(socket://HOST:PORT).
    type: str
    required: true
  speed:
    description:
      - Speed of the serial line in bit/s (Tavoli's default is 9600).
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
  tavoli_path:
    description:
      - The C(tavoli) program on the managed host. By default it is looked up in C(PATH).
    type: path
notes:
  - A modem that does not answer, or a device that cannot be opened, fails the task with
    Tavoli's own message, its exit status and the kind of failure.
requirements:
  - tavoli on the managed host
seealso:
  - module: tavoli.modem.modem
'''

EXAMPLES = r'''
- name: Read the modem
  tavoli.modem.modem_info:
    device: /dev/ttyUSB0
  register: found

- name: Say when it does not answer after two rings
  ansible.builtin.debug:
    msg: "S0 is {{ found.modem.rings }}"
  when: found.modem.rings != 2
'''

RETURN = r'''
modem:
  description: What the query read.
  returned: success
  type: dict
  contains:
    rings:
      description: The ring count (S0); null when it was not read.
      type: int
      sample: 2
    s37:
      description: The S37 code; null when it was not read.
      type: int
      sample: 9
    speed_bps:
      description:
        - The speed S37 names, in bit/s.
        - Null for automatic, for a code Tavoli has no speed for, or from a Tavoli that does not
          report it.
      type: int
      sample: 9600
tavoli:
  description: The JSON object C(tavoli query) printed, as it printed it.
  returned: always, except when Tavoli printed no result (a wrong command line)
  type: dict
  sample: {"action": "query", "device": "/dev/ttyUSB0", "ok": true, "exit": 0, "rings": 2, "s37": 9}
exit:
  description: Tavoli's exit status (1 refused, 2 no reply, 3 device failed, 64 usage).
  returned: failure
  type: int
  sample: 2
failure:
  description: The kind of failure as Tavoli names it, or as its exit status says for a Tavoli that does not.
  returned: failure
  type: str
  sample: no_reply
command:
  description: The AT command the failure concerns, if any.
  returned: failure
  type: str
  sample: ATE0Q0V0
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tavoli.modem.plugins.module_utils.tavoli_command import (
    LINE_OPTIONS, reading, run)


def main():
    module = AnsibleModule(argument_spec=dict(LINE_OPTIONS), supports_check_mode=True)
    read = run(module, 'query')
    module.exit_json(changed=False, modem=reading(read), tavoli=read)


if __name__ == '__main__':
    main()
