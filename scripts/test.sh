#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs every test. The
# tests that look at a real screen share one Xvfb, started here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DMURMURINE_SANITIZE=ON -DMURMURINE_WERROR=ON
cmake --build build-test -j"$(nproc)"
cd build-test
exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
    ctest --output-on-failure --timeout 600 -j"$(nproc)" "$@"
