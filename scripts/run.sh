#!/usr/bin/env bash
# Installs what is missing, builds Murmurine and starts the Settings program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMURMURINE_TESTS=OFF -DMURMURINE_BENCH=OFF
cmake --build build -j"$(nproc)"
exec build/bin/murmurine-settings
