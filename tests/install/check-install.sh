#!/bin/sh
# Installs a build tree into a fresh prefix and checks the layout, the desktop
# entries, the AppStream metadata and the manual pages, then starts the
# programs from there:   check-install.sh <build dir>
set -eu
build=$1
here=$(dirname "$0")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in share/murmurine/data.txt share/murmurine/welcome.png share/murmurine/help/index.html \
         share/applications/org.murmurine.Murmurine.desktop \
         share/applications/org.murmurine.MurmurineSettings.desktop \
         share/metainfo/org.murmurine.Murmurine.metainfo.xml \
         share/icons/hicolor/scalable/apps/murmurine.svg \
         share/icons/hicolor/16x16/apps/murmurine.png share/icons/hicolor/48x48/apps/murmurine.png \
         share/icons/hicolor/256x256/apps/murmurine.png \
         share/man/man1/murmurine.1.gz share/man/man1/murmurine-settings.1.gz share/man/man1/haltpad.1.gz \
         share/doc/murmurine/copyright share/doc/murmurine/changelog.gz; do
    [ -e "$prefix/$f" ] || fail "$f is not installed"
done
for f in bin/murmurine bin/murmurine-settings bin/haltpad; do
    [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done

desktop-file-validate "$prefix"/share/applications/*.desktop || fail "a desktop entry is not valid"
appstreamcli validate --no-net "$prefix/share/metainfo/org.murmurine.Murmurine.metainfo.xml" >/dev/null \
    || fail "the AppStream metadata is not valid"
for page in "$prefix"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
done

sh "$here/smoke-installed.sh" "$prefix"
