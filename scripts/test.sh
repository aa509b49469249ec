#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs every test. The
# tests that look at a real screen share one Xvfb, started here. It must not
# reset when the last client of one test leaves, or the next program to start
# finds no display for a moment.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DMURMURINE_SANITIZE=ON -DMURMURINE_WERROR=ON
cmake --build build-test -j"$(nproc)"
cd build-test
exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp -noreset" \
    ctest --output-on-failure --timeout 600 -j"$(nproc)" "$@"
