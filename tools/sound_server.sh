# shellcheck shell=bash
# Sourced by the scripts that play the board through a real sound server: a private PipeWire
# stack (D-Bus session bus, pipewire, wireplumber, pipewire-pulse) or a private PulseAudio, each
# with one 48 kHz stereo null sink named "null_sink" whose monitor can be recorded. Everything
# lives in FOLDER (runtime dir, configuration, state, logs) and is stopped by process id, so
# several runs can share a machine. Works as root and as any other user.
#
# prepare_sound_server FOLDER   makes FOLDER/runtime, starts the private bus and exports what a
#                               client needs (below). Enough for a client that starts before
#                               its server; start_pipewire/start_pulseaudio FOLDER follow later.
# start_pipewire FOLDER         PipeWire with WirePlumber and pipewire-pulse; returns once the
#                               null sink is the default sink (about 0.1-0.3 s).
# start_pulseaudio FOLDER       PulseAudio; returns once the null sink is there.
# record_monitor FILE           records the sink's monitor into FILE, raw s16le 48 kHz stereo;
#                               sets recorder_pid; returns once the recording stream exists.
# restart_sound_server          stops the server processes (not the bus) and starts them again
#                               in the same folder; a recording goes on in the same file.
# stop_sound_server_processes   stops the server processes only (a server that went away).
# stop_sound_server             stops the recorder, the server and the bus.
# Each returns 1 with the reason on stderr when it fails.
#
# The environment a client needs, exported by prepare_sound_server:
#   XDG_RUNTIME_DIR, PIPEWIRE_RUNTIME_DIR  where pipewire-0 and pulse/native are
#   PULSE_SERVER              the pulse socket; also keeps libpulse from asking the X server
#                             (with DISPLAY set it reads a PULSE_SERVER property from it)
#   PULSE_CLIENTCONFIG        a client configuration with autospawn off: a client that starts
#                             first must not start a PulseAudio of its own
#   PULSE_COOKIE              a cookie file in the runtime folder, which libpulse can create
#                             (a user without a home, such as nobody, has nowhere else)
#   DBUS_SESSION_BUS_ADDRESS  the private bus; without it libdbus in a client with DISPLAY set
#                             tries to launch a bus through X11
# PIPEWIRE_REMOTE is removed from the environment. DISPLAY is left for the
# client (it draws a window) but every server process runs without it.
#
# Known traps, handled here or to be handled by the caller:
# - A server killed with SIGKILL leaves pipewire-0 (and pulse/native) behind, and a readiness
#   wait on the socket then returns at once: the sockets are removed before each start.
# - A PulseAudio null sink that sat idle stalls a new stream by 1.5-2 s unless something records
#   it: start record_monitor at least 2 s before the first sound that matters.
# - pipewire-pulse reports 0 us in every latency field (pactl): measure latency in a recording.
# - pw-record (0.3.65) writes no raw samples, so the monitor is recorded with parec on both
#   servers (PipeWire through pipewire-pulse).
# - PulseAudio 16 aborted now and then with a client that reopens small streams quickly, unless
#   run with --disable-shm=yes.

sound_server_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
sound_server_packages=(pipewire pipewire-bin pipewire-pulse wireplumber pulseaudio pulseaudio-utils
    dbus)

# Polls COMMAND every 10 ms until it succeeds, for at most 5 s; returns 1 at once when one of
# the processes whose ids are in the space-separated PIDS has ended.
wait_for_sound_server() {
    local what=$1 pids=$2 tries pid
    shift 2
    for ((tries = 0; tries < 500; tries++)); do
        "$@" >/dev/null 2>&1 && return 0
        for pid in $pids; do
            if ! kill -0 "$pid" 2>/dev/null; then
                echo "sound server: $what ended before it was ready; see $sound_server_folder/*.log" >&2
                return 1
            fi
        done
        sleep 0.01
    done
    echo "sound server: $what not ready within 5 s; see $sound_server_folder/*.log" >&2
    return 1
}

# A D-Bus address separates its values with "," and ";": every other byte than these safe ones
# is written as %XX.
escape_dbus_address_value() {
    local value=$1 escaped='' character index
    local LC_ALL=C
    for ((index = 0; index < ${#value}; index++)); do
        character=${value:index:1}
        if [[ $character == [-0-9A-Za-z_/.] ]]; then
            escaped+=$character
        else
            printf -v character '%%%02X' "'$character"
            escaped+=$character
        fi
    done
    echo "$escaped"
}

prepare_sound_server() {
    local folder
    folder=$(cd "$1" && pwd) || return 1
    [[ ${sound_server_folder:-} == "$folder" ]] && return 0
    if [[ -z ${sound_server_installed:-} ]]; then
        "$sound_server_tools/install_packages.sh" sound-server "${sound_server_packages[@]}" || return 1
        sound_server_installed=1
    fi
    sound_server_folder=$folder
    mkdir -p "$folder/runtime/pulse" "$folder/state" "$folder/config/pipewire/pipewire.conf.d" \
        "$folder/config/wireplumber/main.lua.d" "$folder/config/wireplumber/bluetooth.lua.d"
    chmod 700 "$folder/runtime" "$folder/runtime/pulse"
    # Drop-ins beside the system's configuration: the servers find them through
    # XDG_CONFIG_HOME, which is set for the server processes only. Named to sort after the
    # system files they override and before the ones that act on them (90-enable-all.lua).
    cp "$sound_server_tools/sound_server/pipewire-null-sink.conf" \
        "$folder/config/pipewire/pipewire.conf.d/50-null-sink.conf"
    cp "$sound_server_tools/sound_server/wireplumber-no-devices.lua" \
        "$folder/config/wireplumber/main.lua.d/60-no-devices.lua"
    cp "$sound_server_tools/sound_server/wireplumber-no-bluetooth.lua" \
        "$folder/config/wireplumber/bluetooth.lua.d/60-no-bluetooth.lua"

    export XDG_RUNTIME_DIR=$folder/runtime
    export PIPEWIRE_RUNTIME_DIR=$folder/runtime
    export PULSE_SERVER=unix:$folder/runtime/pulse/native
    export PULSE_CLIENTCONFIG=$sound_server_tools/sound_server/client.conf
    export PULSE_COOKIE=$folder/runtime/pulse/cookie
    DBUS_SESSION_BUS_ADDRESS=unix:path=$(escape_dbus_address_value "$folder/runtime/bus")
    export DBUS_SESSION_BUS_ADDRESS
    unset PIPEWIRE_REMOTE

    # WirePlumber needs a session bus; the system's session.conf with our own socket. Without
    # DISPLAY, since libdbus would otherwise try X11 autolaunch.
    rm -f "$folder/runtime/bus"
    env -u DISPLAY dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" \
        >"$folder/dbus.log" 2>&1 &
    sound_bus_pid=$!
    wait_for_sound_server "the D-Bus session bus" "$sound_bus_pid" test -S "$folder/runtime/bus"
}

# Runs a server process in the background without DISPLAY, with the private configuration and
# state folders; its output goes to FOLDER/NAME.log. Prints nothing; sets last_server_pid.
run_sound_server_process() {
    local name=$1
    shift
    env -u DISPLAY XDG_CONFIG_HOME="$sound_server_folder/config" \
        XDG_STATE_HOME="$sound_server_folder/state" "$@" >>"$sound_server_folder/$name.log" 2>&1 &
    last_server_pid=$!
}

start_pipewire() {
    prepare_sound_server "$1" || return 1
    sound_server_kind=pipewire
    local runtime=$sound_server_folder/runtime
    rm -f "$runtime/pipewire-0" "$runtime/pipewire-0.lock" "$runtime/pulse/native" "$runtime/pulse/pid"
    run_sound_server_process pipewire pipewire
    pipewire_pid=$last_server_pid
    wait_for_sound_server pipewire "$pipewire_pid" test -S "$runtime/pipewire-0" || return 1
    run_sound_server_process wireplumber wireplumber
    wireplumber_pid=$last_server_pid
    run_sound_server_process pipewire-pulse pipewire-pulse
    pipewire_pulse_pid=$last_server_pid
    # Ready once WirePlumber has chosen the null sink as the default (from then on it links new
    # streams to it) and pipewire-pulse listens. pactl alone is not enough: pipewire-pulse names
    # the null sink the default before WirePlumber runs, and a stream made then fails.
    wait_for_sound_server "the PipeWire stack" "$pipewire_pid $wireplumber_pid $pipewire_pulse_pid" \
        pipewire_is_ready
}

pipewire_is_ready() {
    [[ -S $sound_server_folder/runtime/pulse/native ]] &&
        [[ $(pw-metadata -n default 0 default.audio.sink 2>/dev/null) == *'"null_sink"'* ]]
}

start_pulseaudio() {
    prepare_sound_server "$1" || return 1
    sound_server_kind=pulseaudio
    local runtime=$sound_server_folder/runtime
    rm -f "$runtime/pulse/native" "$runtime/pulse/pid"
    # -n: only our script is loaded. Realtime scheduling stays on, as on a desktop: root gets it
    # directly; other users only through RealtimeKit, and run without it where it is missing
    # (PipeWire does the same). --disable-shm=yes: see the traps above.
    run_sound_server_process pulseaudio pulseaudio --daemonize=no --use-pid-file=no --system=no \
        --exit-idle-time=-1 --disable-shm=yes --log-target=stderr \
        -n -F "$sound_server_tools/sound_server/pulseaudio.pa"
    pulseaudio_pid=$last_server_pid
    wait_for_sound_server pulseaudio "$pulseaudio_pid" pulseaudio_is_ready
}

pulseaudio_is_ready() {
    [[ $(pactl get-default-sink 2>/dev/null) == null_sink ]]
}

record_monitor() {
    recording_file=$1
    : >"$recording_file"
    start_recorder
}

# Appends to recording_file. 25 ms fragments: the file lags the sink by little, and under
# PipeWire the recorder asks for a longer period than any player does (1,024 frames is 21 ms),
# so it does not shorten the graph's period for the streams being measured.
start_recorder() {
    parec --device=null_sink.monitor --raw --format=s16le --rate=48000 --channels=2 \
        --latency-msec=25 --client-name=monitor-recorder \
        >>"$recording_file" 2>>"$sound_server_folder/recorder.log" &
    recorder_pid=$!
    wait_for_sound_server "the monitor recorder" "$recorder_pid" sound_server_is_recording
}

sound_server_is_recording() {
    pactl list short source-outputs 2>/dev/null | grep -q .
}

# Stops the processes whose ids are given, each with SIGTERM and, after 2 s, SIGKILL.
stop_sound_server_pids() {
    local pid tries
    for pid in "$@"; do
        [[ -n $pid ]] && kill "$pid" 2>/dev/null
    done
    for pid in "$@"; do
        [[ -n $pid ]] || continue
        for ((tries = 0; tries < 200; tries++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.01
        done
        ((tries < 200)) || kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    return 0
}

stop_sound_server_processes() {
    # Clients first, then the session manager, then the server they talk to.
    stop_sound_server_pids "${pipewire_pulse_pid:-}" "${pulseaudio_pid:-}"
    stop_sound_server_pids "${wireplumber_pid:-}"
    stop_sound_server_pids "${pipewire_pid:-}"
    pipewire_pulse_pid='' pulseaudio_pid='' wireplumber_pid='' pipewire_pid=''
}

restart_sound_server() {
    stop_sound_server_processes
    stop_sound_server_pids "${recorder_pid:-}"
    case ${sound_server_kind:-} in
    pipewire) start_pipewire "$sound_server_folder" || return 1 ;;
    pulseaudio) start_pulseaudio "$sound_server_folder" || return 1 ;;
    *)
        echo "sound server: nothing to restart" >&2
        return 1
        ;;
    esac
    # The recorder ended with its server; a new one appends to the same file, which therefore
    # holds no samples for the time the server was down.
    if [[ -n ${recorder_pid:-} ]]; then
        start_recorder
    fi
}

stop_sound_server() {
    stop_sound_server_pids "${recorder_pid:-}"
    recorder_pid=''
    stop_sound_server_processes
    stop_sound_server_pids "${sound_bus_pid:-}"
    sound_bus_pid='' sound_server_folder='' sound_server_kind=''
}
