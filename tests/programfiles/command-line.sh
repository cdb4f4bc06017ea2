#!/bin/sh
# notes and dravolet read their command line as GNU programs do, before any window: --help and
# --version print on standard output and exit with 0, an option they do not know prints GNU's
# two lines on standard error and exits with 1, and a start without a display says so in one
# line and exits with 1 (Qt's own error would abort). Each is compared whole.
#   command-line.sh program-folder
set -u
bin=$1
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# check program expected-exit expected-stdout expected-stderr argument...
check() {
    program=$1 code=$2 out=$3 err=$4
    shift 4
    QT_QPA_PLATFORM=xcb DISPLAY= WAYLAND_DISPLAY= "$bin/$program" "$@" >"$work/out" 2>"$work/err"
    got=$?
    printf '%s' "$out" >"$work/out.expected"
    printf '%s' "$err" >"$work/err.expected"
    if [ "$got" -ne "$code" ] || ! cmp -s "$work/out" "$work/out.expected" ||
        ! cmp -s "$work/err" "$work/err.expected"; then
        printf '%s %s: exit %s (expected %s)\n' "$program" "$*" "$got" "$code"
        diff -u "$work/out.expected" "$work/out"
        diff -u "$work/err.expected" "$work/err"
        status=1
    fi
}
nl='
'
version() { # program version
    printf '%s (keynotes) %s\n%s\n%s\n%s\n' "$1" "$2" \
        "Copyright (C) 2026 The keynotes maintainers." \
        "License: all rights reserved; no licence to copy, change or share this program is granted." \
        "There is NO WARRANTY, to the extent permitted by law."
}
try() { # program
    printf "\nTry '%s --help' for more information.\n" "$1"
}

for p in notes dravolet; do
    check $p 1 "" "$p: unrecognized option '--bogus'$(try $p)$nl" --bogus
    check $p 1 "" "$p: unrecognized option '--bogus'$(try $p)$nl" ./file.csv --bogus
    check $p 1 "" "$p: invalid option -- 'x'$(try $p)$nl" -hx
    check $p 1 "" "$p: option '--version' doesn't allow an argument$(try $p)$nl" --vers=2
    # "--" ends the options: what follows is a file argument, so the program tries the display.
    check $p 1 "" "$p: no display to show the window on (DISPLAY is not set)$nl" -- --bogus
    check $p 1 "" "$p: no display to show the window on (DISPLAY is not set)$nl"
done
check notes 1 "" "notes: no display to show the window on (DISPLAY is not set)$nl" ./constnot.csv
check notes 0 "$(version notes 4.2)$nl" "" --version
check notes 0 "$(version notes 4.2)$nl" "" --vers
check dravolet 0 "$(version dravolet 4.3)$nl" "" --version

# --help: the usage first, where to report problems last; -h is the same.
for p in notes dravolet; do
    for option in --help -h --he; do
        "$bin/$p" $option >"$work/help" 2>&1
        code=$?
        first=$(head -n 1 "$work/help")
        last=$(tail -n 1 "$work/help")
        case "$first|$last" in
        "Usage: $p [OPTION] "*"|Report problems to <"*">.") ;;
        *)
            printf '%s %s: exit %s, printed:\n' "$p" "$option" "$code"
            cat "$work/help"
            status=1
            ;;
        esac
        [ "$code" -eq 0 ] || status=1
    done
done

# A write error on standard output is reported, and the exit code says it failed.
if [ -w /dev/full ]; then
    "$bin/notes" --version >/dev/full 2>"$work/err"
    code=$?
    if [ "$code" -ne 1 ] || [ "$(cat "$work/err")" != "notes: write error: No space left on device" ]; then
        printf 'notes --version >/dev/full: exit %s, said: %s\n' "$code" "$(cat "$work/err")"
        status=1
    fi
fi
exit $status
