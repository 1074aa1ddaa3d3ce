# shellcheck shell=bash
# Sourced by the end-to-end runs on a phone's graphics stack. Each compositor runs headless,
# as root or not, in a runtime folder of its own (its Wayland socket, its D-Bus bus, its
# PipeWire), so that it sees nothing else on the machine and nothing else sees it; every
# process started here is stopped by its id (stop_phone_stack).
#
# start_phoc FOLDER WIDTH HEIGHT SCALE
#   phoc, the phone shell's compositor, with one output of that mode and scale. phoc makes its
#   seat only once an input device exists, and SDL 2.26 crashes in SDL_Init on a compositor
#   without a seat; so a virtual pointer (phoc_pointer) and a virtual keyboard are plugged in
#   and held before anything else connects. Keys are typed with phoc_keys.
# start_mutter FOLDER WIDTH HEIGHT
#   mutter with one virtual monitor, on a D-Bus session bus of its own and beside a PipeWire of
#   its own (mutter's remote desktop places touches on a screen cast, which needs PipeWire);
#   a touch screen driven through mutter's remote desktop interface takes commands through
#   touch_screen.
# Both export XDG_RUNTIME_DIR and WAYLAND_DISPLAY for the programs started after them; on
# failure they say why on stderr and return 1.

phone_stack_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
phone_stack_pids=()

# phone_stack_wait_for PATH PID WHAT: waits up to 15 s for PATH to appear while PID runs.
phone_stack_wait_for() {
    local tries
    for ((tries = 0; tries < 150; tries++)); do
        [[ -e $1 ]] && return 0
        if ! kill -0 "$2" 2>/dev/null; then
            echo "$3 ended at start" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "$3 did not start within 15 s" >&2
    return 1
}

# phone_stack_runtime FOLDER: a fresh runtime folder (owner only, as the Wayland and D-Bus
# libraries expect) inside FOLDER, exported for what starts next.
phone_stack_runtime() {
    export XDG_RUNTIME_DIR=$1/runtime
    mkdir -p "$1"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    export WAYLAND_DISPLAY=wayland-0
    # The board must find no X server and no other bus through variables of the caller.
    unset DISPLAY DBUS_SESSION_BUS_ADDRESS
}

# phone_input_start COMMAND...: starts the input helper as a co-process and waits for its first
# "ok" (its device is plugged in).
phone_input_start() {
    coproc phone_input { exec "$@"; }
    # shellcheck disable=SC2154 # coproc sets phone_input_PID
    phone_stack_pids+=("$phone_input_PID")
    phone_input_command ""
}

# phone_input_command LINE: sends LINE to the input helper (nothing for an empty one) and waits
# up to 15 s for its "ok".
phone_input_command() {
    local reply=
    [[ -z $1 ]] || echo "$1" >&"${phone_input[1]}"
    read -r -t 15 reply <&"${phone_input[0]}" || true
    if [[ $reply != ok ]]; then
        echo "the input helper did not take \"$1\"" >&2
        return 1
    fi
}

start_phoc() {
    local folder=$1 output_width=$2 output_height=$3 output_scale=$4
    phone_stack_runtime "$folder"
    printf '[output:HEADLESS-1]\nmode = %sx%s\nscale = %s\n' "$output_width" "$output_height" \
        "$output_scale" >"$folder/phoc.ini"
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        phoc --config "$folder/phoc.ini" >"$folder/phoc.log" 2>&1 &
    phone_stack_pids+=($!)
    phone_stack_wait_for "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" $! phoc || return 1
    # The pointer makes the seat; the keyboard binds to it.
    phone_input_start python3 "$phone_stack_dir/../tests/e2e/virtual_pointer.py" \
        --extent $((output_width / output_scale)) $((output_height / output_scale)) || return 1
    wtype -s 86400000 &
    phone_stack_pids+=($!)
    # The first event of a new device is lost; then the pointer goes to the top right corner,
    # where its arrow is out of sight.
    phoc_pointer move 0 0 && phoc_pointer move $((output_width / output_scale - 1)) 0
}

# phoc_pointer COMMAND...: a virtual_pointer.py command (move X Y, down, up, click X Y) in the
# output's logical pixels.
phoc_pointer() { phone_input_command "$*"; }

# phoc_keys WTYPE_ARGUMENTS...: types keys with wtype, whose new keyboard loses its first event:
# a Shift press and release go first.
phoc_keys() { wtype -M shift -m shift "$@"; }

start_mutter() {
    local folder=$1 monitor_width=$2 monitor_height=$3
    phone_stack_runtime "$folder"
    dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/bus" \
        >"$folder/dbus.log" 2>&1 &
    phone_stack_pids+=($!)
    phone_stack_wait_for "$XDG_RUNTIME_DIR/bus" $! dbus-daemon || return 1
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
    pipewire >"$folder/pipewire.log" 2>&1 &
    phone_stack_pids+=($!)
    phone_stack_wait_for "$XDG_RUNTIME_DIR/pipewire-0" $! pipewire || return 1
    mutter --headless --wayland --no-x11 --virtual-monitor "${monitor_width}x$monitor_height" \
        >"$folder/mutter.log" 2>&1 &
    phone_stack_pids+=($!)
    phone_stack_wait_for "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" $! mutter || return 1
    phone_input_start /usr/bin/python3 "$phone_stack_dir/../tests/e2e/mutter_touch.py"
}

# touch_screen COMMAND...: a mutter_touch.py command (down, move, up, drag, key) in the
# monitor's pixels.
touch_screen() { phone_input_command "$*"; }

# stop_phone_stack: stops every process started here, newest first; one that has not ended 5 s
# after being asked to is killed.
stop_phone_stack() {
    local index pid
    for ((index = ${#phone_stack_pids[@]} - 1; index >= 0; index--)); do
        pid=${phone_stack_pids[index]}
        kill "$pid" 2>/dev/null || continue
        timeout 5 tail --pid="$pid" -f /dev/null || kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    phone_stack_pids=()
}
