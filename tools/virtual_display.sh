# shellcheck shell=bash
# Sourced by the scripts that run the board on a virtual X display.
#
# start_virtual_display FOLDER: starts Xvfb on a display number it picks itself (so no other X
# server's number is taken), with its log and the number in FOLDER; sets xvfb_pid and exports
# DISPLAY once it accepts clients. On failure says why on stderr and returns 1. 640 x 1080 lets
# the board choose its 2x scale (a 640 x 960 window).
start_virtual_display() {
    local folder=$1 tries
    Xvfb -displayfd 9 -screen 0 640x1080x24 -nolisten tcp 9>"$folder/display" 2>"$folder/xvfb.log" &
    xvfb_pid=$!
    for ((tries = 0; tries < 100; tries++)); do
        # Xvfb writes the display's number and a newline once it accepts clients.
        if [[ $(cat "$folder/display" 2>/dev/null) == *[0-9] ]] &&
            [[ $(wc -l <"$folder/display") -ge 1 ]]; then
            DISPLAY=:$(head -n1 "$folder/display")
            export DISPLAY
            return 0
        fi
        if ! kill -0 "$xvfb_pid" 2>/dev/null; then
            echo "Xvfb did not start: $(cat "$folder/xvfb.log")" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "Xvfb gave no display number within 10 s" >&2
    return 1
}
