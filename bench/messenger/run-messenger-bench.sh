#!/bin/bash
# Measures the Messenger from outside under a private Xvfb and prints the table.
#
#   bench/messenger/run-messenger-bench.sh BUILD-DIR [--quick] [messenger-bench options]
#
# BUILD-DIR is a build tree holding bin/murmurine and bin/messenger-bench
# (cmake --build BUILD-DIR --target murmurine messenger-bench). Without
# bin/murmurine only the peer aosd_cat (Debian package aosd-cat) is measured.
# Exit status: 0 when the Messenger met every target, 1 when not, 2 on a setup error.
set -u

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD-DIR [--quick] [messenger-bench options]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift
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

# The X server carries both the flashes and the watcher's samples. On a machine
# shared with compilers it gets a raised priority when that is allowed, so the
# figures show the measured program rather than the server waiting for a core;
# the measured programs themselves run at normal priority.
server_nice=()
if nice -n -10 true 2>/dev/null; then
    server_nice=(nice -n -10)
fi
"${server_nice[@]}" Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset \
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
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); X server priority: ${server_nice[*]:-normal}" >&2
"$bench" "${args[@]}" "$@"
status=$?
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
exit $status
