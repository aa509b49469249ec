#!/usr/bin/env bash
# Builds a release and runs every benchmark; each prints its figures and targets.
#   scripts/bench.sh [--quick]    (--quick: a short run of the Messenger's timing benchmark)
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh aosd-cat picom || exit 2
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DMURMURINE_TESTS=OFF || exit 2
cmake --build build-release -j"$(nproc)" || exit 2
status=0
echo "== Library operations"; build-release/bin/bench_datafile || status=1
echo; echo "== Settings program (on its own X server, as users run it)"
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp -noreset" build-release/bin/bench_settings || status=1
echo; echo "== Messenger timing (measured from the screen, without and under a compositor)"
bench/messenger/run-messenger-bench.sh build-release "$@" || status=1
exit $status
