#!/bin/sh
# An installed copy as a user uses it, installed from the build folder into a prefix the user can
# write (as ~/.local is) and into one nobody but root can write (as /usr is), and, when the test
# runs as root, run by root from the writable one (as root runs /usr/bin/notes): on its first
# start notes seeds the user's own folder with the installed starter files and opens its keynote
# file there; Setup > Change Layer Colors, chosen on a display as a user chooses it, starts the
# installed dravolet on the layer table of the user's folder; the one Layers.ini is dravolet's;
# and nothing is ever written beside the programs. The windows carry the class their desktop
# entries name, the entries are valid, and the MIME type matches files as the README says.
#   installed-copy.sh build-folder
#   installed-copy.sh --deb package.deb   the same with the Debian package's /usr as the prefix
set -eu
if [ "$1" = --deb ]; then
    deb=$(realpath "$2")
    build=
else
    build=$1
fi
work=$(mktemp -d)
pids=
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

# Root may write anywhere: it runs the programs as nobody, the ordinary user it can be.
user_id=$(id -u)
as_user=
if [ "$user_id" -eq 0 ]; then
    user_id=65534
    as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
fi

# A display of the test's own, on a free number; any user may connect to it.
Xvfb -displayfd 3 -ac -noreset -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
pids="$pids $!"
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "Xvfb did not start"; exit 1; }
    sleep 0.1
done
DISPLAY=:$(cat "$work/display")
export DISPLAY

# The id of the window named exactly `name`, once it is shown (at most 30 s).
window() {
    tries=0
    while :; do
        found=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) || true
        [ -z "$found" ] || { echo "$found"; return 0; }
        tries=$((tries + 1))
        [ $tries -lt 300 ] || return 1
        sleep 0.1
    done
}

fail() {
    echo "$case: $*; notes said:"
    cat "$work/output"
    exit 1
}

# check case prefix-writable-by runner
check() {
    case=$1
    prefix=$work/$case
    home=$work/home-$case
    if [ -n "$build" ]; then
        cmake --install "$build" --prefix "$prefix" >/dev/null
    else
        dpkg-deb -x "$deb" "$prefix.root"
        mv "$prefix.root/usr" "$prefix"
    fi
    mkdir -p "$home" "$home/run"
    chmod 700 "$home/run"
    runner=
    case $2 in
    user)
        [ "$(id -u)" -ne 0 ] || chown -R "$user_id:$user_id" "$prefix"
        ;;
    root) chmod -R a-w "$prefix" ;;
    esac
    if [ "$3" = user ]; then
        runner=$as_user
        [ "$(id -u)" -ne 0 ] || chown -R "$user_id:$user_id" "$home"
    fi

    env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run" DISPLAY="$DISPLAY" \
        QT_QPA_PLATFORM=xcb $runner "$prefix/bin/notes" >"$work/output" 2>&1 &
    notes=$!
    pids="$pids $notes"
    own=$home/.local/share/notes

    # The first start's notice, then the menu command, as the keyboard gives them.
    notice=$(window "How to start") || fail "no How to start notice"
    xdotool windowfocus --sync "$notice" key Return
    frame=$(window "Vantorel - QVR Editor") || fail "no frame"
    xdotool windowfocus --sync "$frame" key alt+s
    sleep 0.3
    xdotool key c
    editor=$(window "QVR Editor") || fail "Change Layer Colors showed no layer editor"
    dravolet=$(xdotool getwindowpid "$editor")
    # A dock finds each program's desktop entry by its windows' class.
    for shown in "notes $frame" "dravolet $editor"; do
        entry=$prefix/share/applications/${shown%% *}.desktop
        class=$(sed -n 's/^StartupWMClass=//p' "$entry")
        xprop -id "${shown#* }" WM_CLASS | grep -q "= \"[^\"]*\", \"$class\"\$" ||
            fail "${shown%% *}'s window class is not $class: $(xprop -id "${shown#* }" WM_CLASS)"
    done
    pids="$pids $dravolet"
    [ "$(readlink "/proc/$dravolet/exe")" = "$prefix/bin/dravolet" ] ||
        fail "started $(readlink "/proc/$dravolet/exe"), not the installed dravolet"
    table=$(tr '\0' '\n' <"/proc/$dravolet/cmdline" | sed -n 2p)
    [ "$table" = "$own/Layers.dat" ] || fail "dravolet was given $table"
    # A table it cannot read, it would say so in a message box of its own.
    sleep 1
    ! xdotool search --name '^Error$' >/dev/null 2>&1 || fail "dravolet could not open $table"

    cmp "$prefix/share/notes/Layers.dat" "$own/Layers.dat" || fail "Layers.dat not seeded"
    for made in constnot.csv Library qvr.ini; do
        [ -e "$own/$made" ] || fail "notes made no $own/$made"
    done
    [ -e "$home/.local/share/dravolet/Layers.ini" ] || fail "no Layers.ini in dravolet's folder"
    [ ! -e "$own/Layers.ini" ] || fail "a second Layers.ini in $own"

    kill "$dravolet" "$notes" 2>/dev/null || true
    wait "$notes" 2>/dev/null || true
    left=$(ls -A "$prefix/bin")
    [ "$left" = "$(printf 'dravolet\nnotes')" ] || fail "written beside the programs: $left"
}

check writable user user
check read-only root user
[ "$(id -u)" -ne 0 ] || check root-runs root root

desktop-file-validate "$work/writable/share/applications/notes.desktop" \
    "$work/writable/share/applications/dravolet.desktop"

# The keynote file's MIME type as a desktop sees it once the install's MIME database is built:
# the default name is a keynote file, so is a file without an ending that begins with the SET
# line; any other .csv stays text/csv whatever its first line, as the README says.
XDG_DATA_HOME="$work/writable/share" update-mime-database "$work/writable/share/mime"
mkdir -p "$work/files"
for name in job.csv constnot.csv CONSTNOT.CSV job; do
    printf 'SET,TXTHT,0.1\r\nCIR,1,Footing,EA,COUNT\r\n' >"$work/files/$name"
done
for expected in job.csv=text/csv constnot.csv=text/x-keynotes CONSTNOT.CSV=text/x-keynotes \
    job=text/x-keynotes; do
    name=${expected%%=*}
    type=$(XDG_DATA_HOME="$work/writable/share" XDG_DATA_DIRS=/usr/share \
        gio info -a standard::content-type "$work/files/$name" | sed -n 's/.*content-type: //p')
    [ "$type" = "${expected#*=}" ] || { echo "$name is $type, not ${expected#*=}"; exit 1; }
done
