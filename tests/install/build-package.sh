#!/bin/sh
# Builds a release of the source tree, makes the Debian package with cpack and
# checks it with lintian and dpkg:   build-package.sh <source dir> <work dir>
# Leaves <work dir>/murmurine_<version>_<arch>.deb for install-package.sh.
set -eu
source=$1
work=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S "$source" -B "$work" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DMURMURINE_TESTS=OFF -DMURMURINE_BENCH=OFF $launcher >/dev/null
cmake --build "$work" -j"$(nproc)" >/dev/null
rm -f "$work"/murmurine_*.deb
(cd "$work" && cpack -G DEB >/dev/null)
set -- "$work"/murmurine_*.deb
[ -f "$1" ] || fail "cpack made no package"
deb=$1

lintian --fail-on error "$deb" || fail "lintian reports errors"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/murmurine ./usr/bin/murmurine-settings ./usr/bin/haltpad ./usr/share/murmurine/data.txt \
         ./usr/share/doc/murmurine/copyright ./usr/share/doc/murmurine/changelog.gz; do
    echo "$contents" | grep -q " $f\$" || fail "the package lacks $f"
done
# Every dependency dpkg-shlibdeps found must come from the distribution's archive.
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q libqt6widgets6 || fail "the dependencies lack Qt: $depends"
for package in $(echo "$depends" | tr ',' '\n' | sed 's/(.*)//; s/|.*//' | tr -d ' '); do
    apt-cache show "$package" >/dev/null 2>&1 || fail "no archive package $package"
done
echo "package $deb: Depends: $depends"
