# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs the tavoli command line on the managed host and reads the JSON object it prints for the
device. A failure ends the module with Tavoli's own result: its error text as it is, its exit
status and the kind of failure; the Spanish text is never read to decide anything."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# What a Tavoli that does not name the failure in its JSON means by its exit status.
FAILURE_BY_EXIT = {1: 'refused', 2: 'no_reply', 3: 'device_failed', 64: 'usage'}

# The S37 code Tavoli puts in place of S37=# for each speed.
S37_CODES = {9600: 9, 4800: 8, 2400: 6, 1200: 5}

# How the modem is reached; every module of the collection takes these.
LINE_OPTIONS = dict(
    device=dict(type='str', required=True),
    speed=dict(type='int', choices=sorted(S37_CODES)),
    parity=dict(type='str', choices=['none', 'odd', 'even']),
    stop_bits=dict(type='int', choices=[1, 2]),
    tavoli_path=dict(type='path'),
)


def failure_of(result):
    """The kind of failure of a result that is not ok: Tavoli's own, or read from its exit."""
    if 'failure' in result:
        return result['failure']
    return FAILURE_BY_EXIT.get(result.get('exit'))


def reading(result):
    """The modem's values as a query (or a configuration's verification) read them."""
    return dict(rings=result.get('rings'), s37=result.get('s37'), speed_bps=result.get('speed_bps'))


def run(module, action, extra=None, cwd=None, s37_optional=False):
    """Runs `tavoli ACTION --json` on the module's device and returns its JSON object; fails
    the module when Tavoli reports a failure or gives no result. With s37_optional, a query
    whose only failure is an unanswered ATS37? (a modem without that register) is a result."""
    params = module.params
    program = params['tavoli_path'] or module.get_bin_path('tavoli', required=True)
    argv = [program, action, '--json', '--device', params['device']]
    for option, name in (('speed', '--speed'), ('parity', '--parity'), ('stop_bits', '--stop-bits')):
        if params[option] is not None:
            argv += [name, str(params[option])]
    argv += extra or []
    rc, out, err = module.run_command(argv, cwd=cwd)
    result = None
    for line in out.splitlines():
        try:
            parsed = json.loads(line)
        except ValueError:
            continue
        if isinstance(parsed, dict) and parsed.get('device') == params['device']:
            result = parsed
    if result is None:
        # A wrong command line (or a Tavoli that could not start) prints no result: its
        # message went to stderr.
        module.fail_json(msg=(err or out).strip() or 'tavoli %s: exit status %d' % (action, rc),
                         exit=rc, failure=FAILURE_BY_EXIT.get(rc), command=None, cmd=argv)
    s37_only = s37_optional and result.get('rings') is not None \
        and result.get('s37_reason') == 'no_reply'
    if not result.get('ok') and not s37_only:
        module.fail_json(msg=result.get('error'), exit=result.get('exit', rc),
                         failure=failure_of(result), command=result.get('command'),
                         tavoli=result, cmd=argv)
    return result
