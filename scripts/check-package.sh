#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the tree and checks what it installs, as a distribution and a
# software centre would: the menu entry, the AppStream metadata (validated, and composed into a
# catalog with its icons), the manual page, and lintian on the package.
#   bash scripts/check-package.sh
# The .deb and its companions end up in build-package/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh package
out=build-package
rm -rf "$out"
mkdir -p "$out"

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -q DEB_HOST_ARCH)
dpkg-buildpackage -us -uc -b > "$out/build.log" 2>&1 || { tail -n 60 "$out/build.log" >&2; exit 1; }
for f in ../tavoli_"${version}"_"${arch}".{deb,buildinfo,changes} \
  ../tavoli-dbgsym_"${version}"_"${arch}".deb; do
  [ -e "$f" ] && mv "$f" "$out/"
done
debian/rules clean > /dev/null 2>&1 || true
deb="$out/tavoli_${version}_${arch}.deb"
tree="$out/root"
dpkg-deb -x "$deb" "$tree"

failed=0
check() { # name, command...
  local name=$1
  shift
  if "$@" > "$out/$name.log" 2>&1; then
    echo "$name: bien"
  else
    failed=1
    cat "$out/$name.log" >&2
    echo "$name: ha fallado" >&2
  fi
}

check desktop-file-validate desktop-file-validate "$tree/usr/share/applications/es.tavoli.tavoli.desktop"
check appstream-validate appstreamcli validate --no-net --pedantic \
  "$tree/usr/share/metainfo/es.tavoli.tavoli.metainfo.xml"
# compose reports success even when it drops the component (no icon, say): the catalog must
# hold it with icons of its own.
compose_ok() {
  appstreamcli compose --no-net --origin=tavoli --result-root="$out/compose" "$tree" &&
    zcat "$out/compose/usr/share/swcatalog/xml/tavoli.xml.gz" |
    grep -q '<icon type="cached" width="64" height="64">es.tavoli.tavoli.png</icon>'
}
check appstream-compose compose_ok
# lexgrog finds the page's one-line description; the sections a reader looks for are there, in
# Spanish as the page is; the synopsis gives --rings as optional.
man_ok() {
  local page="$tree/usr/share/man/man1/tavoli.1.gz"
  lexgrog "$page" || return 1
  for section in NOMBRE SINOPSIS DESCRIPCIÓN OPCIONES '"ESTADO DE SALIDA"' ENTORNO ARCHIVOS \
    EJEMPLOS '"VÉASE TAMBIÉN"'; do
    zcat "$page" | grep -qx ".SH $section" || { echo "no section $section"; return 1; }
  done
  ! zcat "$page" | grep -E '^\.(SH|SS|TH) .*(NAME|SYNOPSIS|OPTIONS|EXIT|SEE ALSO|User|Usage)' || return 1
  zcat "$page" | grep -qF '[\fB\-\-rings\fR \fIN\fR]' || { echo "--rings not optional"; return 1; }
}
check lexgrog man_ok
# The udev rule the README sends people to, as an example that is not active until copied.
check udev-example test -f "$tree/usr/share/doc/tavoli/examples/77-tavoli-modemmanager-ignore.rules"
check lintian lintian --fail-on error,warning --display-info "$deb"
grep -E '^[EWI]:' "$out/lintian.log" || true
exit $failed
