# shellcheck shell=bash
# Sourced by the end-to-end runs on Xvfb (e2e.sh, servers_e2e.sh), after report.sh: the board's
# process and window, and at exit the board, the sound server and the display stopped by process
# id. The caller sets `binary`, `work` and `kept` (what $work holds, named when it is kept).

app_pid=
window=
xvfb_pid=

# shellcheck source=tools/virtual_display.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/virtual_display.sh"
# shellcheck source=tools/sound_server.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/sound_server.sh"

cleanup() {
    local status=$?
    if [[ -n $app_pid ]] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid"
        wait "$app_pid" 2>/dev/null
    fi
    stop_sound_server 2>/dev/null
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    # shellcheck disable=SC2154 # kept and work come from the caller
    if ((status != 0 || failures > 0)) || [[ ${E2E_KEEP:-} == 1 ]]; then
        echo "The $kept are in $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# launch_board LOG: starts the board on the X display with its own preferences folder, its
# standard error in LOG, and waits up to 15 s for its window; fails when none shows.
launch_board() {
    # In a sanitizer build the X11 and D-Bus libraries that SDL loads leave a few allocations at
    # exit that are not the board's; leaks in its own code are caught by the unit suites, which
    # run under LeakSanitizer too. Other sanitizer errors still fail the run.
    # shellcheck disable=SC2154 # binary comes from the caller
    env -u WAYLAND_DISPLAY -u SDL_AUDIODRIVER SDL_VIDEODRIVER=x11 \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        XDG_CONFIG_HOME="$work/config" LC_ALL=C LANG=C LANGUAGE= "$binary" 2>"$1" &
    app_pid=$!
    window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Soundboard$' 2>/dev/null |
        head -n1)
    [[ -n $window ]]
}
