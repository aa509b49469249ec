#!/bin/sh
# Installs the package made by build-package.sh with apt, as a user would,
# and starts the installed programs:   install-package.sh <work dir>
# First choice is a fresh minimal Debian root made with debootstrap, which
# shows that the dependencies alone bring in everything the programs need.
# Where that root cannot be made (no archive reachable), the package goes into
# this system and is removed again. Either changes the machine, so this runs
# only where CI=true and as root; elsewhere it reports itself skipped.
set -eu
[ "${CI:-}" = true ] || { echo "skipped: installs packages, runs only in CI"; exit 77; }
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(cd "$1" && pwd)
set -- "$work"/murmurine_*.deb
deb=$1
name=$(basename "$deb")
export DEBIAN_FRONTEND=noninteractive
fail() { echo "FAIL: $*" >&2; exit 1; }

root="$work/clean-root"
mounted() { grep -q " $root/" /proc/mounts; }
cleanup_root() {
    for m in dev/pts dev proc; do umount "$root/$m" 2>/dev/null || true; done
    # Never delete through a mount that is still there.
    if ! mounted; then rm -rf --one-file-system "$root"; fi
}

cleanup_root
if command -v debootstrap >/dev/null \
    && debootstrap --variant=minbase bookworm "$root" >"$work/debootstrap.log" 2>&1; then
    trap cleanup_root EXIT
    mount -t proc proc "$root/proc"
    mount --bind /dev "$root/dev"
    mount --bind /dev/pts "$root/dev/pts"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    cp "$deb" "$here/smoke-installed.sh" "$root/tmp/"
    if [ -n "${XAUTHORITY:-}" ]; then cp "$XAUTHORITY" "$root/tmp/xauthority"; fi
    chroot "$root" sh -c "apt-get update -qq && cd /tmp && apt-get install -y -qq ./$name" >"$work/install.log" 2>&1 \
        || { tail -20 "$work/install.log"; fail "apt-get cannot install the package on a clean Debian"; }
    echo "installed on a clean Debian root with $(grep -c '^Setting up' "$work/install.log") packages"
    chroot "$root" env DISPLAY="${DISPLAY:-}" XAUTHORITY=/tmp/xauthority QT_QPA_PLATFORM=xcb \
        sh /tmp/smoke-installed.sh /usr
else
    echo "no clean Debian root could be made (see $work/debootstrap.log); installing into this system"
    trap 'apt-get purge -y -qq murmurine >/dev/null 2>&1 || true' EXIT
    apt-get install -y -qq --no-install-recommends "$deb"
    dpkg-query -W -f='${Status}\n' murmurine | grep -q "install ok installed" || fail "the package is not installed"
    sh "$here/smoke-installed.sh" /usr
fi
