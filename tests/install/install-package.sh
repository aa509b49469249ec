#!/bin/sh
# Installs the package made by build-package.sh with apt, as a user would,
# starts the installed programs, and removes the package again:
#   install-package.sh <work dir>
# This changes the machine's /usr, so it runs only where CI=true (a throw-away
# machine, as root); elsewhere it reports itself skipped.
set -eu
[ "${CI:-}" = true ] || { echo "skipped: installs into the system, runs only in CI"; exit 77; }
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root"; exit 77; }
here=$(dirname "$0")
set -- "$1"/murmurine_*.deb
deb=$(realpath "$1")
export DEBIAN_FRONTEND=noninteractive
trap 'apt-get purge -y -qq murmurine >/dev/null 2>&1 || true' EXIT
apt-get install -y -qq --no-install-recommends "$deb"
dpkg-query -W -f='${Status}\n' murmurine | grep -q "install ok installed"
sh "$here/smoke-installed.sh" /usr
