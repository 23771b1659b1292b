#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Ansible collection as ansible-doc and ansible-test see it, offline: ansible-doc shows each
# module, the documented options are the modules' own, and the ansible-test sanity tests that
# need nothing from the network pass.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v ansible-doc > /dev/null; then
  echo "ansible-doc (ansible-core) is not installed: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# ansible-test wants the collection where its name says, as real files.
collection=$work/ansible_collections/tavoli/modem
mkdir -p "$(dirname "$collection")"
cp -r "$here/../../contrib/ansible" "$collection"
export ANSIBLE_COLLECTIONS_PATH=$work ANSIBLE_LOCAL_TEMP=$work/tmp HOME=$work
python=$(head -n 1 "$(command -v ansible-doc)" | sed 's/^#! *//; s/ .*//')

for module in tavoli.modem.modem tavoli.modem.modem_info; do
  ansible-doc "$module" > /dev/null
done
"$python" "$here/module-docs.py" "$work"

# The others (pylint, validate-modules, yamllint...) install their tools from PyPI first.
tests=(action-plugin-docs compile empty-init future-import-boilerplate line-endings
  metaclass-boilerplate no-assert no-basestring no-dict-iteritems no-dict-iterkeys
  no-dict-itervalues no-get-exception no-illegal-filenames no-main-display no-smart-quotes
  no-unicode-literals replace-urlopen shebang symlinks use-argspec-type-path use-compat-six)
cd "$collection"
version=$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
ansible-test sanity --local --python "$version" "${tests[@]/#/--test=}"
