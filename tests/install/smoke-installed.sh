#!/bin/sh
# Starts the installed programs as a new user would, with a private HOME, and
# checks from outside that each came up and found its shipped files:
#   smoke-installed.sh <prefix>
# Needs an X server in DISPLAY.
set -eu
prefix=$1
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
links="$XDG_RUNTIME_DIR/murmurine"

fail() { echo "FAIL: $*" >&2; exit 1; }
wait_for() {
    n=0
    while [ ! -e "$1" ]; do
        n=$((n + 1))
        [ $n -le 600 ] || fail "$2"
        sleep 0.1
    done
}

"$prefix/bin/murmurine" &
pids="$pids $!"
wait_for "$links/Murmurine Mini|Form1" "the Messenger did not open its link"
# The Messenger starts the Quick Stop program from its own folder.
wait_for "$links/HALTPAD|Form1" "the Messenger did not start haltpad"
pids="$pids $(head -n 1 "$links/haltpad.lock")"
wait_for "$HOME/Murmurine/DATA.TXT" "the Messenger did not copy the factory library"
cmp -s "$HOME/Murmurine/DATA.TXT" "$prefix/share/murmurine/data.txt" \
    || fail "the library copied is not the factory library"

"$prefix/bin/murmurine-settings" &
pids="$pids $!"
wait_for "$links/Murmurine Settings|Form1" "the Settings program did not open its link"
if command -v xdotool >/dev/null; then
    timeout 30 xdotool search --sync --onlyvisible --name '^Murmurine Settings' >/dev/null \
        || fail "the Settings program shows no window"
fi
grep -q '^On=Yes' "$XDG_CONFIG_HOME/Murmurine/Murmurine.conf" || fail "the Messenger did not record that it runs"
echo "installed programs in $prefix start and find their files"
