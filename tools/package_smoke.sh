#!/usr/bin/env bash
# Proves that the board installs as an application and leaves nothing behind:
#   1. builds the Debian package (`package` preset: the release build without tests) and
#      checks it with lintian (no error allowed) and its contents (all under /usr, only the
#      program in bin/);
#   2. installs it with apt-get, validates the installed desktop entry and AppStream file,
#      starts /usr/bin/soundboard on a virtual display with a private PipeWire server, finds its
#      window by the application id (its X11 class), clicks the first row and checks in the
#      captured audio that the first clip starts;
#   3. purges the package and checks that none of its files is left;
#   4. installs with `cmake --install` into a prefix, moves the prefix elsewhere and runs the
#      moved program the same way; then runs a copy of the program that has no resources at
#      all, which must show an empty board, say why in one line, and quit cleanly.
#
# It installs and removes the package "soundboard" on this machine: run it as root (CI) or
# with sudo. The clip check is tests/e2e/e2e_check.py, shared with the end-to-end test.
#
# Usage: tools/package_smoke.sh
# Exit status: 0 when every check holds, 1 when one fails.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
checker=$root/tests/e2e/e2e_check.py
readonly id=org.example.soundboard.Soundboard
# The virtual screen is 1080 pixels high, so the 320 x 480 point window is drawn at 2x.
readonly scale=2 first_row="160 86"

as_root=()
((EUID == 0)) || as_root=(sudo)
work=$(mktemp -d "${TMPDIR:-/tmp}/soundboard-package-XXXXXX")
xvfb_pid=
app_pid=
installed=

step() { echo "== $*"; }
fail() {
    echo "package_smoke: FAIL: $*" >&2
    exit 1
}

cleanup() {
    local status=$?
    [[ -z $app_pid ]] || kill "$app_pid" 2>/dev/null || true
    [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2>/dev/null || true
    stop_sound_server 2>/dev/null || true
    wait 2>/dev/null || true
    if [[ -n $installed ]]; then
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get remove --purge --yes soundboard >/dev/null 2>&1 || true
    fi
    if ((status != 0)); then
        echo "The logs and captured audio are in $work" >&2
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- The package ----

step "build the package"
cd "$root"
rm -f build/package/soundboard_*.deb
cmake --preset package
cmake --build --preset package
cpack --preset package
debs=(build/package/soundboard_*.deb)
[[ -f ${debs[0]} ]] || fail "cpack made no package"
deb=$(realpath "${debs[0]}")
ls -l "$deb"

step "lintian"
# Lintian exits non-zero for errors; its output is kept to list every tag it reports.
lintian --no-tag-display-limit "$deb" | tee "$work/lintian.txt" || true
if grep -q '^E:' "$work/lintian.txt"; then fail "lintian reports errors (above)"; fi

step "package contents and fields"
dpkg-deb --field "$deb" Package Version Section Priority Maintainer Depends
depends=$(dpkg-deb --field "$deb" Depends)
for needed in fonts-liberation2 libsdl2-2.0-0 libsndfile1; do
    [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
dpkg-deb --fsys-tarfile "$deb" | tar -t >"$work/contents"
if grep -v -E '^\./(usr/.*)?$' "$work/contents"; then fail "files outside /usr (above)"; fi
if grep -E '^\./usr/bin/.' "$work/contents" | grep -v -x './usr/bin/soundboard'; then
    fail "more than the program in /usr/bin (above)"
fi
for file in "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg" \
    "usr/share/icons/hicolor/128x128/apps/$id.png" \
    "usr/share/icons/hicolor/256x256/apps/$id.png" usr/share/man/man1/soundboard.1.gz \
    usr/share/soundboard/Info.json; do
    grep -q -x "./$file" "$work/contents" || fail "the package lacks /$file"
done

# ---- Running the board ----

# shellcheck source=tools/virtual_display.sh
source "$root/tools/virtual_display.sh"

# shellcheck source=tools/sound_server.sh
source "$root/tools/sound_server.sh"

start_display() {
    start_virtual_display "$work" || fail "no virtual display"
    mkdir -p "$work/sound"
    prepare_sound_server "$work/sound" && start_pipewire "$work/sound" ||
        fail "no private PipeWire server"
}

run=0
# start_board PROGRAM: starts it with the sink's monitor recorded and a fresh preferences
# folder, and waits for
# a window whose class is the application id.
start_board() {
    run=$((run + 1))
    capture=$work/audio-$run.raw
    marks=$work/marks-$run
    log=$work/board-$run.log
    record_monitor "$capture" || fail "$1: cannot record the sink's monitor"
    env -u WAYLAND_DISPLAY -u SDL_AUDIODRIVER SDL_VIDEODRIVER=x11 \
        XDG_CONFIG_HOME="$work/config-$run" LC_ALL=C LANG=C "$1" 2>"$log" &
    app_pid=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --class "^$id\$" 2>/dev/null |
        head -n1) || true
    if [[ -z $window ]]; then
        # Where each of the board's threads waits, to tell a hang from a slow start.
        local task
        for task in /proc/"$app_pid"/task/*; do
            echo "thread $(cat "$task/comm" 2>/dev/null) waits in $(cat "$task/wchan" 2>/dev/null)"
        done >&2
        fail "$1: no window of class $id within 30 s; log: $(cat "$log")"
    fi
    local tries
    for ((tries = 0; tries < 50; tries++)); do
        [[ -s $capture ]] && break
        sleep 0.1
    done
    [[ -s $capture ]] || fail "$1: the monitor recorder wrote nothing"
    mark opened
}

# mark LABEL: ties this moment to the audio captured so far (see e2e_check.py).
mark() { echo "$1 $(date +%s.%N) $(stat -c %s "$capture")" >>"$marks"; }

# quit_board: Ctrl+Q must end the board with status 0.
quit_board() {
    xdotool windowfocus "$window" 2>/dev/null || true
    xdotool key ctrl+q
    local status=0
    timeout 10 tail --pid="$app_pid" -f /dev/null || fail "the board did not end on Ctrl+Q"
    wait "$app_pid" || status=$?
    app_pid=
    kill "$recorder_pid" 2>/dev/null || true
    wait "$recorder_pid" 2>/dev/null || true
    ((status == 0)) || fail "the board ended with status $status"
}

# plays_first_clip PROGRAM RESOURCES: a click on the first row plays the first clip.
plays_first_clip() {
    local first
    first=$(cd "$2" && printf '%s\n' *.wav | LC_ALL=C sort | head -n1)
    start_board "$1"
    sleep 1.5 # the first frame is drawn
    mark tap
    xdotool mousemove --window "$window" $((${first_row% *} * scale)) \
        $((${first_row#* } * scale)) click 1
    sleep 1.5
    mark played
    python3 "$checker" --scale "$scale" start "$capture" "$marks" --after tap --within 0.3 \
        --clip "$2/$first" || fail "$1: clicking the first row did not play $first"
    quit_board
    if grep -E "Error|Cannot|No resources|No font|not a readable" "$log"; then
        fail "$1 logged errors (above)"
    fi
}

start_display

# ---- Installed with the package manager ----

step "install with apt-get"
installed=yes
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install --yes "$deb"
dpkg -L soundboard >"$work/files"

step "validate the installed desktop entry and AppStream metadata"
desktop-file-validate "/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "/usr/share/metainfo/$id.metainfo.xml"

step "run the installed /usr/bin/soundboard"
plays_first_clip /usr/bin/soundboard /usr/share/soundboard

step "purge the package"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove --purge --yes soundboard
installed=
left=0
while read -r path; do
    [[ -e $path || -L $path ]] || continue
    # A folder may stay when another package shares it (/usr/share/man/man1 and the like).
    if [[ -d $path && ! -L $path ]] && dpkg-query --search "$path" >/dev/null 2>&1; then continue; fi
    echo "left behind: $path" >&2
    left=$((left + 1))
done <"$work/files"
((left == 0)) || fail "$left paths of the package are left after the purge"
echo "none of the package's $(wc -l <"$work/files") paths is left"

# ---- Installed into a prefix that is then moved ----

step "cmake --install into a prefix, then move it"
cmake --install build/package --prefix "$work/prefix"
[[ $(ls -A "$work/prefix/bin") == soundboard ]] ||
    fail "the prefix's bin/ holds more than the program: $(ls -A "$work/prefix/bin")"
mv "$work/prefix" "$work/moved"
plays_first_clip "$work/moved/bin/soundboard" "$work/moved/share/soundboard"

step "a program without resources shows an empty board"
mkdir -p "$work/bare/bin"
cp "$work/moved/bin/soundboard" "$work/bare/bin/"
start_board "$work/bare/bin/soundboard"
quit_board
lines=$(grep -c "No resources" "$log" || true)
((lines == 1)) || fail "expected one line saying the resources are missing, got $lines: $(cat "$log")"
grep "No resources" "$log"
if grep -E "Image:|Error|Cannot" "$log"; then fail "more than one line about the missing resources"; fi

echo "the package and the moved install both work"
