#!/usr/bin/env bash
# Installs what is missing, builds a release and makes the Debian package
# build-package/murmurine_<version>_<arch>.deb, checked with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
sh tests/install/build-package.sh "$PWD" "$PWD/build-package"
