#!/bin/sh
# notes and dravolet answer --help and --version on the terminal and exit with 0 before any
# window: started without a display, they would end with an error if they started the GUI.
#   command-line.sh program-folder
set -u
bin=$1
status=0
check() { # program option first-line-expected
    out=$(QT_QPA_PLATFORM=xcb DISPLAY= WAYLAND_DISPLAY= "$bin/$1" "$2" 2>&1)
    code=$?
    first=$(printf '%s\n' "$out" | head -n 1)
    if [ "$code" -ne 0 ] || [ "$first" != "$3" ]; then
        printf '%s %s: exit %s, printed:\n%s\n' "$1" "$2" "$code" "$out"
        status=1
    fi
}
check notes --help "Usage: notes [keynote-file [project-ini]]"
check notes --version "notes (QVR Editor) Version 4.2"
check dravolet --help "Usage: dravolet layer-table-file ini-file"
check dravolet --version "dravolet (layer colour editor) Version 4.3"
exit $status
