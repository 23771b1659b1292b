#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs tavoli (its path first, then the arguments). For help2man (TAVOLI_HELP2MAN set), the
# Spanish headings of --help go under the names help2man makes sections of: SYNOPSIS, OPTIONS,
# EXIT STATUS, EXAMPLES; help2man only knows them in English, and tavoli-man-spanish.sed puts
# the page's headings back in Spanish. Anyone else running it gets tavoli's own help.
set -euo pipefail
program=$1
shift
[ -n "${TAVOLI_HELP2MAN:-}" ] || exec "$program" "$@"
"$program" "$@" | sed -e '1s/^Uso:/Usage:/' \
  -e 's/^Opciones:$/Options:/' \
  -e 's/^Estado de salida:$/*EXIT STATUS*/' \
  -e 's/^Ejemplos:$/Examples:/' \
  -e 's/^Orden check:$/*MONITORING CHECK*/'
