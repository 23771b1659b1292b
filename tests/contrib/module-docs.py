# SPDX-License-Identifier: GPL-3.0-or-later
"""The collection's modules document what they take: every block parses as YAML, and the options
of DOCUMENTATION are the module's argument spec (names, types, defaults, choices, required).
Usage: python3 module-docs.py COLLECTIONS_ROOT (the folder holding ansible_collections/)."""
import importlib
import sys

import yaml

sys.path.insert(0, sys.argv[1])
failures = []


class Spec(Exception):
    pass


def argument_spec(name):
    module = importlib.import_module('ansible_collections.tavoli.modem.plugins.modules.' + name)

    def capture(argument_spec, **kwargs):
        raise Spec(argument_spec)

    module.AnsibleModule = capture
    try:
        module.main()
    except Spec as spec:
        return module, spec.args[0]
    raise AssertionError(name + ': main() made no AnsibleModule')


for name in ('modem', 'modem_info'):
    module, spec = argument_spec(name)
    documented = yaml.safe_load(module.DOCUMENTATION)
    for block in ('EXAMPLES', 'RETURN'):
        yaml.safe_load(getattr(module, block))
    options = documented['options']
    if set(options) != set(spec):
        failures.append('%s: documented %s, taken %s' % (name, sorted(options), sorted(spec)))
    for option in set(options) & set(spec):
        doc, arg = options[option], spec[option]
        for key, default in (('type', 'str'), ('default', None), ('required', False)):
            if doc.get(key, default) != arg.get(key, default):
                failures.append('%s.%s: %s documented %r, taken %r'
                                % (name, option, key, doc.get(key, default), arg.get(key, default)))
        if sorted(doc.get('choices') or []) != sorted(arg.get('choices') or []):
            failures.append('%s.%s: choices documented %r, taken %r'
                            % (name, option, doc.get('choices'), arg.get('choices')))
print('\n'.join(failures) or 'every option documented as taken')
sys.exit(1 if failures else 0)
