#!/bin/sh
# Runs a test script the way a screen reader meets the programs: on a display of its own
# (Xvfb, with a window manager), with a private session bus, the accessibility bus and its
# registry, and the programs' accessibility on. The script is a Python 3 program using pyatspi.
#   on-bus.sh program-folder test-script
# Exits with 77 (skipped) and says why when a tool is missing.
set -u
bin=$1
script=$2
python=/usr/bin/python3
launcher=
for l in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher \
    /usr/lib/at-spi2/at-spi-bus-launcher; do
    [ -x "$l" ] && launcher=$l && break
done
missing=
for tool in Xvfb dbus-run-session openbox xdotool; do
    command -v "$tool" >/dev/null 2>&1 || missing="$missing $tool"
done
[ -n "$launcher" ] || missing="$missing at-spi-bus-launcher(at-spi2-core)"
"$python" -c 'import pyatspi' 2>/dev/null || missing="$missing pyatspi(python3-pyatspi)"
if [ -n "$missing" ]; then
    echo "SKIP: the accessibility bus test needs:$missing (scripts/deps installs them)"
    exit 77
fi

work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$work"' EXIT
# Xvfb picks a free display and names it.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:"
    cat "$work/xvfb.log"
    exit 1
fi
export DISPLAY=":$(cat "$work/display")"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/run" XDG_CACHE_HOME="$work/home/.cache"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=0
export GSETTINGS_BACKEND=memory
unset WAYLAND_DISPLAY QT_SCALE_FACTOR
export ATSPI_LAUNCHER="$launcher" PROGRAMS="$bin" WORK="$work"
dbus-run-session -- sh -c '
    "$ATSPI_LAUNCHER" --launch-immediately >"$WORK/bus.log" 2>&1 &
    bus=$!
    openbox >"$WORK/openbox.log" 2>&1 &
    wm=$!
    "$0" "$1"
    status=$?
    kill $wm $bus 2>/dev/null
    exit $status
' "$python" "$script"
