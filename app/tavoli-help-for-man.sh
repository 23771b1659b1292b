#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs tavoli (its path first, then the arguments) for help2man, with the Spanish headings of
# --help under the names help2man makes sections of: SYNOPSIS, OPTIONS, EXIT STATUS, EXAMPLES.
# help2man only knows them in English; the texts themselves are left as they are.
set -euo pipefail
program=$1
shift
"$program" "$@" | sed -e '1s/^Uso:/Usage:/' \
  -e 's/^Opciones:$/Options:/' \
  -e 's/^Estado de salida:$/*EXIT STATUS*/' \
  -e 's/^Ejemplos:$/Examples:/' \
  -e 's/^Orden check:$/*MONITORING CHECK*/'
