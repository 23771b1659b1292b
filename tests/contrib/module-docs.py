# SPDX-License-Identifier: GPL-3.0-or-later
"""The collection's modules document what they take: every block parses as YAML, and the options
of DOCUMENTATION are what the module's AnsibleModule is given (names, types, defaults, choices, required).
Usage: python3 module-docs.py COLLECTIONS_ROOT (the folder holding ansible_collections/)."""
import importlib
import sys

import yaml

sys.path.insert(0, sys.argv[1])
failures = []


class Arguments(Exception):
    pass


def argument_spec(name):
    module = importlib.import_module('ansible_collections.tavoli.modem.plugins.modules.' + name)

    def capture(argument_spec, **kwargs):
        raise Arguments(argument_spec)

    module.AnsibleModule = capture
    try:
        module.main()
    except Arguments as given:
        return module, given.args[0]
    raise AssertionError(name + ': main() made no AnsibleModule')


for name in ('modem', 'modem_info'):
    module, taken = argument_spec(name)
    documented = yaml.safe_load(module.DOCUMENTATION)
    for block in ('EXAMPLES', 'RETURN'):
        yaml.safe_load(getattr(module, block))
    options = documented['options']
    if set(options) != set(taken):
        failures.append('%s: documented %s, taken %s' % (name, sorted(options), sorted(taken)))
    for option in set(options) & set(taken):
        doc, arg = options[option], taken[option]
        for key, default in (('type', 'str'), ('default', None), ('required', False)):
            if doc.get(key, default) != arg.get(key, default):
                failures.append('%s.%s: %s documented %r, taken %r'
                                % (name, option, key, doc.get(key, default), arg.get(key, default)))
        if sorted(doc.get('choices') or []) != sorted(arg.get('choices') or []):
            failures.append('%s.%s: choices documented %r, taken %r'
                            % (name, option, doc.get('choices'), arg.get('choices')))
print('\n'.join(failures) or 'every option documented as taken')
sys.exit(1 if failures else 0)
