#!/bin/sh
# An installed copy as an ordinary user uses it: installed from the build folder into a temporary
# prefix whose program folder the user cannot write, notes seeds the user's own folder on its
# first start and opens its keynote file there, dravolet keeps its Layers.ini in its own, and
# nothing is written beside the programs. The desktop entry is checked too.
#   installed-copy.sh build-folder
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix
home=$work/home
cmake --install "$build" --prefix "$prefix" >/dev/null
desktop-file-validate "$prefix/share/applications/notes.desktop"
chmod a-w "$prefix/bin"
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"

# Root may write anywhere: it runs the programs as nobody, the ordinary user it can be.
as_user=
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$home" "$work/run"
    as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
fi

# Starts a program as the user, waits until `file` exists (at most 30 s) and ends it.
run_until() {
    file=$1
    shift
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen \
        $as_user "$@" >"$work/output" 2>&1 &
    pid=$!
    tries=0
    while [ ! -e "$file" ] && [ $tries -lt 300 ] && kill -0 $pid 2>/dev/null; do
        sleep 0.1
        tries=$((tries + 1))
    done
    sleep 0.5
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    if [ ! -e "$file" ]; then
        echo "$* made no $file; it said:"
        cat "$work/output"
        exit 1
    fi
}

own=$home/.local/share/notes
run_until "$own/constnot.csv" "$prefix/bin/notes"
cmp "$prefix/share/notes/Layers.dat" "$own/Layers.dat"
for made in Layers.ini Library qvr.ini; do
    [ -e "$own/$made" ] || { echo "notes made no $own/$made"; exit 1; }
done

run_until "$home/.local/share/dravolet/Layers.ini" "$prefix/bin/dravolet" "$own/Layers.dat" \
    "$own/qvr.ini"

left=$(ls -A "$prefix/bin")
[ "$left" = "$(printf 'dravolet\nnotes')" ] || { echo "written beside the programs: $left"; exit 1; }
