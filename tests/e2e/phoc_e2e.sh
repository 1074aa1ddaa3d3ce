#!/usr/bin/env bash
# End-to-end run of the real board on a phone's compositor: phoc, headless, with a 720 x 1440
# output at scale 1 and then at scale 2, and an X server (Xvfb) beside it as XWayland would be.
# At each scale the board must
#   - come up natively on Wayland although DISPLAY is set too (on X11 it would never show on
#     phoc's output), filling the portrait output;
#   - look as docs/board.png shows it (scaled to the output's width), and at scale 2 look the
#     same, pixel for pixel, as at scale 1: drawn at the output's full resolution, not scaled
#     up from half of it;
#   - play the first clip on a pointer click on the first row (a virtual pointer), and a clip on
#     Down + Return typed by wtype;
#   - end with status 0 on Ctrl+Q.
# Then, with the output turned to landscape (1440 x 720 at scale 2), it must show the whole
# 320 x 480 point screen at the output's height, centred between dark margins.
# Screenshots are taken with grim; the board's sound is recorded as phone_board.sh says.
#
# Usage: phoc_e2e.sh SOUNDBOARD_BINARY RESOURCES_DIR DOCS_DIR
#   E2E_KEEP=1 keeps the work folder after a passing run; after a failing run it is kept.
# Exit status: 0 when every check holds, 1 when one fails, 77 when a program it needs is
# missing (ctest reports the test as skipped).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
binary=${1:-}
resources=${2:-}
docs=${3:-}
if [[ -z $binary || -z $resources || -z $docs ]]; then
    echo "usage: $0 SOUNDBOARD_BINARY RESOURCES_DIR DOCS_DIR" >&2
    exit 2
fi
for tool in phoc grim wtype Xvfb convert python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

# The output, in pixels; the 320-point-wide screen fills its width at 2.25 pixels a point.
readonly width=720 height=1440
readonly first_row="160 86"
work=$(mktemp -d "${TMPDIR:-/tmp}/soundboard-phoc-XXXXXX")
xvfb_pid=

# shellcheck source=tests/e2e/phone_board.sh
source "$here/phone_board.sh"
# shellcheck source=tools/phone_stack.sh
source "$here/../../tools/phone_stack.sh"
# shellcheck source=tools/virtual_display.sh
source "$here/../../tools/virtual_display.sh"

cleanup() {
    local status=$?
    stop_board
    stop_sound
    stop_phone_stack
    [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    if ((status != 0 || failures > 0)) || [[ ${E2E_KEEP:-} == 1 ]]; then
        echo "The screenshots, logs and captured sound are in $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

quit_keys() { phoc_keys -M ctrl -k q -m ctrl; }

# logical "X Y": a point of the screen in the output's logical pixels at the current scale.
logical() {
    local x y
    read -r x y <<<"$1"
    echo "$((x * width / 320 / scale)) $((y * width / 320 / scale))"
}

# The part of the output that shows the screen, as WIDTHxHEIGHT+X+Y in pixels.
screen_area=${width}x$height+0+0

# shot NAME: a screenshot of the output, and beside it its screen_area at 2 pixels a point
# (640 pixels wide) for the checks; prints the latter.
shot() {
    grim "$work/$1.png" || die "grim could not take a screenshot"
    convert "$work/$1.png" -crop "$screen_area" +repage -resize 640x "$work/$1-2x.png"
    echo "$work/$1-2x.png"
}

# wait_for_board NAME: waits up to 10 s until the board's first row shows on the output.
wait_for_board() {
    local tries file
    for ((tries = 0; tries < 50; tries++)); do
        file=$(shot "$1")
        python3 "$checker" --scale 2 brightness "$file" "0 64 320 44" --minimum 200 >/dev/null 2>&1 &&
            return 0
        sleep 0.2
    done
    die "scale $scale: the board did not show on phoc's output (did it open on X11?)"
}

start_virtual_display "$work" || die "no X server to put beside phoc"
for scale in 1 2; do
    step "phoc at scale $scale, with DISPLAY=$DISPLAY beside it"
    mkdir -p "$work/scale-$scale"
    start_phoc "$work/scale-$scale" "$width" "$height" "$scale" || die "phoc did not start"
    DISPLAY=:$(head -n1 "$work/display")
    export DISPLAY
    start_board "scale-$scale"
    wait_for_board "scale-$scale"
    # The status bar's clock is left out: it may change between the two scales.
    python3 "$checker" --scale 2 matches "$work/scale-$scale-2x.png" "$docs/board.png" \
        "0 20 320 416" --share 0.03 || fail "scale $scale: the board does not look as docs/board.png"
    if ((scale == 2)); then
        python3 "$checker" --scale 1 matches "$work/scale-2.png" "$work/scale-1.png" \
            "0 45 720 1395" --share 0.001 ||
            fail "scale 2: the board is not drawn as sharp as at scale 1"
    fi

    step "scale $scale: a click on the first row, then Down and Return"
    mark click
    phoc_pointer click "$(logical "$first_row")"
    heard click "${clips[0]}" "scale $scale: a click on the first row did not play ${clips[0]}"
    mark keys
    phoc_keys -k Down -k Return
    heard keys "${clips[1]}" "scale $scale: Down and Return did not play ${clips[1]}"

    step "scale $scale: Ctrl+Q"
    quit_board
    stop_phone_stack
done

step "phoc at scale 2, turned to landscape"
start_phoc "$work/landscape" "$height" "$width" 2 || die "phoc did not start"
start_board landscape
# The screen at the output's height, 1.5 pixels a point: 480 pixels wide, centred.
screen_area=480x$width+480+0
wait_for_board landscape
python3 "$checker" --scale 2 matches "$work/landscape-2x.png" "$docs/board.png" "0 20 320 460" \
    --share 0.03 || fail "landscape: the board does not show the whole screen as docs/board.png"
for margin in "0 0 480 $width" "960 0 480 $width"; do
    python3 "$checker" --scale 1 uniform "$work/landscape.png" "$margin" --dark ||
        fail "landscape: the margin $margin is not dark"
done
quit_board
stop_phone_stack

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks on phoc passed"
