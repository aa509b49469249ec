#!/bin/bash
# Measures the Messenger from the screen of a private Xvfb, without and under a
# compositor (picom, started and ended by messenger-bench), and prints the tables.
#
#   bench/messenger/run-messenger-bench.sh BUILD-DIR [--quick] [--realtime] [messenger-bench options]
#
# By default the programs are measured as a user runs them: normal priorities,
# nothing keeping the X server awake; the table shows the machine's load
# average. aosd_cat and flash-reference, the least a flasher can do, are
# measured alongside under the same conditions.
# --realtime shows the machine's floor instead: the X server and the measured
# programs under SCHED_FIFO (below the watcher), and the watcher sending the X
# server a request every 2 ms, so that neither a sleeping server nor a sleeping
# program wakes up late.
#
# BUILD-DIR is a build tree holding bin/murmurine and bin/messenger-bench
# (cmake --build BUILD-DIR --target murmurine messenger-bench). Without
# bin/murmurine only the peer aosd_cat (Debian package aosd-cat) is measured.
# Exit status: 0 when the Messenger met every target, 1 when not, 2 on a setup error.
set -u

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD-DIR [--quick] [--realtime] [messenger-bench options]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift
isolated=
bench_args=()
for arg in "$@"; do
    if [ "$arg" = --realtime ]; then
        isolated=yes
    elif [ "$arg" = --as-user ]; then
        isolated=
    else
        bench_args+=("$arg")
    fi
done
bench="$build/bin/messenger-bench"
messenger="$build/bin/murmurine"
if [ ! -x "$bench" ]; then
    echo "no $bench: build the messenger-bench target first" >&2
    exit 2
fi
for tool in Xvfb aosd_cat; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is missing (apt-get install xvfb aosd-cat)" >&2
        exit 2
    fi
done
if ! command -v picom >/dev/null; then
    echo "note: picom is missing (apt-get install picom): the setting under a compositor will fail" >&2
fi

work=$(mktemp -d /tmp/messenger-bench-run-XXXXXX)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 2' INT TERM

server_prio=()
server_note="Xvfb 1920x1080x24 at normal priority, nothing keeping it awake."
if [ -n "$isolated" ]; then
    if chrt -f 5 true 2>/dev/null; then
        server_prio=(chrt -f 5)
        server_note="Xvfb 1920x1080x24 at SCHED_FIFO priority 5."
        bench_args=(--program-priority 5 --keep-awake 2 "${bench_args[@]}")
    else
        echo "note: SCHED_FIFO is not allowed here; the programs run at normal priority" >&2
        bench_args=(--keep-awake 2 "${bench_args[@]}")
    fi
fi
"${server_prio[@]}" Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset \
    3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 2
fi
export DISPLAY=":$(head -n1 "$work/display")"
# Nothing of the caller's session may reach the measured programs.
unset WAYLAND_DISPLAY XAUTHORITY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS

args=()
if [ -x "$messenger" ]; then
    args+=(--messenger "$messenger")
else
    echo "note: no $messenger yet; measuring the peer only" >&2
fi
args+=(--note "$server_note")
"$bench" "${args[@]}" "${bench_args[@]}"
