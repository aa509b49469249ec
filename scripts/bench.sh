#!/usr/bin/env bash
# Builds a release and runs every benchmark; each prints its figures and targets.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh aosd-cat
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DMURMURINE_TESTS=OFF
cmake --build build-release -j"$(nproc)"
build-release/bin/bench_datafile
